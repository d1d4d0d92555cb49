#include "protocol.h"
#include "options.h"

#include <limits>

namespace kalvidor::unitsim {

namespace {

constexpr std::int32_t DefaultId = 0x2800000;

// A decimal number zero-padded to at least `width` digits, as the application
// formats it: an optional minus sign (only if signed), then the digits. A
// number longer than the width must not start with a zero, since that zero
// would be padding the application never adds.
std::optional<std::int64_t> parsePadded(std::string_view text, std::size_t width, bool allowSign)
{
    bool negative = false;
    if (allowSign && !text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.size() < width || text.size() > 18)
        return std::nullopt;
    if (text.size() > width && text.front() == '0')
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative && value == 0)
        return std::nullopt;
    return negative ? -value : value;
}

bool inRange(std::int64_t value, std::int64_t min, std::int64_t max)
{
    return value >= min && value <= max;
}

} // namespace

std::optional<Command> parseCommand(std::string_view line)
{
    if (line == "RTM")
        return Command { CommandKind::Rtm };
    if (line == "RNM")
        return Command { CommandKind::Rnm };
    if (line.size() < 4 || line[3] != ' ')
        return std::nullopt;
    const std::string_view word = line.substr(0, 3);
    const std::string_view argument = line.substr(4);

    if (word == "SID") {
        const auto comma = argument.find(',');
        if (comma == std::string_view::npos)
            return std::nullopt;
        const auto slot = parsePadded(argument.substr(0, comma), 3, false);
        const auto value = parsePadded(argument.substr(comma + 1), 9, true);
        if (!slot || !value || *slot > LastSlot)
            return std::nullopt;
        const bool fits = *slot == 0 ? inRange(*value, std::numeric_limits<std::int32_t>::min(),
                              std::numeric_limits<std::int32_t>::max())
                                     : inRange(*value, -65535, 65535);
        if (!fits)
            return std::nullopt;
        return Command { CommandKind::Sid, static_cast<int>(*slot),
            static_cast<std::int32_t>(*value) };
    }
    if (word == "RID") {
        const auto slot = parsePadded(argument, 2, false);
        if (!slot || *slot > LastSlot)
            return std::nullopt;
        return Command { CommandKind::Rid, static_cast<int>(*slot) };
    }
    if (word == "STM" || word == "SNM") {
        const auto value = parsePadded(argument, 2, true);
        if (!value
            || !inRange(*value, std::numeric_limits<std::int16_t>::min(),
                std::numeric_limits<std::int16_t>::max()))
            return std::nullopt;
        return Command { word == "STM" ? CommandKind::Stm : CommandKind::Snm, 0,
            static_cast<std::int32_t>(*value) };
    }
    return std::nullopt;
}

UnitState::UnitState()
{
    m_ids.fill(0);
    m_ids[0] = DefaultId;
}

void UnitState::writeSlot(int slot, std::int32_t value)
{
    // Low 16 bits of a negative remainder are its two's complement, as the
    // unit's 16-bit register would hold it.
    m_ids[slot] = slot == 0
        ? value
        : static_cast<std::int32_t>(static_cast<std::uint32_t>(value) & 0xFFFFu);
}

std::int32_t UnitState::readSlot(int slot) const
{
    if (slot == 0)
        return m_ids[0];
    const auto upper = static_cast<std::uint32_t>(m_ids[0]) & 0xFFFF0000u;
    return static_cast<std::int32_t>(upper | static_cast<std::uint32_t>(m_ids[slot]));
}

Reply respond(UnitState &unit, const Options &options, std::string_view line)
{
    const auto ok = [&] { return Reply { false, options.lowercaseOk ? "ok" : "OK" }; };
    const Reply silent { true, {} };
    const Reply ng { false, "NG" };
    const Reply no { false, "N" };

    if (options.silent)
        return silent;
    const auto command = parseCommand(line);
    if (!command)
        return ng;
    switch (command->kind) {
    case CommandKind::Sid:
        if (options.silentSid.contains(command->slot))
            return silent;
        if (options.refuseSid.contains(command->slot))
            return ng;
        if (const auto answer = options.answerSid.find(command->slot);
            answer != options.answerSid.end())
            return { false, answer->second };
        if (const auto other = options.storeInstead.find(command->slot);
            other != options.storeInstead.end()) {
            unit.writeSlot(command->slot, other->second);
            return ok();
        }
        unit.writeSlot(command->slot, command->value);
        return ok();
    case CommandKind::Rid:
        if (options.silentRid.contains(command->slot))
            return silent;
        if (options.refuseRid.contains(command->slot))
            return no;
        if (const auto answer = options.answerRid.find(command->slot);
            answer != options.answerRid.end())
            return { false, answer->second };
        return { false, std::to_string(unit.readSlot(command->slot)) };
    case CommandKind::Stm:
    case CommandKind::Snm: {
        const bool hold = command->kind == CommandKind::Stm;
        if (hold ? options.silentStm : options.silentSnm)
            return silent;
        if (hold ? options.refuseStm : options.refuseSnm)
            return ng;
        (hold ? unit.holdTime : unit.allowance) = static_cast<std::int16_t>(command->value);
        return ok();
    }
    case CommandKind::Rtm:
    case CommandKind::Rnm: {
        const bool hold = command->kind == CommandKind::Rtm;
        if (hold ? options.silentRtm : options.silentRnm)
            return silent;
        if (hold ? options.refuseRtm : options.refuseRnm)
            return no;
        return { false, std::to_string(hold ? unit.holdTime : unit.allowance) };
    }
    }
    return ng;
}

} // namespace kalvidor::unitsim
