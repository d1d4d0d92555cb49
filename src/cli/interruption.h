#pragma once

namespace kalvidor {

// Ctrl+C (and a request to terminate) while the command line runs: the
// handler only records the signal; the transfer looks at it and ends itself,
// so that the port is closed and the outcome is reported.
void catchInterruptions();

// The signal received since catchInterruptions(), or 0.
int interruptionSignal();

} // namespace kalvidor
