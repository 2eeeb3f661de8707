#include "chart_scale.h"

#include <algorithm>
#include <cmath>

namespace {

// The round step nearest above raw: 1, 2 or 5 times a power of ten.
double NiceStep(double raw) {
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double factor : {1.0, 2.0, 5.0}) {
    if (raw <= factor * power * (1 + 1e-9)) return factor * power;
  }
  return 10 * power;
}

}  // namespace

std::vector<double> AxisScale::ticks() const {
  std::vector<double> all;
  const double first = std::ceil(low / step - 1e-9);
  const double last = std::floor(high / step + 1e-9);
  for (double i = first; i <= last; ++i) all.push_back(i * step + 0.0);  // + 0.0: no "-0"
  return all;
}

AxisScale NiceScale(double low, double high, int ticks) {
  if (!(high > low)) {
    // One value (or none): a range around it that still has ticks.
    const double half = low != 0 ? std::abs(low) * 0.1 : 1;
    low -= half;
    high += half;
  }
  AxisScale scale;
  scale.step = NiceStep((high - low) / ticks);
  scale.low = std::floor(low / scale.step) * scale.step;
  scale.high = std::ceil(high / scale.step) * scale.step;
  return scale;
}

AxisScale CountScale(int most, int ticks) {
  AxisScale scale = NiceScale(0, std::max(most, 1), ticks);
  if (scale.step < 1) {
    scale.step = 1;
    scale.high = std::max(1.0, std::ceil(scale.high));
  }
  scale.low = 0;
  return scale;
}
