#include "plainclient.h"

#include "benchclock.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace kalvidor::bench {

namespace {

QString systemError(const char *what)
{
    return QString::fromLatin1(what) + u": "_s + QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

PlainRun runPlainClient(const QString &device, const QByteArrayList &commands)
{
    PlainRun run;
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        run.error = systemError("open");
        return run;
    }
    termios tio {};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B38400);
        ::cfsetospeed(&tio, B38400);
        tio.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    ::tcflush(fd, TCIOFLUSH);

    char buffer[512];
    const qint64 start = monotonicNs();
    for (const QByteArray &command : commands) {
        if (::write(fd, command.constData(), size_t(command.size())) != command.size()) {
            run.error = systemError("write");
            break;
        }
        run.bytesOut += command.size();
        bool complete = false;
        while (!complete) {
            pollfd p { fd, POLLIN, 0 };
            if (::poll(&p, 1, 2000) <= 0) {
                run.error = u"no reply to "_s + QString::fromLatin1(command.trimmed());
                break;
            }
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0) {
                run.error = systemError("read");
                break;
            }
            run.bytesIn += n;
            complete = std::memchr(buffer, '\r', size_t(n)) != nullptr;
        }
        if (!run.error.isEmpty())
            break;
    }
    run.ns = monotonicNs() - start;
    ::close(fd);
    return run;
}

} // namespace kalvidor::bench
