#pragma once

#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace kalvidor {

// The value of c as a digit of the radix (2 to 16, letters in either case),
// or -1 when it is none. Every reader of decimal and hexadecimal digits in
// the program reads them through this.
int digitValue(QChar c, int radix);

// The length of the longest start of text that reads as a decimal number: an
// optional sign, digits with at most one decimal point (one digit at least),
// and an optional exponent (E or D, optional sign, digits). 0 when no start
// of text does.
qsizetype decimalNumberLength(QStringView text);

// The numeric value at the start of a text, as a real number.
// Spaces, tabs and line feeds are removed first; then the longest beginning
// that reads as a number is taken: an optional sign, decimal digits with at
// most one decimal point, and an optional exponent (E or D, optional sign,
// digits). "&H" and "&O" introduce hexadecimal and octal digits instead.
// No number at all gives 0. A value too large for a double gives +/-infinity,
// which every conversion below treats as out of range.
double leadingNumber(QStringView text);

// Conversions of a leadingNumber() result to the integer widths the program
// stores. Each gives no value when the result lies outside the target range.
std::optional<qint32> roundHalfEvenToInt32(double value);
std::optional<qint16> roundHalfEvenToInt16(double value);
std::optional<qint16> floorToInt16(double value);

// floor(value) clamped to [low, high]; infinities clamp too.
int floorClamped(double value, int low, int high);

} // namespace kalvidor
