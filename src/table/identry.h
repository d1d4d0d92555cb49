#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace kalvidor {

// The text a list row is rewritten to on every change: the no-ID mark stays,
// anything else becomes its ID in normal form (an unreadable eight-character
// text becomes FFFFFFF).
QString normalizedIdText(QStringView text);

// The same for the base field, which never keeps the no-ID mark.
QString normalizedBaseIdText(QStringView text);

// Whether a row keeps its text when it loses the focus: with a base ID of
// five or more characters, only a row of the same length that agrees with the
// base in all but the last four characters does; otherwise it becomes empty.
bool keepsIdPrefix(QStringView rowText, QStringView baseText);

// The ID F1 and F2 write after a predecessor; none when it cannot be
// incremented (the predecessor is the largest 32-bit value).
std::optional<qint32> successorId(qint32 predecessor);

} // namespace kalvidor
