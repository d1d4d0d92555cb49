#include "serialline.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kalvidor::unitsim {

namespace {

std::string systemError(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

bool configureRaw(int fd, std::string &error)
{
    termios tio {};
    if (::tcgetattr(fd, &tio) != 0) {
        error = systemError("tcgetattr");
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | CRTSCTS);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, B38400) != 0 || ::cfsetospeed(&tio, B38400) != 0
        || ::tcsetattr(fd, TCSANOW, &tio) != 0) {
        error = systemError("tcsetattr");
        return false;
    }
    return true;
}

bool makeNonBlocking(int fd, std::string &error)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0
        || ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
        error = systemError("fcntl");
        return false;
    }
    return true;
}

// Points linkPath at target by renaming a fresh symlink over it, so that
// the path never dangles half-way and a stale link is replaced.
bool placeSymlink(const std::string &target, const std::string &linkPath, std::string &error)
{
    struct stat st
    {
    };
    if (::lstat(linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        error = linkPath + " exists and is not a symlink; not replacing it";
        return false;
    }
    const std::string temporary = linkPath + ".tmp" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0) {
        error = systemError("symlink " + linkPath);
        return false;
    }
    if (::rename(temporary.c_str(), linkPath.c_str()) != 0) {
        error = systemError("rename to " + linkPath);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

bool SerialLine::openPty(const std::string &linkPath, std::string &error)
{
    close();
    m_fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_fd < 0) {
        error = systemError("posix_openpt");
        return false;
    }
    const char *name = nullptr;
    if (::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0 || (name = ::ptsname(m_fd)) == nullptr) {
        error = systemError("grantpt/unlockpt/ptsname");
        close();
        return false;
    }
    m_slaveName = name;
    m_slaveFd = ::open(m_slaveName.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slaveFd < 0) {
        error = systemError("open " + m_slaveName);
        close();
        return false;
    }
    // The application sets its own line settings when it opens the port; raw
    // mode here keeps the slave from echoing or translating bytes before that.
    if (!configureRaw(m_slaveFd, error) || !makeNonBlocking(m_fd, error)
        || !placeSymlink(m_slaveName, linkPath, error)) {
        close();
        return false;
    }
    m_path = linkPath;
    m_ownsLink = true;
    return true;
}

bool SerialLine::openDevice(const std::string &devicePath, std::string &error)
{
    close();
    m_fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        error = systemError("open " + devicePath);
        return false;
    }
    if (!configureRaw(m_fd, error) || !makeNonBlocking(m_fd, error)) {
        close();
        return false;
    }
    m_path = devicePath;
    return true;
}

void SerialLine::close()
{
    if (m_ownsLink) {
        // Remove the link only if it is still ours; another simulator may
        // have taken the path over since.
        char target[4096];
        const ssize_t n = ::readlink(m_path.c_str(), target, sizeof target - 1);
        if (n >= 0 && std::string(target, static_cast<std::size_t>(n)) == m_slaveName)
            ::unlink(m_path.c_str());
        m_ownsLink = false;
    }
    if (m_slaveFd >= 0)
        ::close(m_slaveFd);
    if (m_fd >= 0)
        ::close(m_fd);
    m_slaveFd = m_fd = -1;
}

} // namespace kalvidor::unitsim
