#pragma once

#include "table/idcodetable.h"

#include <QString>
#include <QStringView>

namespace kalvidor {

// The table file: 215 lines ended by CR LF, "n,value"; lines 1..213 are the
// slots in upper-case hexadecimal, 214 the hold time, 215 the allowance.

// Writes the whole table. The file is replaced atomically: a save that fails
// part-way leaves the previous file whole. Returns whether it succeeded.
bool saveIdCodeTable(const QString &path, const IdCodeTable &table);

enum class LoadOutcome {
    Loaded,     // read up to its end, its 215th line, or a line 214/215 that is no number
    CannotOpen, // the file is missing or could not be opened or read; the table is unchanged
};

// Reads the file into the table. Slots and parameters the file does not reach
// keep their values. A line's position alone decides its slot; a line without
// a second field keeps its slot, and on lines 214/215 a value that is no
// number (or none) ends the load there. CR LF, LF and CR all end a line; a
// line is read up to 4 KiB and the rest skipped. A file that is missing or
// cannot be read gives CannotOpen with the table untouched. Does not touch
// Modified.
LoadOutcome loadIdCodeTable(const QString &path, IdCodeTable &table);

// Field n (from 1) of a comma-separated line. Returns false, leaving field
// unchanged, when the line has no such field.
bool csvField(QStringView line, int n, QString &field);

// The program-folder file names.
QString tableFilePath(const QString &programDir);    // programDir + "/IdCodeTable.csv"
QString settingsFilePath(const QString &programDir); // programDir + "/Kalvidor.ini"

} // namespace kalvidor
