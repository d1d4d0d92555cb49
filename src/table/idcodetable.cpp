#include "idcodetable.h"

#include "common/leadingnumber.h"
#include "table/identry.h"

namespace kalvidor {

qint32 ParseHexId(QStringView text)
{
    if (text.size() >= 8)
        return -1;
    qint32 value = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        int digit = 0;
        if (u >= u'1' && u <= u'9')
            digit = u - u'0';
        else if (u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else if (u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        value = value * 16 + digit; // seven digits at most: no overflow
    }
    return value;
}

QString IdText(qint32 value)
{
    return QString::number(static_cast<quint32>(value), 16).toUpper();
}

QString RowText(const IdCodeTable &table, int slot)
{
    if (table.isEmptySlot(slot))
        return NoIdMark.toString();
    return IdText(table.Ids[slot]);
}

void ResetTableToDefaults(IdCodeTable &table)
{
    table.Ids.fill(DefaultBaseId);
    table.HoldTime = DefaultHoldTime;
    table.OperatorAllowance = DefaultOperatorAllowance;
}

void ClearTableKeepingBasePrefix(IdCodeTable &table, QStringView baseText)
{
    const qint32 parsed = ParseHexId(baseText);
    // floor(value / 65536) * 65536, also for -1: clearing the low 16 bits.
    const qint32 base = static_cast<qint32>(static_cast<quint32>(parsed) & 0xFFFF0000u);
    table.Ids.fill(base);
    table.HoldTime = DefaultHoldTime;
    table.OperatorAllowance = DefaultOperatorAllowance;
}

WindowTexts shownTexts(const IdCodeTable &table, ScrollOffsets offsets)
{
    WindowTexts texts;
    texts.base = NormalizedBaseIdText(IdText(table.Ids[0]));
    const auto showRows = [&](IdList list, int offset) {
        auto &rows = texts.list(list);
        for (int r = 0; r < RowsPerList; ++r)
            rows[r] = NormalizedIdText(RowText(table, slotOfRow(list, offset, r)));
    };
    showRows(IdList::Operators, offsets.operators);
    showRows(IdList::Drivers, 0);
    showRows(IdList::HeavyMachines, offsets.heavyMachines);
    showRows(IdList::Vehicles, offsets.vehicles);
    texts.holdTime = QString::number(table.HoldTime);
    texts.allowance = QString::number(table.OperatorAllowance);
    return texts;
}

std::optional<qint16> ParseParameter(QStringView text, int low, int high)
{
    const std::optional<qint16> n = floorToInt16(LeadingNumber(text));
    if (!n || *n < low || *n > high)
        return std::nullopt;
    return n;
}

GatherResult GatherTexts(IdCodeTable &table, const WindowTexts &texts, ScrollOffsets offsets)
{
    const qint32 oldBase = table.Ids[0];
    const qint32 newBase = ParseHexId(texts.base);
    table.Ids[0] = newBase;
    if (newBase != oldBase) {
        for (int slot = 1; slot < SlotCount; ++slot) {
            if (table.Ids[slot] == oldBase)
                table.Ids[slot] = newBase;
        }
    }

    const auto takeRows = [&](IdList list, int offset) {
        const auto &rows = texts.list(list);
        for (int r = 0; r < RowsPerList; ++r) {
            const int slot = slotOfRow(list, offset, r);
            table.Ids[slot] = rows[r] == NoIdMark ? newBase : ParseHexId(rows[r]);
        }
    };
    takeRows(IdList::Operators, offsets.operators);
    takeRows(IdList::Drivers, 0);
    takeRows(IdList::HeavyMachines, offsets.heavyMachines);
    takeRows(IdList::Vehicles, offsets.vehicles);

    GatherResult result;
    if (const auto hold = ParseParameter(texts.holdTime, MinHoldTime, MaxHoldTime))
        table.HoldTime = *hold;
    else
        result.holdTimeRejected = true;
    if (const auto allowance
        = ParseParameter(texts.allowance, MinOperatorAllowance, MaxOperatorAllowance))
        table.OperatorAllowance = *allowance;
    else
        result.allowanceRejected = true;
    return result;
}

} // namespace kalvidor
