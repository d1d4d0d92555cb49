#include "identry.h"

#include "table/idcodetable.h"

#include <limits>

namespace kalvidor {

QString normalizedBaseIdText(QStringView text)
{
    qint32 value = parseHexId(text);
    if (value == -1)
        value = MaxIdValue;
    return idText(value);
}

QString normalizedIdText(QStringView text)
{
    if (text == NoIdMark)
        return text.toString();
    return normalizedBaseIdText(text);
}

bool keepsIdPrefix(QStringView rowText, QStringView baseText)
{
    const qsizetype baseLength = baseText.size();
    if (baseLength <= 4)
        return true;
    const qsizetype n = rowText.size();
    return n == baseLength && rowText.left(n - 4) == baseText.left(baseLength - 4);
}

std::optional<qint32> successorId(qint32 predecessor)
{
    if (predecessor == std::numeric_limits<qint32>::max())
        return std::nullopt;
    return predecessor + 1;
}

} // namespace kalvidor
