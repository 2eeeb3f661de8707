// The figures of a series of times: what a burn-in reports of each setting.
#pragma once

#include <span>
#include <string>

// Quantiles interpolate linearly between the two nearest of the sorted
// times, as numpy.percentile and pandas' quantile do by default, so that a
// figure can be checked against the CSV: the median of an even count is
// the mean of its middle two.
//
// The first and the last tenth: the earliest and the latest count / 10
// times of the run, at least one; their medians side by side show a wheel
// that slows down (or speeds up) over the run.
struct TimeFigures {
  int count = 0;  // times in the series; every figure below is 0 without any
  double min = 0;
  double median = 0;
  double p95 = 0;
  double max = 0;
  double firstTenthMedian = 0;
  double lastTenthMedian = 0;
};

// times in the order they were taken.
TimeFigures FiguresOf(std::span<const float> times);

// The q-quantile (0 to 1) of sorted times, interpolated; 0 for none.
double Quantile(std::span<const float> sorted, double q);

// A time in ms as every table, report and CSV gives it: to a tenth, for a
// character at 300 baud takes 33.3 ms ("33.3"); none for a negative time,
// which means no time was taken.
std::string MsText(double ms, const char* none = "");
