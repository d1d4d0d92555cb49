#include "identry.h"

#include "table/idcodetable.h"

#include <limits>

namespace kalvidor {

QString NormalizedBaseIdText(QStringView text)
{
    qint32 value = ParseHexId(text);
    if (value == -1)
        value = MaxIdValue;
    return IdText(value);
}

QString NormalizedIdText(QStringView text)
{
    if (text == NoIdMark)
        return text.toString();
    return NormalizedBaseIdText(text);
}

bool KeepsIdPrefix(QStringView rowText, QStringView baseText)
{
    const qsizetype baseLength = baseText.size();
    if (baseLength <= 4)
        return true;
    const qsizetype n = rowText.size();
    return n == baseLength && rowText.left(n - 4) == baseText.left(baseLength - 4);
}

std::optional<qint32> SuccessorId(qint32 predecessor)
{
    if (predecessor == std::numeric_limits<qint32>::max())
        return std::nullopt;
    return predecessor + 1;
}

} // namespace kalvidor
