#include "time_figures.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

double MedianOf(std::span<const float> times) {
  std::vector<float> sorted(times.begin(), times.end());
  std::sort(sorted.begin(), sorted.end());
  return Quantile(sorted, 0.5);
}

}  // namespace

double Quantile(std::span<const float> sorted, double q) {
  if (sorted.empty()) return 0;
  const double at = q * static_cast<double>(sorted.size() - 1);
  const auto below = static_cast<std::size_t>(std::floor(at));
  const std::size_t above = std::min(below + 1, sorted.size() - 1);
  const double part = at - static_cast<double>(below);
  return sorted[below] + part * (static_cast<double>(sorted[above]) - sorted[below]);
}

TimeFigures FiguresOf(std::span<const float> times) {
  TimeFigures f;
  f.count = static_cast<int>(times.size());
  if (times.empty()) return f;
  std::vector<float> sorted(times.begin(), times.end());
  std::sort(sorted.begin(), sorted.end());
  f.min = sorted.front();
  f.max = sorted.back();
  f.median = Quantile(sorted, 0.5);
  f.p95 = Quantile(sorted, 0.95);
  const std::size_t tenth = std::max<std::size_t>(1, times.size() / 10);
  f.firstTenthMedian = MedianOf(times.first(tenth));
  f.lastTenthMedian = MedianOf(times.last(tenth));
  return f;
}
