#pragma once

#include "files/idtablefile.h"
#include "messages/messenger.h"

#include <QString>

namespace kalvidor {

// What sets a file apart from a table file, in a few words that name the line
// count or the line at fault: "5 行目の値が ID（16進数 7 桁まで）ではありません".
// Empty for a well-formed file.
QString tableFileFaultText(const TableFileCheck &check);

// The message after the window loaded a file that is not a well-formed table
// file, whatever it could read of it.
Message loadedFileFaultMessage(const TableFileCheck &check);

} // namespace kalvidor
