#include "idcodetable.h"

#include "common/leadingnumber.h"
#include "table/identry.h"

#include <algorithm>

namespace kalvidor {

qint32 parseHexId(QStringView text)
{
    if (text.size() >= 8)
        return -1;
    qint32 value = 0;
    for (QChar c : text) {
        // Anything that is no hexadecimal digit counts as 0.
        const int digit = std::max(0, digitValue(c, 16));
        value = value * 16 + digit; // seven digits at most: no overflow
    }
    return value;
}

QString idText(qint32 value)
{
    return QString::number(static_cast<quint32>(value), 16).toUpper();
}

QString rowText(const IdCodeTable &table, int slot)
{
    if (table.isEmptySlot(slot))
        return NoIdMark.toString();
    return idText(table.ids[slot]);
}

void resetTableToDefaults(IdCodeTable &table)
{
    table.ids.fill(DefaultBaseId);
    table.holdTime = DefaultHoldTime;
    table.operatorAllowance = DefaultOperatorAllowance;
}

void clearTableKeepingBasePrefix(IdCodeTable &table, QStringView baseText)
{
    const qint32 parsed = parseHexId(baseText);
    // floor(value / 65536) * 65536, also for -1: clearing the low 16 bits.
    const qint32 base = static_cast<qint32>(static_cast<quint32>(parsed) & 0xFFFF0000u);
    table.ids.fill(base);
    table.holdTime = DefaultHoldTime;
    table.operatorAllowance = DefaultOperatorAllowance;
}

WindowTexts shownTexts(const IdCodeTable &table, ScrollOffsets offsets)
{
    WindowTexts texts;
    texts.base = normalizedBaseIdText(idText(table.ids[0]));
    const auto showRows = [&](IdList list, int offset) {
        auto &rows = texts.list(list);
        for (int r = 0; r < RowsPerList; ++r)
            rows[r] = normalizedIdText(rowText(table, slotOfRow(list, offset, r)));
    };
    showRows(IdList::Operators, offsets.operators);
    showRows(IdList::Drivers, 0);
    showRows(IdList::HeavyMachines, offsets.heavyMachines);
    showRows(IdList::Vehicles, offsets.vehicles);
    texts.holdTime = QString::number(table.holdTime);
    texts.allowance = QString::number(table.operatorAllowance);
    return texts;
}

std::optional<qint16> parseParameter(QStringView text, UnitParameter parameter)
{
    const std::optional<qint16> n = floorToInt16(leadingNumber(text));
    if (!n || !inRange(parameter, *n))
        return std::nullopt;
    return n;
}

GatherResult gatherTexts(IdCodeTable &table, const WindowTexts &texts, ScrollOffsets offsets)
{
    const qint32 oldBase = table.ids[0];
    const qint32 newBase = parseHexId(texts.base);
    table.ids[0] = newBase;
    if (newBase != oldBase) {
        for (int slot = 1; slot < SlotCount; ++slot) {
            if (table.ids[slot] == oldBase)
                table.ids[slot] = newBase;
        }
    }

    const auto takeRows = [&](IdList list, int offset) {
        const auto &rows = texts.list(list);
        for (int r = 0; r < RowsPerList; ++r) {
            const int slot = slotOfRow(list, offset, r);
            table.ids[slot] = rows[r] == NoIdMark ? newBase : parseHexId(rows[r]);
        }
    };
    takeRows(IdList::Operators, offsets.operators);
    takeRows(IdList::Drivers, 0);
    takeRows(IdList::HeavyMachines, offsets.heavyMachines);
    takeRows(IdList::Vehicles, offsets.vehicles);

    GatherResult result;
    if (const auto hold = parseParameter(texts.holdTime, UnitParameter::HoldTime))
        table.holdTime = *hold;
    else
        result.holdTimeRejected = true;
    if (const auto allowance = parseParameter(texts.allowance, UnitParameter::OperatorAllowance))
        table.operatorAllowance = *allowance;
    else
        result.allowanceRejected = true;
    return result;
}

} // namespace kalvidor
