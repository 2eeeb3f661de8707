// The signals that end korvel-ctl: SIGINT, SIGTERM, SIGHUP, SIGQUIT and
// SIGPIPE (a reader of its output that went away). The first one asks it to
// stop after the cycle that is running, so that the port is closed (and its
// settings put back) on the ordinary way out, and nothing more is sent. A
// second one puts the port's settings back at once and ends the process,
// with the line given to SetCutShortLine on standard error.
// After SIGPIPE, writes to the broken output fail instead of ending the run.
#pragma once

#include <chrono>
#include <span>
#include <string>

// The signals above, for a process started from this one to reset.
std::span<const int> StopSignals();

// False, with errno set, when a handler could not be installed.
bool InstallStopHandlers();
bool StopRequested();
// The signal that asked to stop; 0 when none did.
int StopSignal();
// 128 + the signal that asked to stop, the exit status of a run it ended.
int StoppedStatus();
// Sleeps for duration, or less when a stop is requested.
void SleepUnlessStopped(std::chrono::milliseconds duration);

// The line a second signal writes on standard error as it ends the process:
// what the controller may hold then. Empty: none. A longer line is cut.
void SetCutShortLine(const std::string& line);

// A file of this process's own that a second signal removes as it ends the
// process (a report's temporary file). Empty: none.
void SetRemovedAtSecondSignal(const std::string& path);

// A report's temporary file, removed by a second signal for as long as the
// run has it.
struct RemovedAtSecondSignal {
  explicit RemovedAtSecondSignal(const std::string& path) { SetRemovedAtSecondSignal(path); }
  ~RemovedAtSecondSignal() { SetRemovedAtSecondSignal({}); }
  RemovedAtSecondSignal(const RemovedAtSecondSignal&) = delete;
  RemovedAtSecondSignal& operator=(const RemovedAtSecondSignal&) = delete;
};

// Waits until fd has something to read or a stop is requested; false when
// stopped (or fd cannot be waited on).
bool WaitForInputUnlessStopped(int fd);
