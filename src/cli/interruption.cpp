#include "interruption.h"

#include <QtGlobal>

#include <atomic>
#include <csignal>

#ifdef Q_OS_WIN
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace kalvidor {

namespace {

std::atomic<int> receivedSignal { 0 };
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

void recordSignal(int signal)
{
    receivedSignal.store(signal);
}

#ifdef Q_OS_WIN
// Ctrl+C and Ctrl+Break in a Windows console. The system calls this on a
// thread of its own: it only records the interruption, as Ctrl+C is recorded
// on Linux, and the transfer's watch on the event loop ends the transfer.
BOOL WINAPI onConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    receivedSignal.store(SIGINT);
    return TRUE; // handled: the process goes on to close the port and report
}
#endif

} // namespace

void catchInterruptions()
{
    std::signal(SIGINT, recordSignal);
    std::signal(SIGTERM, recordSignal);
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
#endif
}

int interruptionSignal()
{
    return receivedSignal.load();
}

} // namespace kalvidor
