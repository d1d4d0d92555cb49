#pragma once

#include "table/idcodetable.h"

#include <QString>

namespace kalvidor {

enum class TableInputStatus {
    Read,
    Missing, // no such file
    Folder, // the name is a folder
    Unreadable, // the file could not be opened or read
    NoValue, // not one line of the file gives a value: it is no table
};

struct TableInput
{
    TableInputStatus status = TableInputStatus::Missing;
    // What the main window sends for that file: loaded over the defaults,
    // shown with the lists at their top and gathered back.
    IdCodeTable table;
    // The parameters the gather refused; the table keeps their defaults then.
    GatherResult gathered;
};

// Reads a table file as the main window's CSV読込み reads it into a freshly
// started window without a table file, by the same loader: the lines it can
// read replace the defaults, the rest keep them. The table is then what the
// window's fields show and a write or compare gathers from them.
TableInput readTableAsShown(const QString &path);

} // namespace kalvidor
