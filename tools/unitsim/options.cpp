#include "options.h"
#include "protocol.h"

#include <charconv>
#include <functional>
#include <limits>

namespace kalvidor::unitsim {

namespace {

template <typename T> bool parseInteger(std::string_view text, T &out, int base = 10)
{
    if (text.empty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out, base);
    return ec == std::errc() && end == text.data() + text.size();
}

bool parseRange(std::string_view text, int min, int max, int &out)
{
    return parseInteger(text, out) && out >= min && out <= max;
}

// "SLOT=REST" with SLOT a valid slot number.
bool parseSlotAssignment(std::string_view text, int &slot, std::string &rest)
{
    const auto eq = text.find('=');
    if (eq == std::string_view::npos || !parseRange(text.substr(0, eq), 0, LastSlot, slot))
        return false;
    rest = std::string(text.substr(eq + 1));
    return true;
}

} // namespace

const char *usageText()
{
    return R"(usage: kalvidor-unit-sim (--pty PATH | --device DEV) [options]

Plays the alarm unit on a serial line at 38400 bit/s, 8N1. Prints "READY <path>"
on stdout once the line is open. SIGUSR1 sends the banner again; SIGINT or SIGTERM
end the simulator and remove the symlink.

Line:
  --pty PATH            create a pseudo-terminal and a symlink PATH to it
  --device DEV          open an existing serial device instead
  --log FILE            append every command line received to FILE, after a line
                        "--- session YYYY-MM-DD HH:MM:SS ---" at each start
  --verbose             echo commands and replies to stderr
Unit state:
  --state FILE          keep the unit's memory in FILE: load it at start (a missing
                        file is an empty unit) and save it after each change; the
                        options below are applied on top of it
  --set SLOT=HEX        preset a slot as it reads back (slot 0 whole, others low 16 bits)
  --hold N              preset the hold time (default 2)
  --allowance N         preset the operator allowance (default 1)
  --banner TEXT         send TEXT + CR at start and on SIGUSR1
Faults:
  --silent              never answer
  --refuse-sid N        answer "NG" to SID of slot N (repeatable)
  --refuse-rid N        answer "N" to RID of slot N (repeatable)
  --silent-sid N        no answer to SID of slot N (repeatable)
  --silent-rid N        no answer to RID of slot N (repeatable)
  --answer-rid N=TEXT   answer TEXT to RID of slot N (repeatable)
  --answer-sid N=TEXT   answer TEXT to SID of slot N and store nothing (repeatable)
  --store-instead N=HEX acknowledge SID of slot N with "OK" but store HEX,
                        as a faulty unit or a garbled line would (repeatable)
  --refuse-stm, --refuse-snm     answer "NG"
  --refuse-rtm, --refuse-rnm     answer "N"
  --silent-stm, --silent-snm, --silent-rtm, --silent-rnm   no answer
  --split               send each reply one byte at a time
  --split-pause MS      pause between the bytes of a split reply (default 20)
  --crlf                end replies with CR LF instead of CR
  --lowercase-ok        answer "ok" instead of "OK"
  --delay MS            wait MS before each reply
  --delay-line LINE=MS  wait MS before the reply to the command line LINE
                        (without CR, e.g. "RID 00=300"); overrides --delay
  --pace                send no faster than 38400 bit/s (10 bits per byte)
  --garbage N           send N random bytes (never CR) at start
  --stream-garbage      after the first command, stream random bytes (never CR)
                        at the wire rate until stopped
  --hangup-after N      log the Nth command line but do not answer it: close the
                        line at once (the application's port sees it vanish) and
                        remove the symlink
  --reopen-after MS     after a hang-up, open a fresh pseudo-terminal after MS,
                        point the symlink at it, print "REOPENED <path>" and send
                        the banner again; the unit keeps its state
  --seed N              seed of the random bytes (default 1)

Commands end with CR; LF is ignored. Replies end with CR (--crlf: CR LF):
  "SID sss,vvvvvvvvv"   "OK"; slot 3 digits, value "-"? and 9 digits (more only
                        when the number needs them); slots 1..212 take -65535..65535
                        and keep the low 16 bits
  "RID nn"              the slot's value in decimal; 2 digits, 3 for slots 100..212;
                        slots 1..212 read back with the upper 16 bits of slot 0
  "STM nn", "SNM nn"    "OK"; "-"? and 2 digits (more only when needed), 16-bit
  "RTM", "RNM"          the value in decimal
Anything else, a slot above 212, a badly padded number or a line longer than 256
bytes is answered "NG" (and logged; an overlong line as "[discarded: ...]").
)";
}

ParseResult parseOptions(const std::vector<std::string> &args)
{
    ParseResult result;
    Options o;

    // Handlers of options that take a value; they return false on a bad value.
    using ValueHandler = std::function<bool(std::string_view)>;
    const auto intInto = [](int &target, int min, int max) -> ValueHandler {
        return [&target, min, max](std::string_view v) { return parseRange(v, min, max, target); };
    };
    const auto slotInto = [](std::set<int> &target) -> ValueHandler {
        return [&target](std::string_view v) {
            int slot = 0;
            if (!parseRange(v, 0, LastSlot, slot))
                return false;
            target.insert(slot);
            return true;
        };
    };
    const auto int16Into = [](std::optional<std::int16_t> &target) -> ValueHandler {
        return [&target](std::string_view v) {
            std::int16_t n = 0;
            if (!parseInteger(v, n))
                return false;
            target = n;
            return true;
        };
    };
    // SLOT=HEX: a slot's value, up to eight hexadecimal digits.
    const auto slotValueInto = [](std::map<int, std::int32_t> &target) -> ValueHandler {
        return [&target](std::string_view v) {
            int slot = 0;
            std::string hex;
            std::uint32_t value = 0;
            if (!parseSlotAssignment(v, slot, hex) || hex.size() > 8
                || !parseInteger(std::string_view(hex), value, 16))
                return false;
            target[slot] = static_cast<std::int32_t>(value);
            return true;
        };
    };
    // SLOT=TEXT: a reply line for a slot (no CR: the simulator ends it).
    const auto slotReplyInto = [](std::map<int, std::string> &target) -> ValueHandler {
        return [&target](std::string_view v) {
            int slot = 0;
            std::string text;
            if (!parseSlotAssignment(v, slot, text) || text.find('\r') != std::string::npos)
                return false;
            target[slot] = text;
            return true;
        };
    };
    constexpr int maxMs = 24 * 3600 * 1000;
    const std::map<std::string, ValueHandler, std::less<>> valueOptions = {
        { "--pty",
            [&](std::string_view v) {
                o.ptyPath = v;
                o.device.clear();
                return !v.empty();
            } },
        { "--device",
            [&](std::string_view v) {
                o.device = v;
                o.ptyPath.clear();
                return !v.empty();
            } },
        { "--log",
            [&](std::string_view v) {
                o.logPath = v;
                return !v.empty();
            } },
        { "--state",
            [&](std::string_view v) {
                o.statePath = v;
                return !v.empty();
            } },
        { "--banner",
            [&](std::string_view v) {
                o.banner = std::string(v);
                return true;
            } },
        { "--set", slotValueInto(o.presets) },
        { "--hold", int16Into(o.holdTime) },
        { "--allowance", int16Into(o.allowance) },
        { "--refuse-sid", slotInto(o.refuseSid) },
        { "--refuse-rid", slotInto(o.refuseRid) },
        { "--silent-sid", slotInto(o.silentSid) },
        { "--silent-rid", slotInto(o.silentRid) },
        { "--answer-rid", slotReplyInto(o.answerRid) },
        { "--answer-sid", slotReplyInto(o.answerSid) },
        { "--store-instead", slotValueInto(o.storeInstead) },
        { "--split-pause", intInto(o.splitPauseMs, 0, maxMs) },
        { "--delay", intInto(o.delayMs, 0, maxMs) },
        { "--delay-line",
            [&](std::string_view v) {
                const auto eq = v.rfind('=');
                int ms = 0;
                if (eq == std::string_view::npos || eq == 0 || !parseInteger(v.substr(eq + 1), ms)
                    || ms < 0 || ms > maxMs)
                    return false;
                o.lineDelays[std::string(v.substr(0, eq))] = ms;
                return true;
            } },
        { "--garbage", intInto(o.garbage, 0, 1 << 24) },
        { "--hangup-after", intInto(o.hangupAfter, 1, std::numeric_limits<int>::max()) },
        { "--reopen-after", intInto(o.reopenAfterMs, 0, maxMs) },
        { "--seed", [&](std::string_view v) { return parseInteger(v, o.seed); } },
    };
    const std::map<std::string, bool *, std::less<>> flagOptions = {
        { "--verbose", &o.verbose },
        { "--silent", &o.silent },
        { "--refuse-stm", &o.refuseStm },
        { "--refuse-snm", &o.refuseSnm },
        { "--refuse-rtm", &o.refuseRtm },
        { "--refuse-rnm", &o.refuseRnm },
        { "--silent-stm", &o.silentStm },
        { "--silent-snm", &o.silentSnm },
        { "--silent-rtm", &o.silentRtm },
        { "--silent-rnm", &o.silentRnm },
        { "--split", &o.split },
        { "--crlf", &o.crlf },
        { "--lowercase-ok", &o.lowercaseOk },
        { "--pace", &o.pace },
        { "--stream-garbage", &o.streamGarbage },
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (arg == "-h" || arg == "--help") {
            result.help = true;
            return result;
        }
        if (const auto flag = flagOptions.find(arg); flag != flagOptions.end()) {
            *flag->second = true;
            continue;
        }
        // Accept both "--name value" and "--name=value".
        std::string_view name = arg;
        std::optional<std::string_view> value;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        const auto handler = valueOptions.find(name);
        if (handler == valueOptions.end()) {
            result.error = "unknown option: " + std::string(arg);
            return result;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                result.error = "missing value for " + std::string(name);
                return result;
            }
            value = args[++i];
        }
        if (!handler->second(*value)) {
            result.error = "bad value for " + std::string(name) + ": " + std::string(*value);
            return result;
        }
    }
    if (o.ptyPath.empty() && o.device.empty()) {
        result.error = "either --pty PATH or --device DEV is needed";
        return result;
    }
    result.options = std::move(o);
    return result;
}

} // namespace kalvidor::unitsim
