#include "check_timing.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

#include "cycle_state.h"
#include "line_timing.h"

namespace {

constexpr double kByteSeconds = std::chrono::duration<double>(kCharacterTime).count();

// No measured figure of the controller's moves is known, and the first
// timed moves replace the model: a modest one, a fixed part for the motor's
// start and stop and a part per position passed, slower at higher speed
// indices.
constexpr double kMoveStartSeconds = 0.1;
constexpr double kPositionSeconds = 0.02;

// The bytes of each setting's command, as the encoders make them on a Triad.
struct CommandLength {
  const char* setting;
  int bytes;
};
constexpr CommandLength kCommandLengths[] = {
    {"filter", 1}, {"speed", 1},                // the wheel byte; wheel C's prefix before it
    {"state", 1},  {"mode", 2},  {"steps", 3},  // the mode byte, the shutter number, the step count
    {"ttlIn", 2},  {"ttlOut", 2}, {"freeRun", 2}, {"repeat", 4}, {"time", 6},
};
// The status query's own byte; the closing byte that ends a command's reply.
constexpr int kQueryBytes = 1;
constexpr int kClosingBytes = 1;
// A restore cycle, at most a mode with its step count.
constexpr int kRestoreCommandBytes = 3;

int CommandBytes(const PlannedStep& step, int32_t variant) {
  int bytes = 1;
  for (const CommandLength& row : kCommandLengths) {
    if (step.setting == row.setting) bytes = row.bytes;
  }
  if (step.device == "wheelC") ++bytes;
  // Only the controllers of two shutters follow a mode byte with the shutter's number.
  const bool numbered = variant == kTriad || variant == kDuoShutterShutter;
  if ((step.setting == "mode" || step.setting == "steps") && !numbered) --bytes;
  return bytes;
}

// A command's bytes and its reply's: the echo and the closing byte.
double CycleSeconds(int commandBytes) { return (2 * commandBytes + kClosingBytes) * kByteSeconds; }

}  // namespace

std::vector<MoveTimes> MoveTimesOf(const std::vector<CheckStep>& steps) {
  std::map<std::pair<std::string, int>, std::vector<float>> times;
  for (const CheckStep& s : steps) {
    if (s.speed < 0 || s.ms < 0 || s.sent.empty()) continue;
    times[{s.device, s.speed}].push_back(static_cast<float>(s.ms));
  }
  std::vector<MoveTimes> figures;
  for (const auto& [key, ms] : times) figures.push_back({key.first, key.second, FiguresOf(ms)});
  return figures;
}

double CheckEstimate::modelledMoveSeconds(int distance, int speed) {
  if (distance <= 0 || speed < 0) return 0;
  return kMoveStartSeconds + kPositionSeconds * distance * (speed + 1);
}

CheckEstimate::CheckEstimate(const CheckPlan& plan, int32_t variant, int statusReplyBytes) {
  const double status = (kQueryBytes + statusReplyBytes) * kByteSeconds;
  for (const PlannedStep& step : plan.steps) {
    Cost cost;
    if (step.skipped.empty()) {
      cost.commandLine = CycleSeconds(CommandBytes(step, variant));
      cost.line = cost.commandLine + status;
      cost.move = modelledMoveSeconds(step.distance, step.speed);
    }
    costs_.push_back(cost);
  }
  restore_ = static_cast<double>(plan.restore.size()) * CycleSeconds(kRestoreCommandBytes) + status;
}

void CheckEstimate::ended(const CheckStep& step) {
  if (ended_ >= costs_.size()) return;
  const Cost& cost = costs_[ended_++];
  if (cost.move <= 0 || step.ms < 0) return;
  // The cycle's time beyond its bytes is the move's.
  movesTimed_ += std::max(0.0, step.ms / 1000 - cost.commandLine);
  movesModelled_ += cost.move;
}

double CheckEstimate::secondsLeft() const {
  const double pace = movesModelled_ > 0 ? movesTimed_ / movesModelled_ : 1;
  double left = restore_;
  for (std::size_t i = ended_; i < costs_.size(); ++i) left += costs_[i].line + costs_[i].move * pace;
  return left;
}

std::string DurationText(double seconds) {
  const long whole = std::lround(std::max(0.0, seconds));
  char text[32];
  const int written = whole < 60 ? std::snprintf(text, sizeof text, "%ld s", whole)
                                 : std::snprintf(text, sizeof text, "%ld min %02ld s", whole / 60, whole % 60);
  return written < 0 ? std::string() : std::string(text);
}
