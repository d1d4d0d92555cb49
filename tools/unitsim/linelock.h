#pragma once

#include <string>

namespace kalvidor::unitsim {

// Keeps a second simulator off a line that one already plays: two of them
// on one pseudo-terminal path would take the path from each other and share
// one memory file. The simulator holds an exclusive lock for as long as it
// runs, on the file "<path>.lock" beside a pseudo-terminal's symlink (which
// also names the process, for the message), or on a serial device itself.
// The system drops the lock when the process ends, however it ends, so a
// killed simulator leaves nothing that blocks the next one; the lock file
// stays where it is.
class LineLock
{
public:
    LineLock() = default;
    LineLock(const LineLock &) = delete;
    LineLock &operator=(const LineLock &) = delete;
    ~LineLock();

    // Takes the lock for the pseudo-terminal at linkPath, or for the serial
    // device at devicePath. False, with error set, when another process
    // holds it or the lock cannot be taken.
    bool lockPty(const std::string &linkPath, std::string &error);
    bool lockDevice(const std::string &devicePath, std::string &error);

private:
    bool lock(const std::string &linePath, std::string &error);

    int m_fd = -1;
};

} // namespace kalvidor::unitsim
