// An axis of a chart: a value range widened to round tick values.
#pragma once

#include <vector>

struct AxisScale {
  double low = 0;
  double high = 1;
  double step = 1;  // between ticks, 1, 2 or 5 times a power of ten

  // The multiples of step from low to high.
  std::vector<double> ticks() const;
  // Where value falls from 0 (low) to 1 (high).
  double fraction(double value) const { return (value - low) / (high - low); }
};

// A scale over [low, high] with about `ticks` round ticks; a range of one
// value is widened around it.
AxisScale NiceScale(double low, double high, int ticks);

// A scale of counts from 0 to at least most: ticks only at whole counts,
// however small most is.
AxisScale CountScale(int most, int ticks);
