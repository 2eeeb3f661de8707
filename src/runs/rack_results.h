// What a rack run gives back: each controller's process ended with an exit
// status (or a signal) and, on standard output, its single-port JSON object;
// from those, read as data, come its row of the joint summary, its item of
// the joint JSON and the rack's exit status. A controller's own words on
// standard error are shown only as its row's message, never read.
//
//   verdict: failed
//   port        variant  configuration  verdict  done              restore   failures  duration
//   /dev/pts/3  Triad    3W2S Triad …   passed   120 of 120 steps  verified  0         41.2 s
//   …
//   controllers: 4; passed 3, failed 1
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The most a controller's process may print on standard output; a check's
// JSON object with every step is a few hundred kilobytes, a burn-in's keeps
// a bounded list of failures, so more is a fault, kept out of memory.
inline constexpr std::size_t kMaxControllerOutput = 64u << 20;

// How one controller's process ended and what it left.
struct ControllerEnd {
  std::string port;
  bool started = true;       // false: its process could not be made
  std::string output;        // its standard output, at most kMaxControllerOutput
  bool outputCut = false;    // more than that came
  int exitStatus = -1;       // when it exited
  int signal = 0;            // when a signal ended it
  std::string lastWords;     // its last line on standard error, or why it did not start
  std::string variant;       // from its records; empty: not told
  std::string configuration;
  double seconds = 0;        // from its start to its end
};

// How a controller's run ended, in four kinds, for the report's colours.
enum class ControllerOutcome { kPassed, kFailed, kSilent, kStopped };

// One controller's row of the summary (and the report's overview).
struct ControllerRow {
  std::string port;
  std::string variant;
  std::string configuration;
  std::string verdict;   // "passed", "failed", "no reply", "not opened", "ended abnormally (signal 11)", …
  std::string done;      // "120 of 120 steps", "50 of 50 rounds"; "-" for none
  std::string restore;   // a check's: "verified" or "NOT verified"; "-" otherwise
  std::string failures;  // the count; "-" when the run counts none
  std::string duration;  // "41.2 s"
  std::string message;   // why it ended so: the output's fault or its last words; may be empty
  int exitStatus = 0;
  ControllerOutcome outcome = ControllerOutcome::kPassed;
};

// stopSignal: the signal this process forwarded to every controller; 0: none.
ControllerRow RowOf(const ControllerEnd& end, int stopSignal);

// The rack's exit status: the parent's own stop (stopSignal, 128+N) first,
// then the most serious of the controllers' statuses: a signal, port gone or
// not opened, no reply, bad reply, mismatch, failed, refusal, usage, passed.
int RackExitStatus(const std::vector<ControllerRow>& rows, int stopSignal);

// The joint summary: the rack's verdict, the table, each message, the totals.
std::string RackSummaryText(const std::vector<ControllerRow>& rows, int stopSignal);

// {"controllers":[…]}: each controller's single-port object as it printed
// it with "port" first; for one with no such object (or ended by a signal)
// {"port":…,"error":…,"exit_status":N}. One line.
std::string RackJson(const std::vector<ControllerEnd>& ends, const std::vector<ControllerRow>& rows);

// "41.2 s", "2 min 05 s".
std::string DurationWords(double seconds);
