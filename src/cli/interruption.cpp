#include "interruption.h"

#include <atomic>
#include <csignal>

namespace kalvidor {

namespace {

std::atomic<int> receivedSignal { 0 };
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

void recordSignal(int signal)
{
    receivedSignal.store(signal);
}

} // namespace

void catchInterruptions()
{
    std::signal(SIGINT, recordSignal);
    std::signal(SIGTERM, recordSignal);
#ifdef SIGBREAK
    std::signal(SIGBREAK, recordSignal); // Ctrl+Break in a Windows console
#endif
}

int interruptionSignal()
{
    return receivedSignal.load();
}

} // namespace kalvidor
