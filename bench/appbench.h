#pragma once

#include "report.h"

namespace kalvidor::bench {

// Starts the application (kalvidor-bench-app, the application's main() with
// probes) `runs` times on the offscreen platform against a program folder
// with a full table file and the unit simulator on its port; each run shows
// the main window, writes the table to the unit and reads it back through
// the menus. Reports the start-up time (launch to the main window shown,
// median) and the peak resident memory after the write and the read (the
// highest of the runs).
void measureApplication(Report &report, int runs);

// The same application, its write and its read through the menus (the link
// window shown as in use) against the simulator pacing its replies at 38400
// bit/s: each as (wall time + the commands' wire time) over the wire time of
// all bytes both ways, and as processor time per command.
void measurePacedApplication(Report &report, int runs);

} // namespace kalvidor::bench
