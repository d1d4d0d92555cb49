#include "leadingnumber.h"

#include <QString>

#include <charconv>
#include <cmath>
#include <limits>

namespace kalvidor {

namespace {

double readRadixDigits(const QString &s, qsizetype pos, int radix)
{
    double value = 0;
    for (; pos < s.size(); ++pos) {
        const int d = digitValue(s.at(pos), radix);
        if (d < 0)
            break;
        value = value * radix + d;
    }
    return value;
}

bool isDecimalDigit(QChar c)
{
    return digitValue(c, 10) >= 0;
}

template <typename Int> std::optional<Int> toIntIfInRange(double v)
{
    if (!std::isfinite(v) || v < double(std::numeric_limits<Int>::min())
        || v > double(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(v);
}

} // namespace

int digitValue(QChar c, int radix)
{
    const char16_t u = c.unicode();
    int d = -1;
    if (u >= u'0' && u <= u'9')
        d = u - u'0';
    else if (u >= u'a' && u <= u'f')
        d = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        d = u - u'A' + 10;
    return d < radix ? d : -1;
}

qsizetype decimalNumberLength(QStringView s)
{
    // [sign] digits [. digits] [(E|D) [sign] digits]
    qsizetype i = 0;
    if (i < s.size() && (s.at(i) == u'+' || s.at(i) == u'-'))
        ++i;
    qsizetype mantissaDigits = 0;
    while (i < s.size() && isDecimalDigit(s.at(i))) {
        ++i;
        ++mantissaDigits;
    }
    if (i < s.size() && s.at(i) == u'.') {
        ++i;
        while (i < s.size() && isDecimalDigit(s.at(i))) {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return 0;
    qsizetype end = i;
    if (i < s.size() && (s.at(i).toUpper() == u'E' || s.at(i).toUpper() == u'D')) {
        qsizetype j = i + 1;
        if (j < s.size() && (s.at(j) == u'+' || s.at(j) == u'-'))
            ++j;
        const qsizetype exponentStart = j;
        while (j < s.size() && isDecimalDigit(s.at(j)))
            ++j;
        if (j > exponentStart)
            end = j;
    }
    return end;
}

double leadingNumber(QStringView text)
{
    QString s;
    s.reserve(text.size());
    for (QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n')
            s.append(c);
    }

    if (s.size() >= 2 && s.at(0) == u'&') {
        const QChar p = s.at(1).toUpper();
        if (p == u'H')
            return readRadixDigits(s, 2, 16);
        if (p == u'O')
            return readRadixDigits(s, 2, 8);
        return 0;
    }

    const qsizetype end = decimalNumberLength(s);
    if (end == 0)
        return 0;

    QByteArray number = s.left(end).toLatin1();
    bool negativeExponent = false;
    for (qsizetype k = 0; k < number.size(); ++k) {
        // from_chars reads "D" exponents only as "E".
        if (number[k] == 'd' || number[k] == 'D')
            number[k] = 'E';
        if (number[k] == 'E' && k + 1 < number.size() && number[k + 1] == '-')
            negativeExponent = true;
    }
    const char *first = number.constData();
    if (*first == '+')
        ++first; // from_chars takes no plus sign
    double value = 0;
    // from_chars is locale independent, unlike strtod under a user locale.
    const auto [ptr, ec] = std::from_chars(first, number.constData() + number.size(), value);
    Q_UNUSED(ptr);
    if (ec == std::errc::result_out_of_range) {
        if (negativeExponent)
            return 0;
        return number.startsWith('-') ? -std::numeric_limits<double>::infinity()
                                      : std::numeric_limits<double>::infinity();
    }
    return value;
}

std::optional<qint32> roundHalfEvenToInt32(double value)
{
    return toIntIfInRange<qint32>(std::nearbyint(value));
}

std::optional<qint16> roundHalfEvenToInt16(double value)
{
    return toIntIfInRange<qint16>(std::nearbyint(value));
}

std::optional<qint16> floorToInt16(double value)
{
    return toIntIfInRange<qint16>(std::floor(value));
}

int floorClamped(double value, int low, int high)
{
    if (std::isnan(value))
        return low;
    const double f = std::floor(value);
    if (f < low)
        return low;
    if (f > high)
        return high;
    return static_cast<int>(f);
}

} // namespace kalvidor
