#pragma once

#include "report.h"

namespace kalvidor::bench {

// The write and read sequences of the session over the link, through a real QSerialPort
// against the unit simulator on a pseudo-terminal.

// A whole write and a whole read with the unit answering at once: the time
// per round trip, the median of `runs` runs.
void measureInstantTransfers(Report &report, int runs);
// The same with the unit sending its replies at the wire rate: wall time
// against the time the bytes take on the wire.
void measurePacedTransfers(Report &report, int runs);
// The processor time the process uses while a write waits out its first time limit
// on a unit that never answers, and how long that wait lasts.
void measureSilentWait(Report &report, int limitMs);

} // namespace kalvidor::bench
