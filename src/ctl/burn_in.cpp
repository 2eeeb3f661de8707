#include "burn_in.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ctl_messages.h"
#include "setting_tables.h"
#include "line_timing.h"
#include "progress_line.h"
#include "stop_request.h"
#include "summary_output.h"
#include "time_figures.h"

namespace {

// Often enough to look alive, rarely enough to cost nothing.
constexpr std::chrono::milliseconds kProgressInterval{200};

using Seconds = std::chrono::duration<double>;

bool Failed(const CycleResult& result) { return result.outcome != CycleOutcome::kDone || !result.mismatch.empty(); }

void Count(const CycleResult& result, BurnInSummary& s) {
  ++s.runs;
  s.droppedBytes += result.droppedBytes;
  switch (result.outcome) {
    case CycleOutcome::kNoReply:
      ++s.noReplies;
      return;
    case CycleOutcome::kPortGone:
      s.portGone = true;
      return;
    case CycleOutcome::kRefused:
      ++s.refusals;
      return;
    case CycleOutcome::kBadReply:
      ++s.badReplies;
      return;
    case CycleOutcome::kDone:
      if (!result.mismatch.empty()) ++s.mismatches;
      if (result.sentBytes == 0) {
        ++s.unsent;
        return;
      }
      ++s.replies;
      s.wall += result.wall.count();
      s.line += static_cast<double>(result.sentBytes + result.replyBytes) * Seconds(kCharacterTime).count();
      return;
  }
}

// Milliseconds to the microsecond: float figures carry digits no clock gave.
double Microseconds(double ms) { return std::round(ms * 1000) / 1000; }

// A message on one line, for a row.
std::string OneLine(std::string text) {
  if (text.rfind("korvel-ctl: ", 0) == 0) text.erase(0, sizeof "korvel-ctl: " - 1);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

std::string RowMessage(const CycleResult& result) {
  switch (result.outcome) {
    case CycleOutcome::kRefused:
      return OneLine(result.message);
    case CycleOutcome::kNoReply:
      return "no reply";
    case CycleOutcome::kBadReply:
      return "bad reply: " + result.badReply;
    case CycleOutcome::kPortGone:
      return "the port went away";
    case CycleOutcome::kDone:
      break;
  }
  if (!result.mismatch.empty()) return result.mismatch;
  return result.sentBytes == 0 ? "nothing to send" : std::string();
}

CycleRow RowOfCycle(int round, const std::string& name, const CycleResult& result) {
  CycleRow row;
  row.round = round;
  row.setting = name;
  row.sentBytes = result.sentBytes;
  row.replyBytes = result.replyBytes;
  row.echoMs = result.echoed && result.times.echo >= 0 ? result.times.echo * 1000 : -1;
  row.replyMs = result.times.reply >= 0 ? result.times.reply * 1000 : -1;
  row.passed = !Failed(result);
  row.message = RowMessage(result);
  row.ended = std::chrono::system_clock::now();
  row.reported = result.reported;
  return row;
}

void ShowRunProgress(FILE* out, const BurnInSummary& s, Seconds elapsed, bool last) {
  const double perRun = s.runs > 0 ? elapsed.count() / static_cast<double>(s.runs) : 0;
  ShowProgress(out, {s.runs, s.planned, s.statistics.failures(), "", perRun * static_cast<double>(s.planned - s.runs)}, last);
}

class Runner {
 public:
  Runner(const BurnInOptions& options, BurnInSummary& summary) : o_(options), s_(summary) {}

  // Runs one step; false when the run ends after it. verifying: the step
  // compares the controller's report with what was set.
  bool step(int round, const BurnInStep& step, bool verifying = false) {
    ran_ = false;
    if (StopRequested()) return false;
    const CycleResult result = step.run();
    ran_ = true;
    Count(result, s_);
    if (verifying && result.outcome == CycleOutcome::kDone) ++s_.verifications;
    const CycleRow row = RowOfCycle(round, step.name, result);
    s_.statistics.add(row);
    writeRow(row);
    showProgress(false);
    if (s_.portGone) return false;
    s_.stoppedAtFailure = o_.stopOnError && Failed(result);
    return !s_.stoppedAtFailure;
  }

  // The last step asked for ran, whatever its result.
  bool ran() const { return ran_; }

  void showProgress(bool last) {
    if (o_.progress == nullptr) return;
    const auto now = std::chrono::steady_clock::now();
    if (!last && now - shown_ < kProgressInterval) return;
    ShowRunProgress(o_.progress, s_, now - start_, last);
    shown_ = now;
  }

 private:
  // A CSV file that stops is told once; the run goes on.
  void writeRow(const CycleRow& row) {
    if (o_.csv == nullptr) return;
    if (const std::string failure = o_.csv->write(row); !failure.empty()) Tell("korvel-ctl: " + failure + "\n");
  }

  const BurnInOptions& o_;
  BurnInSummary& s_;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point shown_ = start_;
  bool ran_ = false;
};

std::string Fixed(double value, const char* format) {
  char text[48];
  const int written = std::snprintf(text, sizeof text, format, value);
  return written < 0 ? std::string("?") : std::string(text);
}
std::string Tenth(double ms) { return Fixed(ms, "%.1f"); }
std::string Thousandths(double ratio) { return Fixed(ratio, "%.3f"); }

// A count as JSON writes it: an integer, exact to 2^53.
QJsonValue Count64(int64_t count) { return QJsonValue(static_cast<qint64>(count)); }

// Each step's row of reply times together: the totals' figures.
TimeFigures AllTimes(const BurnInSummary& s) {
  std::vector<float> times;
  for (const SettingSeries& series : s.statistics.series()) {
    const std::vector<float> seen = series.times();
    times.insert(times.end(), seen.begin(), seen.end());
  }
  return FiguresOf(times);
}

}  // namespace

BurnInSummary RunBurnIn(const BurnInOptions& o) {
  BurnInSummary s;
  const int steps = static_cast<int>(o.round.size());
  const int64_t repeat = o.repeat;
  s.planned = repeat * steps + (o.verifyEvery > 0 ? repeat / o.verifyEvery : 0);
  s.plannedRounds = repeat;
  KeepProgressLine(o.progress != nullptr);
  Runner runner(o, s);
  bool going = true;
  for (int round = 1; going && round <= o.repeat; ++round) {
    if (round > 1) SleepUnlessStopped(o.interval);
    const bool verifyDue = o.verifyEvery > 0 && round % o.verifyEvery == 0;
    // A round counts when all its cycles ran, the one that ended the run too.
    bool whole = true;
    for (int i = 0; going && i < steps; ++i) {
      going = runner.step(round, o.round[static_cast<std::size_t>(i)]);
      whole = going || (runner.ran() && i + 1 == steps && !verifyDue);
    }
    if (going && verifyDue) {
      going = runner.step(round, o.verify, true);
      whole = runner.ran();
    }
    if (whole) s.rounds = round;
  }
  runner.showProgress(true);
  KeepProgressLine(false);
  s.stopSignal = StopSignal();
  return s;
}

std::string SummaryText(const BurnInSummary& s, const RunWho& who) {
  const TimeFigures times = AllTimes(s);
  std::string summary = WhoLines(who) +
                        "rounds: " + std::to_string(s.rounds) + " of " + std::to_string(s.plannedRounds) + "\n" +
                        "cycles: " + std::to_string(s.runs) + " of " + std::to_string(s.planned) + "\n" +
                        "replies: " + std::to_string(s.replies) + "\n" +
                        "bad replies: " + std::to_string(s.badReplies) + "\n" +
                        "no replies: " + std::to_string(s.noReplies) + "\n" +
                        "refusals: " + std::to_string(s.refusals) + "\n" +
                        "nothing sent: " + std::to_string(s.unsent) + "\n" +
                        "dropped bytes: " + std::to_string(s.droppedBytes) + "\n";
  // Figures of what was measured only: "-" where nothing replied.
  summary += "reply time: " +
             (times.count > 0 ? "min " + Tenth(times.min) + " ms, median " + Tenth(times.median) + " ms, max " +
                                    Tenth(times.max) + " ms"
                              : std::string("-")) +
             "\n";
  summary += "wall over line time: " + (s.line > 0 ? Thousandths(s.wall / s.line) : std::string("-")) + "\n";
  if (s.verifications > 0) summary += "mismatches: " + std::to_string(s.mismatches) + "\n";
  if (s.portGone) summary += "ended: the port went away\n";
  if (s.stoppedAtFailure) summary += "ended: stopped at the first failure\n";
  if (s.stopSignal != 0) summary += std::string("ended: stopped by SIG") + sigabbrev_np(s.stopSignal) + "\n";
  return summary + "\n" + SummaryTable(s.statistics.summaries());
}

std::string SummaryJson(const BurnInSummary& s, const RunWho& who) {
  const TimeFigures times = AllTimes(s);
  const QJsonValue replyTime = times.count > 0 ? QJsonValue(QJsonObject{{"min", Microseconds(times.min)},
                                                                         {"median", Microseconds(times.median)},
                                                                         {"max", Microseconds(times.max)}})
                                               : QJsonValue();
  QJsonObject summary{{"rounds", Count64(s.rounds)},
                      {"planned_rounds", Count64(s.plannedRounds)},
                      {"runs", Count64(s.runs)},
                      {"planned", Count64(s.planned)},
                      {"replies", Count64(s.replies)},
                      {"bad_replies", Count64(s.badReplies)},
                      {"no_replies", Count64(s.noReplies)},
                      {"refusals", Count64(s.refusals)},
                      {"nothing_sent", Count64(s.unsent)},
                      {"mismatches", s.verifications > 0 ? Count64(s.mismatches) : QJsonValue()},
                      {"dropped_bytes", Count64(s.droppedBytes)},
                      {"reply_time_ms", replyTime},
                      {"wall_over_line", s.line > 0 ? QJsonValue(Microseconds(s.wall / s.line)) : QJsonValue()},
                      {"port_gone", s.portGone},
                      {"stopped_at_failure", s.stoppedAtFailure},
                      {"stopped_by", s.stopSignal != 0 ? QJsonValue(QString("SIG") + sigabbrev_np(s.stopSignal))
                                                        : QJsonValue()},
                      {"settings", SummaryJsonArray(s.statistics.summaries())}};
  return QJsonDocument(WithWho(summary, who)).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

int SummaryExitStatus(const BurnInSummary& s) {
  if (s.stopSignal != 0) return 128 + s.stopSignal;
  if (s.portGone) return kExitPort;
  if (s.noReplies > 0) return kExitNoReply;
  if (s.badReplies > 0) return kExitBadReply;
  if (s.mismatches > 0) return kExitMismatch;
  if (s.refusals > 0) return kExitRefused;
  return kExitDone;
}
