#pragma once

#include "table/idcodetable.h"

#include <QString>
#include <QStringView>

namespace kalvidor {

// The table file: 215 lines ended by CR LF, "n,value"; lines 1..213 are the
// slots in upper-case hexadecimal, 214 the hold time, 215 the allowance.
inline constexpr int TableFileLineCount = SlotCount + 2;

// Writes the whole table. The file is replaced atomically: a save that fails
// part-way leaves the previous file whole. Returns whether it succeeded.
bool saveIdCodeTable(const QString &path, const IdCodeTable &table);

// What sets a file apart from a well-formed table file: 215 lines, each its
// line number in decimal digits, one comma and a value that reads back as
// written (lines 1..213 an ID of one to seven hexadecimal digits, line 214
// the hold time 1..99 and line 215 the allowance 1..4 in decimal digits).
enum class TableFileFault {
    None,
    LineCount, // the file does not have 215 lines
    LineNumber, // a line does not start with its own number
    Value, // a line holds no value, more than one, or one its line cannot hold
};

// The first fault of a file: the line count when it is not 215, else the
// first line at fault.
struct TableFileCheck
{
    TableFileFault fault = TableFileFault::None;
    int line = 0; // the line at fault, from 1 (LineNumber, Value)
    int lineCount = 0; // the lines the file holds

    bool isWellFormed() const { return fault == TableFileFault::None; }
    bool operator==(const TableFileCheck &) const = default;
};

// How much of a file a load takes.
enum class TableFileStrictness {
    Lenient, // whatever each line gives, line by line (the window's loads)
    Strict, // a well-formed table file only; any other leaves the table alone
};

enum class LoadOutcome {
    Loaded, // read up to its end, its 215th line, or a line 214/215 that is no number
    CannotOpen, // the file is missing or could not be opened or read; the table is unchanged
    NotATable, // Strict: the file is not a well-formed table file; the table is unchanged
};

// Reads the file into the table, and into *check (when given) what sets it
// apart from a well-formed table file. Lenient: slots and parameters the
// file does not reach keep their values. A line's position alone decides its
// slot; a line without a second field keeps its slot, and on lines 214/215 a
// value that is no number (or none) ends the load there. CR LF, LF and CR
// all end a line; a line is read up to 4 KiB and the rest skipped. A file
// that is missing or cannot be read gives CannotOpen with the table
// untouched. Does not touch Modified.
LoadOutcome loadIdCodeTable(const QString &path, IdCodeTable &table,
    TableFileStrictness strictness = TableFileStrictness::Lenient, TableFileCheck *check = nullptr);

// Whether a save to path can start: the folder takes a new file and a file
// already there may be replaced. Leaves nothing behind. The save itself can
// still fail (a full disk).
bool canSaveIdCodeTable(const QString &path);

// Field n (from 1) of a comma-separated line. Returns false, leaving field
// unchanged, when the line has no such field.
bool csvField(QStringView line, int n, QString &field);

// The program-folder file names.
QString tableFilePath(const QString &programDir); // programDir + "/IdCodeTable.csv"
QString settingsFilePath(const QString &programDir); // programDir + "/Kalvidor.ini"

} // namespace kalvidor
