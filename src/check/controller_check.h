// Runs a check on an open port: a configuration and a status query first
// (the status reply identifies the controller and tells what is connected,
// and its settings are the ones set again at the end; without both replies
// whole, in the identified controller's layout, the check ends before it
// sends anything else),
// then each planned setting as an ordinary command cycle followed by a status
// query whose reported value must equal what was set, and at the end, also
// after a stop or a failed step, the settings found set again and verified
// by a last status query. A controller that stops answering ends the check
// at once: nothing can be verified any more.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "check_line.h"
#include "check_plan.h"
#include "line_session.h"

enum class StepResult { kPass, kFail, kSkipped };
enum class CheckVerdict { kPassed, kFailed, kStopped, kNoReply, kBadReply };

struct CheckStep {
  std::string device;
  std::string setting;
  std::string value;
  std::string sent;      // the command bytes as "23 0D"; empty when none went out
  std::string expected;  // the values set, as the report should give them
  std::string reported;  // as the status query's report gave them
  StepResult result = StepResult::kSkipped;
  std::string note;      // why a step failed or was skipped
  double ms = -1;        // the cycle's time, first byte sent to last byte read; -1 when none
  double statusMs = -1;  // the verifying status query's
  int speed = -1;
  int distance = -1;
};

// Moves of one speed and distance that took longer on one wheel than on
// another by more than the limit: each wheel's median time of those moves.
struct WheelDrift {
  std::string slower;  // "wheelA"
  std::string faster;
  int speed = 0;
  int distance = 0;
  double slowerMs = 0;
  double fasterMs = 0;
  double percent = 0;  // how much longer the slower wheel took, of the faster's time
};

struct CheckResult {
  CheckVerdict verdict = CheckVerdict::kPassed;  // a drift over the limit fails it as a failed step does
  bool restored = false;    // the settings found were set again and verified
  std::string restoreNote;  // what the restore found otherwise, or why it was not verified
  // Why the check ended before it sent anything but its two queries ("status
  // query: bad reply: ..."); empty once the controller was identified.
  std::string notIdentified;
  std::string configuration;  // the configuration reply's text
  int planned = 0;            // steps in the plan
  bool portGone = false;      // the check ended because the port went away
  std::vector<CheckStep> steps;
  // The limits the check ran under (0: none) and the drifts over its limit.
  double maxMs = 0;
  double maxDriftPercent = 0;
  std::vector<WheelDrift> drifts;
};

// How far a check has come when a step ends: the one count both fronts show.
struct CheckProgress {
  int done = 0;     // steps ended, this one too
  int planned = 0;  // steps in the plan
  int failed = 0;   // of those ended
  // The rest of the check (steps and restore) as its bytes on the line and
  // the moves timed so far tell it.
  double secondsLeft = 0;
};

struct CheckOptions {
  CheckChoice choice;
  // A move slower than maxMs fails its step; moves of one speed and distance
  // whose times differ between the wheels by more than maxDriftPercent are
  // named and fail the check. 0: no limit.
  double maxMs = 0;
  double maxDriftPercent = 0;
  // Asked before every cycle that is not the restore's.
  std::function<bool()> stopRequested = [] { return false; };
  // The configuration reply's text, as soon as it came whole.
  std::function<void(const std::string&)> configured = [](const std::string&) {};
  // Each step as it ends, with how far the check has come.
  std::function<void(const CheckStep&, const CheckProgress&)> stepEnded = [](const CheckStep&,
                                                                              const CheckProgress&) {};
  // What the controller may hold if the process ended now, told as it
  // changes: the steps' settings in place of those found (kSteps), a mix of
  // both (kRestore), or those found again (kFound, also when nothing was
  // set). found: the settings found, as set's words.
  enum class Holding { kSteps, kRestore, kFound };
  std::function<void(Holding, const std::string& found)> holding = [](Holding, const std::string&) {};
};

// Said of a check that ended before anything moved.
inline constexpr char kCheckChangedNothing[] = "nothing was changed";

CheckResult RunCheck(CheckLine& line, const CheckOptions& options);
CheckResult RunCheck(LineSession& session, const CheckOptions& options);

const char* VerdictName(CheckVerdict verdict);  // "passed", "failed", "stopped", "no reply", "bad reply"
const char* StepResultName(StepResult result);  // "pass", "fail", "skipped"
