#include "simulator.h"
#include "statefile.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace kalvidor::unitsim {

namespace {

using namespace std::chrono_literals;

constexpr std::size_t MaxLineLength = 256;
constexpr std::size_t GarbageChunk = 32;

// 10 bits per byte at 38400 bit/s: 1e10 / 38400 ns = 781250 / 3 ns.
constexpr std::int64_t byteTimeNs(std::int64_t bytes)
{
    return bytes * 781250 / 3;
}

std::string printable(const std::string &text)
{
    std::string out;
    for (const unsigned char c : text) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace

std::size_t WirePacer::budget(Clock::time_point now)
{
    if (dueOf(0) + m_idleAfter < now) {
        m_origin = now;
        m_count = 0;
    }
    const auto elapsedNs
        = std::chrono::duration_cast<std::chrono::nanoseconds>(now - m_origin).count();
    // Byte k may go at origin + k byte times, so byte 0 goes at once.
    const std::int64_t allowed = elapsedNs * 3 / 781250 + 1 - m_count;
    return allowed > 0 ? static_cast<std::size_t>(allowed) : 0;
}

Clock::time_point WirePacer::dueOf(std::int64_t extraBytes) const
{
    return m_origin
        + std::chrono::duration_cast<Clock::duration>(
            std::chrono::nanoseconds(byteTimeNs(m_count + extraBytes)));
}

Simulator::Simulator(Options options, int signalFd)
    : m_options(std::move(options))
    , m_signalFd(signalFd)
    , m_random(m_options.seed)
    , m_pacer(2ms)
    , m_garbagePacer(100ms)
{
}

bool Simulator::loadUnit()
{
    if (!m_options.statePath.empty()) {
        std::string error;
        if (!loadUnitState(m_options.statePath, m_unit, error)) {
            std::fprintf(stderr,
                "kalvidor-unit-sim: %s\n(remove the file to start with an empty unit)\n",
                error.c_str());
            return false;
        }
    }
    // The options' presets go on top of the memory the unit kept, and stay
    // in it like any other change.
    const UnitState kept = m_unit;
    for (const auto &[slot, value] : m_options.presets)
        m_unit.writeSlot(slot, value);
    if (m_options.holdTime)
        m_unit.holdTime = *m_options.holdTime;
    if (m_options.allowance)
        m_unit.allowance = *m_options.allowance;
    if (m_unit != kept)
        saveUnit();
    return true;
}

void Simulator::saveUnit()
{
    if (m_options.statePath.empty())
        return;
    std::string error;
    const bool saved = saveUnitState(m_options.statePath, m_unit, error);
    // Reported once, not once per command, until a save succeeds again.
    if (!saved && !m_stateSaveFailed)
        std::fprintf(
            stderr, "kalvidor-unit-sim: cannot save the unit's state: %s\n", error.c_str());
    m_stateSaveFailed = !saved;
}

bool Simulator::openLog()
{
    if (m_options.logPath.empty())
        return true;
    m_logFd = ::open(m_options.logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (m_logFd < 0) {
        std::fprintf(stderr, "kalvidor-unit-sim: cannot open log %s: %s\n",
            m_options.logPath.c_str(), std::strerror(errno));
        return false;
    }
    // A log appended to by many runs says where each one begins.
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    char stamp[32] = "?";
    if (::localtime_r(&now, &local))
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    writeLog(std::string("--- session ") + stamp + " ---\n");
    return true;
}

bool Simulator::lockLine()
{
    std::string error;
    const bool locked = m_options.ptyPath.empty() ? m_lineLock.lockDevice(m_options.device, error)
                                                  : m_lineLock.lockPty(m_options.ptyPath, error);
    if (!locked)
        std::fprintf(stderr, "kalvidor-unit-sim: %s\n", error.c_str());
    return locked;
}

int Simulator::run()
{
    // Before the memory and the log: a simulator that may not play the line
    // touches neither.
    if (!lockLine() || !loadUnit() || !openLog())
        return 1;
    if (!openLine())
        return 1;
    announce("READY");

    int exitCode = 0;
    for (bool running = true; running;) {
        const auto now = Clock::now();
        if (m_reopenAt && now >= *m_reopenAt) {
            m_reopenAt.reset();
            if (!openLine()) {
                exitCode = 1;
                break;
            }
            announce("REOPENED");
        }
        streamGarbage(now);
        writeDue(now);

        int timeoutMs = -1;
        if (const auto deadline = nextDeadline(now)) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*deadline - now);
            timeoutMs = static_cast<int>(std::max<std::int64_t>(0, wait.count()));
        }
        pollfd fds[2] = { { m_signalFd, POLLIN, 0 }, { m_line.fd(), 0, 0 } };
        if (m_line.isOpen())
            fds[1].events = static_cast<short>(POLLIN | (m_waitWritable ? POLLOUT : 0));
        const nfds_t count = m_line.isOpen() ? 2 : 1;
        if (::poll(fds, count, timeoutMs) < 0) {
            if (errno == EINTR)
                continue;
            std::perror("kalvidor-unit-sim: poll");
            exitCode = 1;
            break;
        }
        if (fds[0].revents & POLLIN) {
            unsigned char signalNumbers[16];
            const ssize_t n = ::read(m_signalFd, signalNumbers, sizeof signalNumbers);
            for (ssize_t i = 0; i < n; ++i) {
                if (signalNumbers[i] == SIGUSR1)
                    queueBanner();
                else
                    running = false;
            }
        }
        if (!running || count < 2)
            continue;
        if (fds[1].revents & POLLOUT)
            m_waitWritable = false;
        if (fds[1].revents & POLLIN) {
            readLine();
        } else if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            std::fprintf(stderr, "kalvidor-unit-sim: the line %s failed\n", m_line.path().c_str());
            exitCode = 1;
            break;
        }
    }
    m_line.close();
    if (m_logFd >= 0)
        ::close(m_logFd);
    return exitCode;
}

bool Simulator::openLine()
{
    std::string error;
    const bool opened = m_options.ptyPath.empty() ? m_line.openDevice(m_options.device, error)
                                                  : m_line.openPty(m_options.ptyPath, error);
    if (!opened) {
        std::fprintf(stderr, "kalvidor-unit-sim: %s\n", error.c_str());
        return false;
    }
    m_waitWritable = false;
    m_input.clear();
    m_overflow = 0;
    if (m_options.garbage > 0 && !m_hungUp)
        queueText(randomBytes(static_cast<std::size_t>(m_options.garbage)));
    queueBanner();
    return true;
}

void Simulator::announce(const char *word)
{
    std::printf("%s %s\n", word, m_line.path().c_str());
    std::fflush(stdout);
    if (m_options.verbose && !m_line.slaveName().empty())
        std::fprintf(stderr, "kalvidor-unit-sim: %s is %s\n", m_line.path().c_str(),
            m_line.slaveName().c_str());
}

void Simulator::readLine()
{
    char buffer[4096];
    const ssize_t n = ::read(m_line.fd(), buffer, sizeof buffer);
    if (n <= 0)
        return; // EAGAIN or EINTR; a dead line shows as POLLERR/POLLHUP
    for (ssize_t i = 0; i < n && m_line.isOpen(); ++i) {
        const char c = buffer[i];
        if (c == '\r') {
            handleCommandLine();
        } else if (c == '\n') {
            continue;
        } else if (m_input.size() < MaxLineLength) {
            m_input += c;
        } else {
            ++m_overflow;
        }
    }
}

void Simulator::handleCommandLine()
{
    const auto now = Clock::now();
    ++m_commandCount;
    const std::string line = m_overflow == 0
        ? m_input
        : "[discarded: line of " + std::to_string(m_input.size() + m_overflow) + " bytes]";
    logLine(line);
    const bool overflowed = m_overflow > 0;
    m_input.clear();
    m_overflow = 0;

    if (m_options.hangupAfter > 0 && m_commandCount == m_options.hangupAfter) {
        hangUp(now);
        return;
    }
    const UnitState before = m_unit;
    const Reply reply
        = overflowed ? Reply { m_options.silent, "NG" } : respond(m_unit, m_options, line);
    if (m_unit != before)
        saveUnit();
    if (!reply.silent) {
        const auto delay = m_options.lineDelays.find(line);
        queueReply(reply.text,
            now
                + std::chrono::milliseconds(
                    delay != m_options.lineDelays.end() ? delay->second : m_options.delayMs));
    }
    if (m_options.streamGarbage && !m_garbageStreaming) {
        m_garbageStreaming = true;
        m_garbagePacer = WirePacer(100ms);
    }
}

void Simulator::queueReply(const std::string &text, Clock::time_point notBefore)
{
    if (m_options.verbose)
        std::fprintf(stderr, "-> %s\n", printable(text + lineEnd()).c_str());
    const std::string bytes = text + lineEnd();
    if (!m_options.split) {
        queueText(bytes, notBefore);
        return;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        Piece piece;
        piece.bytes = bytes.substr(i, 1);
        if (i == 0)
            piece.notBefore = notBefore;
        else
            piece.gap = std::chrono::milliseconds(m_options.splitPauseMs);
        m_output.push_back(std::move(piece));
    }
}

void Simulator::queueBanner()
{
    if (m_options.banner && m_line.isOpen())
        queueText(*m_options.banner + lineEnd());
}

void Simulator::queueText(std::string bytes, Clock::time_point notBefore)
{
    Piece piece;
    piece.bytes = std::move(bytes);
    piece.notBefore = notBefore;
    m_output.push_back(std::move(piece));
}

void Simulator::scheduleHead()
{
    Piece &head = m_output.front();
    if (!head.scheduled) {
        head.due = std::max(head.notBefore, m_lastPieceDone + head.gap);
        head.scheduled = true;
    }
}

void Simulator::writeDue(Clock::time_point now)
{
    while (m_line.isOpen() && !m_output.empty() && !m_waitWritable) {
        scheduleHead();
        Piece &head = m_output.front();
        if (now < head.due)
            return;
        std::size_t n = head.bytes.size() - head.offset;
        if (m_options.pace)
            n = std::min(n, m_pacer.budget(now));
        if (n == 0)
            return;
        const ssize_t written = ::write(m_line.fd(), head.bytes.data() + head.offset, n);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                m_waitWritable = true;
                return;
            }
            std::fprintf(stderr, "kalvidor-unit-sim: write to %s: %s\n", m_line.path().c_str(),
                std::strerror(errno));
            m_output.clear();
            return;
        }
        head.offset += static_cast<std::size_t>(written);
        if (m_options.pace)
            m_pacer.sent(static_cast<std::size_t>(written));
        if (head.offset == head.bytes.size()) {
            m_lastPieceDone = now;
            m_output.pop_front();
        }
    }
}

void Simulator::streamGarbage(Clock::time_point now)
{
    // Garbage fills the line only while nothing else waits to be sent, and is
    // generated no faster than it can leave, so replies are never held back
    // behind a growing heap of it.
    if (!m_garbageStreaming || !m_line.isOpen() || !m_output.empty() || m_waitWritable)
        return;
    const std::size_t n = std::min<std::size_t>(m_garbagePacer.budget(now), 1024);
    if (n < GarbageChunk)
        return;
    queueText(randomBytes(n));
    m_garbagePacer.sent(n);
}

std::optional<Clock::time_point> Simulator::nextDeadline(Clock::time_point now)
{
    std::optional<Clock::time_point> deadline = m_reopenAt;
    const auto consider = [&deadline](Clock::time_point t) {
        if (!deadline || t < *deadline)
            deadline = t;
    };
    if (m_line.isOpen() && !m_waitWritable) {
        if (!m_output.empty()) {
            scheduleHead();
            auto due = m_output.front().due;
            if (m_options.pace)
                due = std::max(due, m_pacer.dueOf(0));
            consider(std::max(due, now));
        } else if (m_garbageStreaming) {
            consider(m_garbagePacer.dueOf(static_cast<std::int64_t>(GarbageChunk) - 1));
        }
    }
    return deadline;
}

void Simulator::hangUp(Clock::time_point now)
{
    if (m_options.verbose)
        std::fprintf(stderr, "kalvidor-unit-sim: hanging up %s\n", m_line.path().c_str());
    m_line.close();
    m_output.clear();
    m_garbageStreaming = false;
    m_hungUp = true;
    if (m_options.reopenAfterMs >= 0 && !m_options.ptyPath.empty())
        m_reopenAt = now + std::chrono::milliseconds(m_options.reopenAfterMs);
}

void Simulator::logLine(const std::string &line)
{
    if (m_options.verbose)
        std::fprintf(stderr, "<- %s\n", printable(line).c_str());
    writeLog(line + '\n');
}

void Simulator::writeLog(const std::string &entry)
{
    if (m_logFd < 0)
        return;
    // One write per line with O_APPEND: a reader never sees half a line.
    if (::write(m_logFd, entry.data(), entry.size()) < 0)
        std::perror("kalvidor-unit-sim: log");
}

std::string Simulator::randomBytes(std::size_t count)
{
    std::uniform_int_distribution<int> byte(0, 254);
    std::string bytes(count, '\0');
    for (char &c : bytes) {
        const int value = byte(m_random);
        c = static_cast<char>(value >= '\r' ? value + 1 : value); // skip CR
    }
    return bytes;
}

} // namespace kalvidor::unitsim
