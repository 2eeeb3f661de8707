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
