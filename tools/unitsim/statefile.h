#pragma once

#include <string>

namespace kalvidor::unitsim {

class UnitState;

// The unit's memory kept in a text file between runs, as a real unit keeps it
// while switched off. One entry a line, values in decimal as the unit reads
// them back:
//
//     slot 0 41943040
//     slot 1 41943041
//     ...
//     hold 2
//     allowance 1
//
// Lines starting with '#' and empty lines are skipped; an entry the file does
// not have keeps its current value.

// A missing file leaves the unit as it is and counts as loaded. False with
// error set (naming the line) when the file cannot be read or holds a line
// that is not an entry.
bool loadUnitState(const std::string &path, UnitState &unit, std::string &error);

// Writes every entry to a temporary file beside path and renames it over
// path, so that a reader, or a simulator stopped half-way, never sees half a
// file.
bool saveUnitState(const std::string &path, const UnitState &unit, std::string &error);

} // namespace kalvidor::unitsim
