#include "burn_in.h"

#include <QJsonArray>
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
#include "record_entries.h"
#include "verdict_html.h"
#include "stop_request.h"
#include "summary_output.h"
#include "time_figures.h"

namespace {

// Often enough to look alive, rarely enough to cost nothing.
constexpr std::chrono::milliseconds kProgressInterval{200};

using Seconds = std::chrono::duration<double>;

bool Failed(const CycleResult& result) { return result.outcome != CycleOutcome::kDone || !result.mismatch.empty(); }

FailureKind KindOf(CycleOutcome outcome) {
  switch (outcome) {
    case CycleOutcome::kNoReply:
      return FailureKind::kNoReply;
    case CycleOutcome::kPortGone:
      return FailureKind::kPortGone;
    case CycleOutcome::kRefused:
      return FailureKind::kRefused;
    case CycleOutcome::kBadReply:
      return FailureKind::kBadReply;
    case CycleOutcome::kDone:
      break;
  }
  return FailureKind::kNone;
}

// A limit as the user gave it: "2000", "0.5".
std::string LimitText(double value) {
  char text[32];
  const int written = std::snprintf(text, sizeof text, "%g", value);
  return written < 0 ? std::string("?") : std::string(text);
}

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

// Counted in rounds, as --repeat asks; the time left from the cycles, which
// end more often than rounds.
Progress RunProgress(const BurnInSummary& s, Seconds elapsed) {
  const double perRun = s.runs > 0 ? elapsed.count() / static_cast<double>(s.runs) : -1;
  return {s.rounds, s.plannedRounds, s.statistics.failures(), "rounds",
          perRun < 0 ? -1 : perRun * static_cast<double>(s.planned - s.runs)};
}

class Runner {
 public:
  Runner(const BurnInOptions& options, BurnInSummary& summary) : o_(options), s_(summary) {}

  // Runs one step; false when the run ends after it.
  bool step(int round, const BurnInStep& step) {
    ran_ = false;
    if (StopRequested()) return false;
    const CycleResult result = step.run();
    ran_ = true;
    return ended(round, step.name, step.maxMs, result, {});
  }

  // Runs the verify step: a setting reported otherwise than set fails on
  // the row of the step that set it, the query's own row only by its own
  // failure.
  bool verify(int round, const VerifyStep& step) {
    ran_ = false;
    if (StopRequested()) return false;
    std::vector<ReportedMismatch> mismatches;
    const CycleResult result = step.run(mismatches);
    ran_ = true;
    if (result.outcome == CycleOutcome::kDone) ++s_.verifications;
    return ended(round, step.name, step.maxMs, result, mismatches);
  }

  // The last step asked for ran, whatever its result.  // The last step asked for ran, whatever its result.
  bool ran() const { return ran_; }

  // On the terminal, and to a rack's parent, which limits its own records.
  void showProgress(bool last) {
    const auto now = std::chrono::steady_clock::now();
    const Progress progress = RunProgress(s_, now - start_);
    SendProgress(progress, last);
    if (o_.progress == nullptr) return;
    if (!last && now - shown_ < kProgressInterval) return;
    ShowProgress(o_.progress, progress, last);
    shown_ = now;
  }

 private:
  bool ended(int round, const std::string& name, double maxMs, const CycleResult& result,
             const std::vector<ReportedMismatch>& mismatches) {
    Count(result, s_);
    CycleRow row = RowOfCycle(round, name, result);
    FailureRecord failure;
    failure.at = std::chrono::system_clock::now();
    failure.kind = KindOf(result.outcome);
    // Judged on the tenth the summary shows: no "300.0 ms over the limit of 300 ms".
    if (failure.kind == FailureKind::kNone && maxMs > 0 && std::round(row.replyMs * 10) / 10 > maxMs) {
      ++s_.overLimit;
      failure.kind = FailureKind::kOverLimit;
      failure.reported = MsText(row.replyMs) + " ms over the limit of " + LimitText(maxMs) + " ms";
      failure.expected = "at most " + LimitText(maxMs) + " ms";
      row.passed = false;
      row.message = failure.reported + (row.message.empty() ? "" : "; " + row.message);
    }
    // The CSV's row is the cycle's: a query that found a mismatch fails
    // there, while the statistics charge it to the setting's row.
    writeRow(row);
    row.passed = failure.kind == FailureKind::kNone;
    s_.statistics.add(row, failure);
    for (const ReportedMismatch& m : mismatches) s_.statistics.charge(Charged(round, m, failure.at));
    showProgress(false);
    if (s_.portGone) return false;
    s_.stoppedAtFailure = o_.stopOnError && (!row.passed || !mismatches.empty());
    return !s_.stoppedAtFailure;
  }

  FailureRecord Charged(int round, const ReportedMismatch& m, std::chrono::system_clock::time_point at) const {
    const std::string& step = o_.round.at(m.step).name;
    // A step of one setting names its key; one of two needs it said.
    const bool named = step == m.key + "=" + m.set;
    FailureRecord f;
    f.round = round;
    f.setting = step;
    f.kind = FailureKind::kMismatch;
    f.expected = named ? m.set : m.key + " " + m.set;
    f.reported = named ? m.reported : m.key + " " + m.reported;
    f.at = at;
    return f;
  }

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

// Each setting whose last tenth's median is slower than its first tenth's
// by more than maxPercent fails as a whole.
void JudgeDrift(double maxPercent, BurnInSummary& s) {
  const auto now = std::chrono::system_clock::now();
  std::vector<FailureRecord> drifted;
  for (const SettingSeries& series : s.statistics.series()) {
    const TimeFigures f = FiguresOf(series.times());
    if (f.count < 2 || f.firstTenthMedian <= 0) continue;
    const double percent = (f.lastTenthMedian - f.firstTenthMedian) / f.firstTenthMedian * 100;
    if (percent <= maxPercent) continue;
    FailureRecord d;
    d.setting = series.setting;
    d.kind = FailureKind::kDrift;
    d.expected = "drift at most " + LimitText(maxPercent) + " %";
    d.reported = "drift " + Fixed(percent, "%.1f") + " % over the limit of " + LimitText(maxPercent) +
                 " % (median of the first tenth " + MsText(f.firstTenthMedian) + " ms, of the last " +
                 MsText(f.lastTenthMedian) + " ms)";
    d.at = now;
    drifted.push_back(d);
  }
  for (const FailureRecord& d : drifted) s.statistics.failSeries(d);
  s.drifts = static_cast<int64_t>(drifted.size());
}

// The first kShownFailures failures as a table, then how many more.
constexpr std::size_t kShownFailures = 20;

std::string FailureLines(const RunStatistics& statistics) {
  const std::vector<FailureRecord>& kept = statistics.failureRecords();
  std::vector<std::vector<std::string>> lines{{"round", "at", "setting", "failure", "ms", "expected",
                                               "reported or message"}};
  for (std::size_t i = 0; i < kept.size() && i < kShownFailures; ++i) {
    const FailureRecord& f = kept[i];
    lines.push_back({f.round > 0 ? std::to_string(f.round) : "-", FailureTimeText(f), f.setting,
                     FailureKindName(f.kind), MsText(f.ms, "-"), f.expected.empty() ? "-" : f.expected, f.reported});
  }
  std::vector<std::size_t> widths(lines.front().size(), 0);
  for (const auto& line : lines) {
    for (std::size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], line[i].size());
  }
  std::string text = "failures: " + std::to_string(statistics.failureCount()) + "\n";
  for (const auto& line : lines) {
    std::string row;
    for (std::size_t i = 0; i + 1 < line.size(); ++i) row += line[i] + std::string(widths[i] - line[i].size() + 2, ' ');
    text += row + line.back() + "\n";
  }
  const int64_t more = statistics.failureCount() - static_cast<int64_t>(std::min(kept.size(), kShownFailures));
  if (more > 0) text += "and " + std::to_string(more) + " more\n";
  return text;
}

QJsonValue FailuresJson(const RunStatistics& statistics) {
  QJsonArray array;
  for (const FailureRecord& f : statistics.failureRecords()) {
    array.append(QJsonObject{{"round", f.round > 0 ? Count64(f.round) : QJsonValue()},
                             {"setting", QString::fromStdString(f.setting)},
                             {"failure", FailureKindName(f.kind)},
                             {"expected", f.expected.empty() ? QJsonValue() : QString::fromStdString(f.expected)},
                             {"reported", QString::fromStdString(f.reported)},
                             {"ms", f.ms >= 0 ? QJsonValue(Microseconds(f.ms)) : QJsonValue()},
                             {"at", QString::fromStdString(LocalTimeText(f.at))}});
  }
  return array;
}

}  // namespace

const char* BurnInVerdict(const BurnInSummary& s) {
  if (s.stopSignal != 0) return "stopped";
  if (s.portGone || s.noReplies > 0) return "no reply";
  if (s.statistics.failureCount() > 0 || s.mismatches > 0) return "failed";
  return "passed";
}

std::string VerdictDetail(const BurnInSummary& s) {
  std::string detail = std::to_string(s.rounds) + " of " + std::to_string(s.plannedRounds) + " rounds, " +
                       std::to_string(s.statistics.failureCount()) + " failures";
  if (s.portGone) detail += "; the port went away";
  if (s.stoppedAtFailure) detail += "; stopped at the first failure";
  if (s.stopSignal != 0) detail += std::string("; stopped by SIG") + sigabbrev_np(s.stopSignal);
  if (!s.limits.empty()) detail += "; limits: " + s.limits;
  return detail;
}

BurnInSummary RunBurnIn(const BurnInOptions& o) {
  BurnInSummary s;
  const int steps = static_cast<int>(o.round.size());
  const int64_t repeat = o.repeat;
  s.planned = repeat * steps + (o.verifyEvery > 0 ? repeat / o.verifyEvery : 0);
  s.plannedRounds = repeat;
  KeepProgressLine(o.progress != nullptr);
  Runner runner(o, s);
  // A rack's parent shows the run planned before its first round ends.
  SendProgress(RunProgress(s, Seconds(0)), false);
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
      going = runner.verify(round, o.verify);
      whole = runner.ran();
    }
    if (whole) s.rounds = round;
  }
  runner.showProgress(true);
  KeepProgressLine(false);
  s.stopSignal = StopSignal();
  s.limitsSet = !o.limits.empty();
  s.driftLimitSet = o.maxDriftPercent > 0;
  s.limits = o.limits;
  if (o.maxDriftPercent > 0) JudgeDrift(o.maxDriftPercent, s);
  return s;
}

std::string SummaryText(const BurnInSummary& s, const RunWho& who) {
  const TimeFigures times = AllTimes(s);
  std::string summary = std::string("verdict: ") + BurnInVerdict(s) + "\n" + WhoLines(who) +
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
  if (!s.limits.empty()) summary += "limits: " + s.limits + "\n";
  if (s.limitsSet) summary += "over the limit: " + std::to_string(s.overLimit) + "\n";
  if (s.driftLimitSet) summary += "drift over the limit: " + std::to_string(s.drifts) + "\n";
  if (s.portGone) summary += "ended: the port went away\n";
  if (s.stoppedAtFailure) summary += "ended: stopped at the first failure\n";
  if (s.stopSignal != 0) summary += std::string("ended: stopped by SIG") + sigabbrev_np(s.stopSignal) + "\n";
  summary += "\n" + SummaryTable(s.statistics.summaries());
  if (s.statistics.failureCount() > 0) summary += "\n" + FailureLines(s.statistics);
  return summary;
}

std::string SummaryJson(const BurnInSummary& s, const RunWho& who) {
  const TimeFigures times = AllTimes(s);
  const QJsonValue replyTime = times.count > 0 ? QJsonValue(QJsonObject{{"min", Microseconds(times.min)},
                                                                         {"median", Microseconds(times.median)},
                                                                         {"max", Microseconds(times.max)}})
                                               : QJsonValue();
  QJsonObject summary{{"verdict", BurnInVerdict(s)},
                      {"rounds", Count64(s.rounds)},
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
                      {"limits", s.limits.empty() ? QJsonValue() : QString::fromStdString(s.limits)},
                      {"over_limit", s.limitsSet ? Count64(s.overLimit) : QJsonValue()},
                      {"drift_over_limit", s.driftLimitSet ? Count64(s.drifts) : QJsonValue()},
                      {"failures", FailuresJson(s.statistics)},
                      {"failures_total", Count64(s.statistics.failureCount())},
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
  if (s.overLimit > 0 || s.drifts > 0) return kExitFailedSteps;
  return kExitDone;
}
