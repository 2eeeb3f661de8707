#include "burn_in.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <cstring>

#include "ctl_messages.h"
#include "ctl_tables.h"
#include "line_timing.h"
#include "stop_request.h"

namespace {

// Often enough to look alive, rarely enough to cost nothing.
constexpr std::chrono::milliseconds kProgressInterval{200};

using Seconds = std::chrono::duration<double>;

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
      ++s.replies;
      s.replyTimes.push_back(static_cast<float>(result.wall.count()));
      s.wall += result.wall.count();
      return;
  }
}

struct ReplyTimes {
  double low = 0;
  double median = 0;
  double high = 0;
};

double Median(std::vector<float> times) {
  const auto middle = times.begin() + static_cast<std::ptrdiff_t>(times.size() / 2);
  std::nth_element(times.begin(), middle, times.end());
  return *middle;
}

ReplyTimes TimesOf(const BurnInSummary& s) {
  if (s.replyTimes.empty()) return {};
  return {*std::min_element(s.replyTimes.begin(), s.replyTimes.end()), Median(s.replyTimes),
          *std::max_element(s.replyTimes.begin(), s.replyTimes.end())};
}

void ShowProgress(FILE* out, const BurnInSummary& s, Seconds elapsed, bool last) {
  const double perRun = s.runs > 0 ? elapsed.count() / s.runs : 0;
  const double left = perRun * (s.planned - s.runs);
  std::fprintf(out, "\r%d/%d  failures %d  %.0f s left   ", s.runs, s.planned, s.noReplies + s.refusals + s.badReplies,
               left);
  if (last) std::fputs("\r\033[K", out);
  std::fflush(out);
}

}  // namespace

BurnInSummary RunBurnIn(const BurnInOptions& options, const std::function<CycleResult()>& run) {
  BurnInSummary s;
  s.planned = options.repeat;
  s.replyTimes.reserve(static_cast<std::size_t>(options.repeat));
  const auto start = std::chrono::steady_clock::now();
  auto shown = start;
  KeepProgressLine(options.progress != nullptr);
  while (s.runs < options.repeat && !StopRequested()) {
    if (s.runs > 0) SleepUnlessStopped(options.interval);
    if (StopRequested()) break;
    const CycleResult result = run();
    Count(result, s);
    if (result.outcome == CycleOutcome::kDone) {
      s.line += static_cast<double>(options.bytesSent + result.reply.size()) * Seconds(kCharacterTime).count();
    }
    if (options.onRun) options.onRun(result);
    if (s.portGone) break;
    if (options.stopOnError && result.outcome != CycleOutcome::kDone) break;
    const auto now = std::chrono::steady_clock::now();
    if (options.progress != nullptr && now - shown >= kProgressInterval) {
      ShowProgress(options.progress, s, now - start, false);
      shown = now;
    }
  }
  if (options.progress != nullptr) ShowProgress(options.progress, s, std::chrono::steady_clock::now() - start, true);
  KeepProgressLine(false);
  s.stopSignal = StopSignal();
  return s;
}

std::string SummaryText(const BurnInSummary& s) {
  char text[768];
  const double ms = 1000.0;
  const ReplyTimes times = TimesOf(s);
  const int written = std::snprintf(text, sizeof text,
                                    "runs: %d of %d\n"
                                    "replies: %d\n"
                                    "bad replies: %d\n"
                                    "no replies: %d\n"
                                    "refusals: %d\n"
                                    "dropped bytes: %lld\n"
                                    "reply time: min %.1f ms, median %.1f ms, max %.1f ms\n"
                                    "wall over line time: %.3f\n",
                                    s.runs, s.planned, s.replies, s.badReplies, s.noReplies, s.refusals,
                                    s.droppedBytes, times.low * ms, times.median * ms, times.high * ms,
                                    s.line > 0 ? s.wall / s.line : 0.0);
  std::string summary = written < 0 ? std::string() : std::string(text);
  if (s.portGone) summary += "ended: the port went away\n";
  if (s.stopSignal != 0) summary += std::string("ended: stopped by SIG") + sigabbrev_np(s.stopSignal) + "\n";
  return summary;
}

std::string SummaryJson(const BurnInSummary& s) {
  const ReplyTimes times = TimesOf(s);
  QJsonObject replyTime{{"min", times.low * 1000}, {"median", times.median * 1000}, {"max", times.high * 1000}};
  QJsonObject summary{{"runs", s.runs},
                      {"planned", s.planned},
                      {"replies", s.replies},
                      {"bad_replies", s.badReplies},
                      {"no_replies", s.noReplies},
                      {"refusals", s.refusals},
                      {"dropped_bytes", static_cast<double>(s.droppedBytes)},
                      {"reply_time_ms", replyTime},
                      {"wall_over_line", s.line > 0 ? s.wall / s.line : 0.0},
                      {"port_gone", s.portGone},
                      {"stopped_by", s.stopSignal != 0 ? QJsonValue(QString("SIG") + sigabbrev_np(s.stopSignal))
                                                        : QJsonValue()}};
  return QJsonDocument(summary).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

int SummaryExitStatus(const BurnInSummary& s) {
  if (s.stopSignal != 0) return 128 + s.stopSignal;
  if (s.portGone) return kExitPort;
  if (s.noReplies > 0) return kExitNoReply;
  if (s.badReplies > 0) return kExitBadReply;
  if (s.refusals > 0) return kExitRefused;
  return kExitDone;
}
