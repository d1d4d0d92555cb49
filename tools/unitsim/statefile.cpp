#include "statefile.h"
#include "protocol.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace kalvidor::unitsim {

namespace {

std::vector<std::string_view> words(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (true) {
        pos = line.find_first_not_of(" \t\r", pos);
        if (pos == std::string_view::npos)
            return out;
        const std::size_t end = std::min(line.find_first_of(" \t\r", pos), line.size());
        out.push_back(line.substr(pos, end - pos));
        pos = end;
    }
}

template <typename T> bool parseNumber(std::string_view text, T &out)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// Applies one entry; false when the line is not one.
bool applyEntry(const std::vector<std::string_view> &w, UnitState &unit)
{
    if (w.size() == 3 && w[0] == "slot") {
        int slot = 0;
        std::int32_t value = 0;
        if (!parseNumber(w[1], slot) || slot < 0 || slot > LastSlot || !parseNumber(w[2], value))
            return false;
        unit.writeSlot(slot, value);
        return true;
    }
    if (w.size() == 2 && (w[0] == "hold" || w[0] == "allowance")) {
        std::int16_t value = 0;
        if (!parseNumber(w[1], value))
            return false;
        (w[0] == "hold" ? unit.holdTime : unit.allowance) = value;
        return true;
    }
    return false;
}

bool writeAll(int fd, const std::string &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool loadUnitState(const std::string &path, UnitState &unit, std::string &error)
{
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (errno == ENOENT)
            return true; // a unit that was never written
        error = path + ": " + std::strerror(errno);
        return false;
    }
    // Entries go into a copy first, so that a bad line changes nothing.
    UnitState loaded = unit;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        const auto w = words(line);
        if (w.empty() || w[0].front() == '#')
            continue;
        if (!applyEntry(w, loaded)) {
            error = path + ": line " + std::to_string(number) + " is not an entry: " + line;
            return false;
        }
    }
    if (file.bad()) {
        error = path + ": cannot be read";
        return false;
    }
    unit = loaded;
    return true;
}

bool saveUnitState(const std::string &path, const UnitState &unit, std::string &error)
{
    std::string text = "# The unit's memory, kept by kalvidor-unit-sim --state\n";
    for (int slot = 0; slot < SlotCount; ++slot)
        text += "slot " + std::to_string(slot) + ' ' + std::to_string(unit.readSlot(slot)) + '\n';
    text += "hold " + std::to_string(unit.holdTime) + '\n';
    text += "allowance " + std::to_string(unit.allowance) + '\n';

    // No fsync: the rename protects against a simulator that is stopped or
    // killed, which is what happens to it; a power cut may lose the last
    // change, and a development tool need not pay a disk flush per command.
    const std::string temporary = path + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = temporary + ": " + std::strerror(errno);
        return false;
    }
    const bool written = writeAll(fd, text);
    const int savedErrno = errno;
    if (::close(fd) != 0 || !written) {
        error = temporary + ": " + std::strerror(written ? errno : savedErrno);
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace kalvidor::unitsim
