#include "linelock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kalvidor::unitsim {

namespace {

std::string systemError(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

// The process number a lock file names, or an empty text.
std::string namedProcess(int fd)
{
    char text[32] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    std::string pid(text, n > 0 ? static_cast<std::size_t>(n) : 0);
    pid = pid.substr(0, pid.find('\n'));
    return pid.find_first_not_of("0123456789") == std::string::npos ? pid : std::string();
}

} // namespace

LineLock::~LineLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // drops the lock
}

bool LineLock::lockPty(const std::string &linkPath, std::string &error)
{
    const std::string path = linkPath + ".lock";
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        error = systemError("open " + path);
        return false;
    }
    if (!lock(linkPath, error))
        return false;
    // Named for the message a later start gives.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(m_fd, 0) != 0
        || ::pwrite(m_fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
        error = systemError("write " + path);
        return false;
    }
    return true;
}

bool LineLock::lockDevice(const std::string &devicePath, std::string &error)
{
    m_fd = ::open(devicePath.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        error = systemError("open " + devicePath);
        return false;
    }
    return lock(devicePath, error);
}

bool LineLock::lock(const std::string &linePath, std::string &error)
{
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    if (errno != EWOULDBLOCK) {
        error = systemError("lock " + linePath);
        return false;
    }
    const std::string pid = namedProcess(m_fd);
    error = "another simulator" + (pid.empty() ? std::string() : " (process " + pid + ")")
        + " already plays the unit on " + linePath + "; stop it first";
    return false;
}

} // namespace kalvidor::unitsim
