#pragma once

#include "linelock.h"
#include "options.h"
#include "protocol.h"
#include "serialline.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <string>

namespace kalvidor::unitsim {

using Clock = std::chrono::steady_clock; // CLOCK_MONOTONIC

// Limits the bytes written to the wire rate of 38400 bit/s with 10 bits per
// byte: byte k of a burst goes out no earlier than k byte times after the
// burst began. Counting from the start of the burst, not from the previous
// byte, keeps the average rate exact however late the loop wakes up.
class WirePacer
{
public:
    explicit WirePacer(Clock::duration idleAfter)
        : m_idleAfter(idleAfter)
    {
    }

    std::size_t budget(Clock::time_point now);
    void sent(std::size_t bytes) { m_count += static_cast<std::int64_t>(bytes); }
    Clock::time_point dueOf(std::int64_t extraBytes) const;

private:
    Clock::duration m_idleAfter; // a burst that fell this far behind starts afresh
    Clock::time_point m_origin {};
    std::int64_t m_count = 0;
};

class Simulator
{
public:
    // signalFd: read end of the pipe the signal handlers write signal numbers to.
    Simulator(Options options, int signalFd);
    int run();

private:
    struct Piece
    {
        std::string bytes;
        Clock::time_point notBefore {};
        Clock::duration gap {}; // after the previous piece went out
        bool scheduled = false;
        Clock::time_point due {};
        std::size_t offset = 0;
    };

    bool lockLine();
    bool loadUnit();
    void saveUnit();
    bool openLog();
    bool openLine();
    void announce(const char *word);
    void readLine();
    void handleCommandLine();
    void queueReply(const std::string &text, Clock::time_point notBefore);
    void queueBanner();
    void queueText(std::string bytes, Clock::time_point notBefore = {});
    void writeDue(Clock::time_point now);
    void streamGarbage(Clock::time_point now);
    std::optional<Clock::time_point> nextDeadline(Clock::time_point now);
    void hangUp(Clock::time_point now);
    void logLine(const std::string &line);
    void writeLog(const std::string &entry);
    std::string randomBytes(std::size_t count);
    std::string lineEnd() const { return m_options.crlf ? "\r\n" : "\r"; }
    void scheduleHead();

    Options m_options;
    int m_signalFd;
    int m_logFd = -1;
    LineLock m_lineLock;
    SerialLine m_line;
    UnitState m_unit;
    bool m_stateSaveFailed = false;
    std::mt19937 m_random;

    std::string m_input;
    std::size_t m_overflow = 0; // bytes of the current line beyond the limit
    long m_commandCount = 0;

    std::deque<Piece> m_output;
    bool m_waitWritable = false;
    Clock::time_point m_lastPieceDone {};
    WirePacer m_pacer;
    WirePacer m_garbagePacer;
    bool m_garbageStreaming = false;
    bool m_hungUp = false;
    std::optional<Clock::time_point> m_reopenAt;
};

} // namespace kalvidor::unitsim
