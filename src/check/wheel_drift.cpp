#include "wheel_drift.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>

namespace {

using MoveKey = std::tuple<int, int>;  // speed, distance

bool Moved(const CheckStep& s) { return s.speed >= 0 && s.distance >= 0 && s.ms >= 0 && !s.sent.empty(); }

// A move the status query saw end where it was sent: a wheel that stayed
// where it was (stuck) answers at once, which is no move time.
bool Arrived(const CheckStep& s) { return Moved(s) && !s.reported.empty() && s.reported == s.expected; }

double Median(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  const std::size_t half = ms.size() / 2;
  return ms.size() % 2 == 1 ? ms[half] : (ms[half - 1] + ms[half]) / 2;
}

// Per speed and distance, each wheel's median time of the moves that arrived, wheels in name order.
std::map<MoveKey, std::map<std::string, double>> MedianMoves(const std::vector<CheckStep>& steps) {
  std::map<MoveKey, std::map<std::string, std::vector<double>>> times;
  for (const CheckStep& s : steps) {
    if (Arrived(s)) times[{s.speed, s.distance}][s.device].push_back(s.ms);
  }
  std::map<MoveKey, std::map<std::string, double>> medians;
  for (const auto& [key, wheels] : times) {
    for (const auto& [wheel, ms] : wheels) medians[key][wheel] = Median(ms);
  }
  return medians;
}

std::string Number(const char* format, double value) {
  char text[32];
  const int written = std::snprintf(text, sizeof text, format, value);
  return written < 0 ? std::string() : std::string(text);
}

}  // namespace

std::vector<WheelDrift> DriftsBetweenWheels(const std::vector<CheckStep>& steps, double maxPercent) {
  std::vector<WheelDrift> drifts;
  if (maxPercent <= 0) return drifts;
  for (const auto& [key, wheels] : MedianMoves(steps)) {
    for (auto a = wheels.begin(); a != wheels.end(); ++a) {
      for (auto b = std::next(a); b != wheels.end(); ++b) {
        const bool aSlower = a->second > b->second;
        const auto& slower = aSlower ? *a : *b;
        const auto& faster = aSlower ? *b : *a;
        if (faster.second <= 0) continue;
        const double percent = (slower.second - faster.second) / faster.second * 100;
        if (percent <= maxPercent) continue;
        drifts.push_back({slower.first, faster.first, std::get<0>(key), std::get<1>(key), slower.second,
                          faster.second, percent});
      }
    }
  }
  return drifts;
}

void ApplyMoveLimit(CheckStep& step, double maxMs) {
  if (maxMs <= 0 || !Moved(step) || step.ms <= maxMs) return;
  step.result = StepResult::kFail;
  const std::string over =
      "took " + Number("%.1f", step.ms) + " ms, over the limit of " + Number("%g", maxMs) + " ms";
  step.note = step.note.empty() ? over : step.note + "; " + over;
}

std::string DriftText(const WheelDrift& d, double maxPercent) {
  return d.slower + " slower than " + d.faster + " at speed " + std::to_string(d.speed) + ", distance " +
         std::to_string(d.distance) + ": " + Number("%.1f", d.slowerMs) + " ms against " +
         Number("%.1f", d.fasterMs) + " ms, " + Number("%.1f", d.percent) + " % longer, over the limit of " +
         Number("%g", maxPercent) + " %";
}
