// kalvidor-unit-sim: plays the alarm unit on a pseudo-terminal or a serial
// device, for development and for the tests. Run with --help for the options.

#include "options.h"
#include "simulator.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace kalvidor::unitsim;

namespace {

int signalPipe[2] = { -1, -1 };

// Only async-signal-safe work here: the event loop reads the number.
void onSignal(int number)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const auto ignored = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

bool installSignals()
{
    if (::pipe(signalPipe) != 0)
        return false;
    for (const int fd : signalPipe) {
        if (::fcntl(fd, F_SETFL, O_NONBLOCK) != 0 || ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0)
            return false;
    }
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int number : { SIGINT, SIGTERM, SIGHUP, SIGUSR1 }) {
        if (::sigaction(number, &action, nullptr) != 0)
            return false;
    }
    // A reader of our stdout that went away must not end the simulator.
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const ParseResult parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.help) {
        std::fputs(usageText(), stdout);
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "kalvidor-unit-sim: %s\n\n%s", parsed.error.c_str(), usageText());
        return 2;
    }
    if (!installSignals()) {
        std::perror("kalvidor-unit-sim: signals");
        return 1;
    }
    Simulator simulator(*parsed.options, signalPipe[0]);
    return simulator.run();
}
