// SIGINT and SIGTERM: the first one asks korvel-ctl to stop after the cycle
// that is running, so that the port is closed (and its settings put back) on
// the ordinary way out. A second one puts the port's settings back at once and
// ends the process.
#pragma once

#include <chrono>

// False, with errno set, when a handler could not be installed.
bool InstallStopHandlers();
bool StopRequested();
// The signal that asked to stop; 0 when none did.
int StopSignal();
// Sleeps for duration, or less when a stop is requested.
void SleepUnlessStopped(std::chrono::milliseconds duration);
