#include "check_timing.h"

#include <map>
#include <utility>

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

int EstimatedCheckSeconds(const std::vector<std::string>& stepDevices) {
  double seconds = 0;
  for (const std::string& device : stepDevices) seconds += device.rfind("wheel", 0) == 0 ? 3.3 : 0.5;
  return static_cast<int>(seconds + 0.5);
}

int CheckSecondsLeft(double elapsed, int done, int planned, int estimated) {
  if (done <= 0 || planned <= 0) return estimated;
  const int left = planned > done ? planned - done : 0;
  return static_cast<int>(elapsed / done * left + 0.5);
}
