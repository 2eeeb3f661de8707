#include "check_output.h"

#include <cmath>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cstdio>

#include "check_failures.h"
#include "check_timing.h"
#include "wheel_drift.h"

namespace {

// A step line's columns, each as wide as its widest value, so that every
// line of a check aligns: "shutterA", a Mono's timer setting
// "time=exposure 1:02:03.4567", its six command bytes "FA 21 02 03 45 67",
// and a shutter's "mode soft, steps 1000" (with room).
constexpr int kDeviceWidth = 9;
constexpr int kActionWidth = 26;
constexpr int kSentWidth = 17;
constexpr int kReportWidth = 22;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// To the microsecond: the clock's float figures carry digits no line time has.
double Microseconds(double ms) { return std::round(ms * 1000) / 1000; }

QJsonValue Ms(double ms) { return ms >= 0 ? QJsonValue(Microseconds(ms)) : QJsonValue(); }

int Count(const CheckResult& r, StepResult result) {
  int count = 0;
  for (const CheckStep& s : r.steps) count += s.result == result ? 1 : 0;
  return count;
}

std::string Printed(const char* format, auto... values) {
  char text[512];
  const int written = std::snprintf(text, sizeof text, format, values...);
  return written < 0 ? std::string() : std::string(text);
}

// "limits: a move at most 500 ms; wheels at most 10 % apart", or empty.
std::string LimitsLine(const CheckResult& r) {
  std::string limits;
  if (r.maxMs > 0) limits = Printed("a move at most %g ms", r.maxMs);
  if (r.maxDriftPercent > 0) {
    limits += (limits.empty() ? "" : "; ") + Printed("wheels at most %g %% apart", r.maxDriftPercent);
  }
  return limits.empty() ? limits : "limits: " + limits + "\n";
}

std::string DriftLines(const CheckResult& r) {
  std::string text;
  for (const WheelDrift& d : r.drifts) text += "drift: " + DriftText(d, r.maxDriftPercent) + "\n";
  return text;
}

// The failed steps, at most kFailuresListed of them, then how many more.
std::string FailureLines(const CheckResult& r) {
  const std::vector<CheckFailure> failures = FailuresOf(r);
  if (failures.empty()) return {};
  std::string text = "failures:\n";
  for (std::size_t i = 0; i < failures.size() && i < kFailuresListed; ++i) {
    const CheckFailure& f = failures[i];
    text += Printed("  step %-3d %-26s %s", f.step, f.setting.c_str(), FailureWhat(f).c_str());
    text += f.ms >= 0 ? Printed("  %.1f ms\n", f.ms) : std::string("\n");
  }
  if (failures.size() > kFailuresListed) {
    text += Printed("  and %d more failed steps\n", static_cast<int>(failures.size()) - kFailuresListed);
  }
  return text;
}

QJsonValue Limit(double limit) { return limit > 0 ? QJsonValue(limit) : QJsonValue(); }

QJsonArray DriftsJson(const CheckResult& r) {
  QJsonArray drifts;
  for (const WheelDrift& d : r.drifts) {
    drifts.append(QJsonObject{{"slower", Q(d.slower)},
                              {"faster", Q(d.faster)},
                              {"speed", d.speed},
                              {"distance", d.distance},
                              {"slower_ms", Microseconds(d.slowerMs)},
                              {"faster_ms", Microseconds(d.fasterMs)},
                              {"percent", std::round(d.percent * 10) / 10}});
  }
  return drifts;
}

QJsonArray FailuresJson(const CheckResult& r) {
  QJsonArray failures;
  for (const CheckFailure& f : FailuresOf(r)) {
    failures.append(QJsonObject{{"step", f.step},
                                {"setting", Q(f.setting)},
                                {"expected", Q(f.expected)},
                                {"reported", Q(f.reported)},
                                {"note", Q(f.note)},
                                {"ms", Ms(f.ms)}});
  }
  return failures;
}

}  // namespace

std::string StepLine(const CheckStep& s) {
  if (s.result == StepResult::kSkipped) return Printed("%-9s skipped: %s\n", s.device.c_str(), s.note.c_str());
  const std::string action = s.setting + "=" + s.value;
  std::string line = Printed("%-*s %-*s sent %-*s expected %-*s reported %-*s %-4s", kDeviceWidth, s.device.c_str(),
                             kActionWidth, action.c_str(), kSentWidth, s.sent.empty() ? "-" : s.sent.c_str(),
                             kReportWidth, s.expected.c_str(), kReportWidth, s.reported.empty() ? "-" : s.reported.c_str(),
                             StepResultName(s.result));
  line += s.ms >= 0 ? Printed(" %8.1f ms", s.ms) : std::string("        - ms");
  if (!s.note.empty()) line += "  (" + s.note + ")";
  return line + "\n";
}

std::string CheckSummaryText(const CheckResult& r, const RunWho& who) {
  std::string text;
  if (!r.notIdentified.empty()) {
    return std::string("verdict: ") + VerdictName(r.verdict) + "\n" + WhoLines(who) +
           "identification: " + r.notIdentified + "\nthe check ended before anything moved: " + r.restoreNote +
           "\n";
  }
  if (!r.restored) text += "restore: NOT verified: " + r.restoreNote + "\n";
  text += std::string("verdict: ") + VerdictName(r.verdict) + "\n" + WhoLines(who);
  if (r.restored) text += "restore: the settings found were set again and verified\n";
  text += Printed("steps: %d passed, %d failed, %d skipped, %d of %d run\n", Count(r, StepResult::kPass),
                  Count(r, StepResult::kFail), Count(r, StepResult::kSkipped), static_cast<int>(r.steps.size()),
                  r.planned);
  text += LimitsLine(r);
  const std::vector<MoveTimes> times = MoveTimesOf(r.steps);
  if (!times.empty()) text += "move time (ms)     moves      min   median      max\n";
  for (const MoveTimes& t : times) {
    text += Printed("%s speed %d  %8d %8.1f %8.1f %8.1f\n", t.device.c_str(), t.speed, t.ms.count, t.ms.min,
                    t.ms.median, t.ms.max);
  }
  return text + DriftLines(r) + FailureLines(r);
}

std::string CheckJson(const CheckResult& r, const RunWho& who) {
  QJsonArray steps;
  for (const CheckStep& s : r.steps) {
    steps.append(QJsonObject{{"device", Q(s.device)},
                             {"setting", s.setting.empty() ? QJsonValue() : QJsonValue(Q(s.setting))},
                             {"value", s.value.empty() ? QJsonValue() : QJsonValue(Q(s.value))},
                             {"sent", Q(s.sent)},
                             {"expected", Q(s.expected)},
                             {"reported", Q(s.reported)},
                             {"result", StepResultName(s.result)},
                             {"note", Q(s.note)},
                             {"ms", Ms(s.ms)},
                             {"status_ms", Ms(s.statusMs)},
                             {"speed", s.speed >= 0 ? QJsonValue(s.speed) : QJsonValue()},
                             {"distance", s.distance >= 0 ? QJsonValue(s.distance) : QJsonValue()}});
  }
  QJsonArray moveTimes;
  for (const MoveTimes& t : MoveTimesOf(r.steps)) {
    moveTimes.append(QJsonObject{{"device", Q(t.device)},
                                 {"speed", t.speed},
                                 {"moves", t.ms.count},
                                 {"min", Microseconds(t.ms.min)},
                                 {"median", Microseconds(t.ms.median)},
                                 {"max", Microseconds(t.ms.max)}});
  }
  const QJsonObject result{{"verdict", VerdictName(r.verdict)},
                           {"restored", r.restored},
                           {"restore_note", Q(r.restoreNote)},
                           {"identification", r.notIdentified.empty() ? QJsonValue() : QJsonValue(Q(r.notIdentified))},
                           {"configuration", Q(r.configuration)},
                           {"planned", r.planned},
                           {"passed", Count(r, StepResult::kPass)},
                           {"failed", Count(r, StepResult::kFail)},
                           {"skipped", Count(r, StepResult::kSkipped)},
                           {"max_ms", Limit(r.maxMs)},
                           {"max_drift_percent", Limit(r.maxDriftPercent)},
                           {"drifts", DriftsJson(r)},
                           {"failures", FailuresJson(r)},
                           {"steps", steps},
                           {"move_time_ms", moveTimes}};
  return QJsonDocument(WithWho(result, who)).toJson(QJsonDocument::Compact).toStdString() + "\n";
}
