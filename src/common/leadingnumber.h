#pragma once

#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace kalvidor {

// The numeric value at the start of a text, as a real number.
// Spaces, tabs and line feeds are removed first; then the longest beginning
// that reads as a number is taken: an optional sign, decimal digits with at
// most one decimal point, and an optional exponent (E or D, optional sign,
// digits). "&H" and "&O" introduce hexadecimal and octal digits instead.
// No number at all gives 0. A value too large for a double gives +/-infinity,
// which every conversion below treats as out of range.
double leadingNumber(QStringView text);

// Conversions of a LeadingNumber result to the integer widths the program
// stores. Each gives no value when the result lies outside the target range.
std::optional<qint32> roundHalfEvenToInt32(double value);
std::optional<qint16> roundHalfEvenToInt16(double value);
std::optional<qint16> floorToInt16(double value);

// floor(value) clamped to [low, high]; infinities clamp too.
int floorClamped(double value, int low, int high);

} // namespace kalvidor
