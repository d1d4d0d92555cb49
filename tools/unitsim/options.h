#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kalvidor::unitsim {

// Everything the command line can set. Scalars given twice take the later
// value, so a wrapper's defaults can be overridden by arguments appended after
// them; set-valued options accumulate.
struct Options
{
    // The line: exactly one of these is set.
    std::string ptyPath; // symlink to create, pointing at a fresh pseudo-terminal
    std::string device; // existing serial device to open instead

    std::string logPath; // every command line received, one per line
    std::string statePath; // the unit's memory, loaded at start and saved after each change
    bool verbose = false; // echo traffic to stderr

    // Unit state presets (value as the unit reads it back).
    std::map<int, std::int32_t> presets;
    std::optional<std::int16_t> holdTime;
    std::optional<std::int16_t> allowance;

    std::optional<std::string> banner;

    // Faults.
    bool silent = false;
    std::set<int> refuseSid; // answer "NG" to SID of these slots
    std::set<int> refuseRid; // answer "N" to RID of these slots
    std::set<int> silentSid;
    std::set<int> silentRid;
    std::map<int, std::string> answerRid; // reply text instead of the value
    std::map<int, std::string> answerSid; // reply text instead of "OK"; nothing stored
    std::map<int, std::int32_t> storeInstead; // SID acknowledged "OK", this value stored
    bool refuseStm = false, refuseSnm = false, refuseRtm = false, refuseRnm = false;
    bool silentStm = false, silentSnm = false, silentRtm = false, silentRnm = false;
    bool split = false;
    int splitPauseMs = 20;
    bool crlf = false;
    bool lowercaseOk = false;
    int delayMs = 0;
    std::map<std::string, int> lineDelays; // command line (without CR) -> ms before its reply
    bool pace = false;
    int garbage = 0;
    bool streamGarbage = false;
    int hangupAfter = 0; // 0: never
    int reopenAfterMs = -1; // -1: never
    std::uint32_t seed = 1;
};

struct ParseResult
{
    std::optional<Options> options; // empty on error or --help
    std::string error; // set on error
    bool help = false;
};

ParseResult parseOptions(const std::vector<std::string> &args);

const char *usageText();

} // namespace kalvidor::unitsim
