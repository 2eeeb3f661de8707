#include "check_failures.h"

std::vector<CheckFailure> FailuresOf(const CheckResult& result) {
  std::vector<CheckFailure> failures;
  for (std::size_t i = 0; i < result.steps.size(); ++i) {
    const CheckStep& s = result.steps[i];
    if (s.result != StepResult::kFail) continue;
    failures.push_back({static_cast<int>(i) + 1, s.device + "." + s.setting + "=" + s.value, s.expected, s.reported,
                        s.note, s.ms});
  }
  return failures;
}

std::string FailureWhat(const CheckFailure& f) {
  // A move over the time limit arrived where it was sent: its message is all.
  if (f.reported == f.expected && !f.note.empty()) return f.note;
  std::string what;
  if (!f.reported.empty()) what = "expected " + f.expected + ", reported " + f.reported;
  if (f.note.empty()) return what;
  return what.empty() ? f.note : what + " (" + f.note + ")";
}

std::string ReportedOrMessage(const CheckFailure& f) {
  if (f.reported == f.expected && !f.note.empty()) return f.note;
  if (f.note.empty()) return f.reported;
  return f.reported.empty() ? f.note : f.reported + " (" + f.note + ")";
}
