#pragma once

#include "files/idtablefile.h"
#include "table/idcodetable.h"

#include <QString>

namespace kalvidor {

enum class TableInputStatus {
    Read,
    Missing, // no such file
    Folder, // the name is a folder
    Unreadable, // the file could not be opened or read
    NotATable, // not a well-formed table file: check says why
};

struct TableInput
{
    TableInputStatus status = TableInputStatus::Missing;
    IdCodeTable table; // the file's table, when read
    TableFileCheck check; // what sets the file apart from a table file
};

// Reads the table that write and compare take: a well-formed table file only,
// so that what goes to the unit is exactly what the file says. Anything else
// is refused with the reason, and nothing is guessed.
TableInput readTableInput(const QString &path);

} // namespace kalvidor
