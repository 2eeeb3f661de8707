#include "time_figures.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
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

std::string MsText(double ms, const char* none) {
  if (ms < 0) return none;
  // Room for the largest double in fixed notation, so that no time fails.
  char text[std::numeric_limits<double>::max_exponent10 + 8];
  const auto [end, error] = std::to_chars(text, text + sizeof text, ms, std::chars_format::fixed, 1);
  return error == std::errc() ? std::string(text, end) : std::string(none);
}
