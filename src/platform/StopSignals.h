// SIGTERM and SIGINT end the station in order, as the end of the desktop
// session would; SIGHUP is ignored. The handler only sets a flag that the
// loop reads once a round.
#pragma once

// Forgets a signal of an earlier run in this process.
void InstallStopSignals();
bool StopSignalReceived();
// For tests: forget a signal that was seen.
void ResetStopSignal();
