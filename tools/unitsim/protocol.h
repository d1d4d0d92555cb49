#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kalvidor::unitsim {

struct Options;

inline constexpr int SlotCount = 213;
inline constexpr int LastSlot = SlotCount - 1;

enum class CommandKind { Sid, Rid, Stm, Snm, Rtm, Rnm };

struct Command
{
    CommandKind kind = CommandKind::Rtm;
    int slot = 0; // SID, RID
    std::int32_t value = 0; // SID, STM, SNM
};

// Reads one command line (without its CR). Only the exact forms the
// application sends are accepted; anything else gives no command:
//   "SID " slot "," value   slot 3 digits; value an optional "-" and 9 digits,
//                           more only when the number needs them; slot 0 any
//                           32-bit value, slots 1..212 within -65535..65535
//                           (the application reduces them modulo 65536)
//   "RID " slot             2 digits, 3 only for slots 100..212
//   "STM " / "SNM " value   an optional "-" and 2 digits, more only when the
//                           number needs them; within the 16-bit range
//   "RTM" / "RNM"           nothing else on the line
// No blanks besides the one after the command word, no lower case, no "-0".
std::optional<Command> parseCommand(std::string_view line);

// What the unit stores. Slot 0 is kept whole; slots 1..212 keep only the low
// 16 bits of what they were sent and read back joined to the upper 16 bits of
// slot 0, so a table written with the usual base reads back unchanged.
class UnitState
{
public:
    UnitState();

    void writeSlot(int slot, std::int32_t value);
    std::int32_t readSlot(int slot) const;

    std::int16_t holdTime = 2;
    std::int16_t allowance = 1;

    bool operator==(const UnitState &) const = default;

private:
    std::array<std::int32_t, SlotCount> m_ids {};
};

struct Reply
{
    bool silent = false; // no answer at all
    std::string text; // without the line end
};

// Answers one command line, applying the unit's faults from the options.
// A refused write does not change the state.
Reply respond(UnitState &unit, const Options &options, std::string_view line);

} // namespace kalvidor::unitsim
