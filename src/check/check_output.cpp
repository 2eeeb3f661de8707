#include "check_output.h"

#include <cmath>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cstdio>

#include "check_timing.h"

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
  const std::vector<MoveTimes> times = MoveTimesOf(r.steps);
  if (!times.empty()) text += "move time (ms)     moves      min   median      max\n";
  for (const MoveTimes& t : times) {
    text += Printed("%s speed %d  %8d %8.1f %8.1f %8.1f\n", t.device.c_str(), t.speed, t.ms.count, t.ms.min,
                    t.ms.median, t.ms.max);
  }
  return text;
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
                           {"steps", steps},
                           {"move_time_ms", moveTimes}};
  return QJsonDocument(WithWho(result, who)).toJson(QJsonDocument::Compact).toStdString() + "\n";
}
