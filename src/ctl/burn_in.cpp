#include "burn_in.h"

#include <algorithm>

#include "ctl_tables.h"
#include "line_timing.h"
#include "stop_request.h"

namespace {

// Often enough to look alive, rarely enough to cost nothing.
constexpr std::chrono::milliseconds kProgressInterval{200};

using Seconds = std::chrono::duration<double>;

void Count(const CycleResult& result, BurnInSummary& s) {
  ++s.runs;
  switch (result.outcome) {
    case CycleOutcome::kNoReply:
      ++s.noReplies;
      return;
    case CycleOutcome::kRefused:
      ++s.refusals;
      return;
    case CycleOutcome::kDone:
      ++s.replies;
      s.replyTimes.push_back(static_cast<float>(result.wall.count()));
      s.wall += result.wall.count();
      return;
  }
}

void ShowProgress(FILE* out, const BurnInSummary& s, Seconds elapsed, bool last) {
  const double perRun = s.runs > 0 ? elapsed.count() / s.runs : 0;
  const double left = perRun * (s.planned - s.runs);
  std::fprintf(out, "\r%d/%d  failures %d  %.0f s left   ", s.runs, s.planned, s.noReplies + s.refusals, left);
  if (last) std::fputs("\r\033[K", out);
  std::fflush(out);
}

double Median(std::vector<float> times) {
  const auto middle = times.begin() + static_cast<std::ptrdiff_t>(times.size() / 2);
  std::nth_element(times.begin(), middle, times.end());
  return *middle;
}

}  // namespace

BurnInSummary RunBurnIn(const BurnInOptions& options, const std::function<CycleResult()>& run) {
  BurnInSummary s;
  s.planned = options.repeat;
  s.replyTimes.reserve(static_cast<std::size_t>(options.repeat));
  const auto start = std::chrono::steady_clock::now();
  auto shown = start;
  while (s.runs < options.repeat && !StopRequested()) {
    if (s.runs > 0) SleepUnlessStopped(options.interval);
    if (StopRequested()) break;
    const CycleResult result = run();
    Count(result, s);
    if (result.outcome == CycleOutcome::kDone) {
      s.line += static_cast<double>(options.bytesSent + result.reply.size()) * Seconds(kCharacterTime).count();
    }
    if (options.onRun) options.onRun(result);
    if (options.stopOnError && result.outcome != CycleOutcome::kDone) break;
    const auto now = std::chrono::steady_clock::now();
    if (options.progress != nullptr && now - shown >= kProgressInterval) {
      ShowProgress(options.progress, s, now - start, false);
      shown = now;
    }
  }
  if (options.progress != nullptr) ShowProgress(options.progress, s, std::chrono::steady_clock::now() - start, true);
  return s;
}

std::string SummaryText(const BurnInSummary& s) {
  char text[512];
  const double ms = 1000.0;
  const bool any = !s.replyTimes.empty();
  const double low = any ? *std::min_element(s.replyTimes.begin(), s.replyTimes.end()) : 0;
  const double high = any ? *std::max_element(s.replyTimes.begin(), s.replyTimes.end()) : 0;
  const double median = any ? Median(s.replyTimes) : 0;
  const int written = std::snprintf(text, sizeof text,
                                    "runs: %d of %d\n"
                                    "replies: %d\n"
                                    "no replies: %d\n"
                                    "refusals: %d\n"
                                    "reply time: min %.1f ms, median %.1f ms, max %.1f ms\n"
                                    "wall over line time: %.3f\n",
                                    s.runs, s.planned, s.replies, s.noReplies, s.refusals, low * ms, median * ms,
                                    high * ms, s.line > 0 ? s.wall / s.line : 0.0);
  return written < 0 ? std::string() : std::string(text);
}

int SummaryExitStatus(const BurnInSummary& s) {
  if (s.noReplies > 0) return kExitNoReply;
  if (s.refusals > 0) return kExitRefused;
  return kExitDone;
}
