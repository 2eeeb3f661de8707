#include "controller_check.h"

#include <algorithm>
#include <optional>

#include "check_timing.h"
#include "exchange_notes.h"
#include "serial_state.h"
#include "status_length.h"
#include "wheel_drift.h"

namespace {

constexpr char kSilent[] = "the controller did not answer; the settings found could not be set again and verified";

bool Answered(const CycleResult& r) { return r.outcome != CycleOutcome::kNoReply && r.outcome != CycleOutcome::kPortGone; }

double Ms(double seconds) { return seconds >= 0 ? seconds * 1000 : -1; }

std::string SentBytes(const CycleResult& r) {
  if (r.sentBytes <= 0) return {};
  return HexList(mycomm, std::min<int>(r.sentBytes, static_cast<int>(sizeof mycomm)), r.sentBytes);
}

CycleResult Query(CheckLine& session, int entry) {
  if (!session.pickGeneralCommand(entry)) {
    CycleResult refused;
    refused.outcome = CycleOutcome::kRefused;
    return refused;
  }
  return session.send();
}

std::string Joined(const std::vector<ReportedValue>& values, bool reported) {
  std::string text;
  for (const ReportedValue& v : values) {
    if (!text.empty()) text += ", ";
    if (values.size() > 1) text += std::string(v.key->key).substr(std::string(v.key->key).find('.') + 1) + " ";
    text += reported ? v.reported : v.set;
  }
  return text;
}

std::string WordsOf(const std::vector<SettingCycle>& cycles) {
  std::string words;
  for (const SettingCycle& cycle : cycles) words += (words.empty() ? "" : " ") + cycle.words();
  return words;
}

std::string FailureNote(const CycleResult& r) {
  switch (r.outcome) {
    case CycleOutcome::kRefused:
      return "refused: " + r.message;
    case CycleOutcome::kBadReply:
      return "bad reply: " + r.badReply;
    case CycleOutcome::kNoReply:
      return "no reply";
    case CycleOutcome::kPortGone:
      return "the port went away";
    case CycleOutcome::kDone:
      break;
  }
  return {};
}

// Why a status query's reply is no ground for a verdict: not the command's
// whole reply, or not a whole status reply of the identified controller.
// Empty when it is.
std::string StatusFault(const CycleResult& status) {
  if (status.outcome != CycleOutcome::kDone) return FailureNote(status);
  const std::string fault = StatusReplyFault(static_cast<Variant>(itype), status.reply);
  return fault.empty() ? fault : "bad reply: " + fault;
}

class Checker {
 public:
  Checker(CheckLine& session, const CheckOptions& options, CheckResult& result)
      : session_(session), options_(options), result_(result) {}

  // A whole configuration reply, then a whole status reply in the identified
  // controller's layout, whose settings the plan sets again at the end.
  // False, with the verdict and why, when either did not come whole.
  bool identify() {
    const CycleResult config = Query(session_, kConfigEntry);
    if (config.outcome != CycleOutcome::kDone) return notIdentified(config, "configuration query: " + FailureNote(config));
    result_.configuration = ConfigurationText(config.reply);
    options_.configured(result_.configuration);
    const CycleResult status = Query(session_, kStatusEntry);
    if (const std::string fault = StatusFault(status); !fault.empty()) {
      return notIdentified(status, "status query: " + fault);
    }
    found_ = status.reply;
    return true;
  }

  // The status reply that identification read: the settings found.
  const std::vector<unsigned char>& found() const { return found_; }
  // The plan the steps come from, for the time left.
  void planned(const CheckPlan& plan) { estimate_.emplace(plan, itype, static_cast<int>(found_.size())); }

  // False when the check ends after the step.
  bool run(const PlannedStep& planned) {
    CheckStep step;
    step.device = planned.device;
    step.setting = planned.setting;
    step.value = planned.value;
    step.speed = planned.speed;
    step.distance = planned.distance;
    if (!planned.skipped.empty()) {
      step.note = planned.skipped;
      return ended(step, true);
    }
    step.result = StepResult::kFail;
    if (const std::string problem = ApplySettings(planned.cycle, session_.window()); !problem.empty()) {
      step.note = "refused: " + problem;
      return ended(step, true);
    }
    const CycleResult cycle = session_.send();
    step.sent = SentBytes(cycle);
    step.ms = Ms(cycle.times.reply);
    if (!Answered(cycle)) {
      result_.portGone = cycle.outcome == CycleOutcome::kPortGone;
      step.note = FailureNote(cycle);
      return ended(step, false);
    }
    const CycleResult status = Query(session_, kStatusEntry);
    step.statusMs = Ms(status.times.reply);
    if (!Answered(status)) {
      result_.portGone = status.outcome == CycleOutcome::kPortGone;
      step.note = "status query: " + FailureNote(status);
      return ended(step, false);
    }
    const std::vector<ReportedValue> values = ReportedValues({planned.cycle}, session_.window(), status.reply);
    step.expected = Joined(values, false);
    // A reply that was not whole reports nothing: the window may still show
    // an earlier reply's values.
    const std::string statusFault = StatusFault(status);
    if (statusFault.empty()) step.reported = Joined(values, true);
    const bool same = std::all_of(values.begin(), values.end(), [](const ReportedValue& v) { return v.set == v.reported; });
    if (cycle.outcome != CycleOutcome::kDone) {
      step.note = FailureNote(cycle);
    } else if (!statusFault.empty()) {
      step.note = "status query: " + statusFault;
    } else if (same) {
      step.result = StepResult::kPass;
    }
    return ended(step, true);
  }

  void restore(const std::vector<SettingCycle>& cycles) {
    std::string refused;
    for (const SettingCycle& cycle : cycles) {
      if (const std::string problem = ApplySettings(cycle, session_.window()); !problem.empty()) {
        refused += cycle.words() + ": " + problem + "; ";
        continue;
      }
      if (!Answered(session_.send())) {
        result_.restoreNote = kSilent;
        return;
      }
    }
    const CycleResult status = Query(session_, kStatusEntry);
    if (!Answered(status)) {
      result_.restoreNote = kSilent;
      return;
    }
    if (const std::string fault = StatusFault(status); !fault.empty()) {
      result_.restoreNote = refused + "status query: " + fault;
      return;
    }
    result_.restoreNote = refused + ReportedMismatches(cycles, session_.window(), status.reply);
    result_.restored = result_.restoreNote.empty();
  }

 private:
  bool notIdentified(const CycleResult& reply, const std::string& why) {
    const bool silent = !Answered(reply);
    result_.portGone = reply.outcome == CycleOutcome::kPortGone;
    result_.verdict = silent ? CheckVerdict::kNoReply : CheckVerdict::kBadReply;
    result_.notIdentified = why;
    result_.restoreNote = kCheckChangedNothing;
    return false;
  }

  bool ended(CheckStep& step, bool answered) {
    ApplyMoveLimit(step, options_.maxMs);
    result_.steps.push_back(step);
    progress_.done = static_cast<int>(result_.steps.size());
    progress_.planned = result_.planned;
    progress_.failed += step.result == StepResult::kFail ? 1 : 0;
    if (estimate_) {
      estimate_->ended(step);
      progress_.secondsLeft = estimate_->secondsLeft();
    }
    options_.stepEnded(result_.steps.back(), progress_);
    return answered;
  }

  CheckLine& session_;
  const CheckOptions& options_;
  CheckResult& result_;
  CheckProgress progress_;
  std::vector<unsigned char> found_;
  std::optional<CheckEstimate> estimate_;
};

}  // namespace

CheckResult RunCheck(LineSession& session, const CheckOptions& options) {
  SessionCheckLine line(session);
  return RunCheck(line, options);
}

CheckResult RunCheck(CheckLine& session, const CheckOptions& options) {
  CheckResult result;
  result.maxMs = options.maxMs;
  result.maxDriftPercent = options.maxDriftPercent;
  Checker checker(session, options, result);
  if (!checker.identify()) return result;
  const CheckPlan plan = PlanCheck(session.window(), options.choice, checker.found());
  result.planned = static_cast<int>(plan.steps.size());
  checker.planned(plan);
  const std::string found = WordsOf(plan.restore);
  options.holding(CheckOptions::Holding::kSteps, found);
  for (const PlannedStep& step : plan.steps) {
    if (options.stopRequested()) {
      result.verdict = CheckVerdict::kStopped;
      break;
    }
    if (!checker.run(step)) {
      result.verdict = CheckVerdict::kNoReply;
      result.restoreNote = kSilent;
      return result;
    }
  }
  const bool failed = std::any_of(result.steps.begin(), result.steps.end(),
                                  [](const CheckStep& s) { return s.result == StepResult::kFail; });
  result.drifts = DriftsBetweenWheels(result.steps, options.maxDriftPercent);
  if (result.verdict == CheckVerdict::kPassed && (failed || !result.drifts.empty())) {
    result.verdict = CheckVerdict::kFailed;
  }
  options.holding(CheckOptions::Holding::kRestore, found);
  checker.restore(plan.restore);
  options.holding(CheckOptions::Holding::kFound, found);
  return result;
}

const char* VerdictName(CheckVerdict verdict) {
  switch (verdict) {
    case CheckVerdict::kPassed:
      return "passed";
    case CheckVerdict::kFailed:
      return "failed";
    case CheckVerdict::kStopped:
      return "stopped";
    case CheckVerdict::kBadReply:
      return "bad reply";
    case CheckVerdict::kNoReply:
      break;
  }
  return "no reply";
}

const char* StepResultName(StepResult result) {
  switch (result) {
    case StepResult::kPass:
      return "pass";
    case StepResult::kFail:
      return "fail";
    case StepResult::kSkipped:
      break;
  }
  return "skipped";
}
