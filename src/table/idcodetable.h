#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <array>
#include <optional>

namespace kalvidor {

inline constexpr int SlotCount = 213; // slot 0 base ID, 1..212 the four lists
inline constexpr int RowsPerList = 12; // rows each list shows at a time
inline constexpr int ListCount = 4;
inline constexpr qint32 DefaultBaseId = 0x2800000;
inline constexpr qint16 DefaultHoldTime = 2;
inline constexpr qint16 DefaultOperatorAllowance = 1;
inline constexpr qint32 MaxIdValue = 0xFFFFFFF; // the largest seven-digit ID
// The ranges the unit accepts for its two parameters.
inline constexpr qint16 MinHoldTime = 1, MaxHoldTime = 99;
inline constexpr qint16 MinOperatorAllowance = 1, MaxOperatorAllowance = 4;

// The unit's two numeric parameters.
enum class UnitParameter {
    HoldTime, // seconds an alarm is held, 1 to 99 (STM, RTM)
    OperatorAllowance, // registered operator tags detected without an alarm, 1 to 4 (SNM, RNM)
};

// Whether the unit accepts value for the parameter: the one check of the
// ranges, for what the window takes, what a file holds and what the unit sends.
constexpr bool inRange(UnitParameter parameter, qint64 value)
{
    return parameter == UnitParameter::HoldTime
        ? value >= MinHoldTime && value <= MaxHoldTime
        : value >= MinOperatorAllowance && value <= MaxOperatorAllowance;
}

// The text a list row shows when its slot holds no ID (U+2015 HORIZONTAL BAR).
inline constexpr QStringView NoIdMark = u"\u2015";

// The four lists, in the order their slots follow one another in the table.
enum class IdList { Operators = 0, Drivers = 1, HeavyMachines = 2, Vehicles = 3 };

// Where a list's entries sit in the table, and how far its rows scroll.
struct IdListInfo
{
    int firstSlot;
    int slotCount;
    int scrollMax; // the highest scroll position: 0 for the drivers, whose twelve rows show at once
};

constexpr IdListInfo idListInfo(IdList list)
{
    // The entries of each list, in table order; the lists follow slot 0.
    constexpr int slotCounts[ListCount] = { 100, 12, 50, 50 };
    int firstSlot = 1;
    for (int l = 0; l < static_cast<int>(list); ++l)
        firstSlot += slotCounts[l];
    const int count = slotCounts[static_cast<int>(list)];
    return { firstSlot, count, count - RowsPerList };
}

constexpr int slotOfRow(IdList list, int offset, int row)
{
    return idListInfo(list).firstSlot + offset + row;
}

struct IdCodeTable
{
    std::array<qint32, SlotCount> ids {};
    qint16 holdTime = 0;
    qint16 operatorAllowance = 0;

    bool isEmptySlot(int slot) const { return slot > 0 && ids[slot] == ids[0]; }
    bool operator==(const IdCodeTable &) const = default;
};

// Reads an ID text: eight or more characters give -1; otherwise each
// character is a hexadecimal digit, and anything else (blanks, "0", the
// no-ID mark) counts as digit 0.
qint32 parseHexId(QStringView text);

// Upper-case hexadecimal without leading zeros; a negative value as the eight
// digits of its 32-bit two's complement.
QString idText(qint32 value);

// What a list row shows for a slot: the no-ID mark when the slot equals slot 0.
QString rowText(const IdCodeTable &table, int slot);

void resetTableToDefaults(IdCodeTable &table);

// The base ID keeps its upper hexadecimal digits and loses its low four;
// every other slot becomes empty; the parameters take their defaults.
void clearTableKeepingBasePrefix(IdCodeTable &table, QStringView baseText);

// The scroll offsets a gather stores the visible rows under.
struct ScrollOffsets
{
    qint16 operators = 0;
    qint16 drivers = 0; // always 0: the drivers do not scroll
    qint16 heavyMachines = 0;
    qint16 vehicles = 0;

    qint16 &of(IdList list)
    {
        switch (list) {
        case IdList::Operators:
            return operators;
        case IdList::Drivers:
            return drivers;
        case IdList::HeavyMachines:
            return heavyMachines;
        case IdList::Vehicles:
            return vehicles;
        }
        return drivers;
    }
    qint16 of(IdList list) const { return const_cast<ScrollOffsets *>(this)->of(list); }
};

// Everything the main window shows, as plain texts: what gatherTexts() reads.
struct WindowTexts
{
    QString base;
    std::array<std::array<QString, RowsPerList>, ListCount> rows; // indexed by IdList
    QString holdTime;
    QString allowance;

    std::array<QString, RowsPerList> &list(IdList l) { return rows[static_cast<int>(l)]; }
    const std::array<QString, RowsPerList> &list(IdList l) const
    {
        return rows[static_cast<int>(l)];
    }
};

struct GatherResult
{
    bool holdTimeRejected = false;
    bool allowanceRejected = false;
};

// Stores the window's texts into the table at the given offsets, then checks
// the two parameters. A rejected parameter keeps its previous value; the
// caller reports it and writes the kept value back into its field.
//
// When the base ID changes, every slot that held the old base value (an
// empty slot, also one scrolled out of view) takes the new one, so that an
// empty slot never turns into a registered ID.
GatherResult gatherTexts(IdCodeTable &table, const WindowTexts &texts, ScrollOffsets offsets);

// The texts the main window's fields hold once it has shown the table with
// its lists at the given offsets: each field as its change handling leaves it
// (an ID text that does not fit in seven digits reads FFFFFFF), the
// parameters in decimal. Gathering them back is what a command that starts
// from the shown table sends.
WindowTexts shownTexts(const IdCodeTable &table, ScrollOffsets offsets);

// floor(leadingNumber(text)) when the parameter's range holds it, else no value.
std::optional<qint16> parseParameter(QStringView text, UnitParameter parameter);

} // namespace kalvidor
