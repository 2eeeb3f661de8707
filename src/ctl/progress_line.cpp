#include "progress_line.h"

#include <chrono>
#include <cmath>

#include "check_timing.h"
#include "rack_channel.h"
#include "rack_variant.h"

namespace {

// The parent redraws its lines at most this often: a record more often
// would only fill the pipe (a fast burn-in ends thousands of rounds a second).
constexpr std::chrono::milliseconds kRackProgressInterval{200};

struct Sent {
  bool any = false;
  std::chrono::steady_clock::time_point at;
  long long done = 0;
  long long planned = 0;
  long long failures = 0;
};

Sent gSent;

}  // namespace

std::string ProgressText(const Progress& p) {
  std::string text = std::to_string(p.done) + "/" + std::to_string(p.planned) + (*p.unit != '\0' ? " " : "") +
                     p.unit + "  failures " + std::to_string(p.failures);
  if (p.secondsLeft >= 0) text += "  time left " + DurationText(p.secondsLeft);
  return text;
}

void ShowProgress(FILE* out, const Progress& p, bool last) {
  std::fputs(("\r" + ProgressText(p) + "   ").c_str(), out);
  if (last) std::fputs("\r\033[K", out);
  std::fflush(out);
}

QJsonObject ProgressRecord(const Progress& p) {
  QJsonObject record{{"done", p.done}, {"planned", p.planned}, {"failures", p.failures}, {"unit", p.unit}};
  // A tenth of a second is all a line of progress shows.
  if (p.secondsLeft >= 0) record.insert("left_s", std::round(p.secondsLeft * 10) / 10);
  return record;
}

void SendProgress(const Progress& p, bool last) {
  if (!InRack()) return;
  // The parent's line names the controller before it counts its steps.
  SendVariantWhenKnown();
  const auto now = std::chrono::steady_clock::now();
  const bool same = gSent.any && p.done == gSent.done && p.planned == gSent.planned && p.failures == gSent.failures;
  if (last ? same : gSent.any && now - gSent.at < kRackProgressInterval) return;
  SendRackRecord(kRackProgress, ProgressRecord(p));
  gSent = {true, now, p.done, p.planned, p.failures};
}
