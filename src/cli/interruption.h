#pragma once

namespace kalvidor {

// Ctrl+C (on Windows also Ctrl+Break, both as SIGINT) and a request to
// terminate while the command line runs: the handler only records the
// signal; the transfer looks at it from its event loop and ends itself, so
// that the port is closed and the outcome is reported.
void catchInterruptions();

// The signal received since catchInterruptions(), or 0.
int interruptionSignal();

} // namespace kalvidor
