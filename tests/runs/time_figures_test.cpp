// The figures of small series, each worked out by hand (and as numpy's
// default percentile gives them).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "case_name.h"
#include "time_figures.h"

namespace {

struct FiguresCase {
  std::string name;
  std::vector<float> times;  // in the order taken
  TimeFigures expected;
};

void PrintTo(const FiguresCase& c, std::ostream* out) { *out << c.name; }

class Figures : public testing::TestWithParam<FiguresCase> {};

TEST_P(Figures, OfASeries) {
  const FiguresCase& c = GetParam();
  const TimeFigures f = FiguresOf(c.times);
  EXPECT_EQ(f.count, c.expected.count);
  EXPECT_DOUBLE_EQ(f.min, c.expected.min);
  EXPECT_DOUBLE_EQ(f.median, c.expected.median);
  EXPECT_NEAR(f.p95, c.expected.p95, 1e-4);
  EXPECT_DOUBLE_EQ(f.max, c.expected.max);
  EXPECT_DOUBLE_EQ(f.firstTenthMedian, c.expected.firstTenthMedian);
  EXPECT_DOUBLE_EQ(f.lastTenthMedian, c.expected.lastTenthMedian);
}

std::vector<float> Ramp(int count, float from, float step) {
  std::vector<float> times;
  for (int i = 0; i < count; ++i) times.push_back(from + step * static_cast<float>(i));
  return times;
}

// Twenty times: the first two 100, the last two 200, the rest 150 in between.
std::vector<float> SlowingDown() {
  std::vector<float> times(20, 150);
  times[0] = times[1] = 100;
  times[18] = times[19] = 200;
  return times;
}

INSTANTIATE_TEST_SUITE_P(
    Series, Figures,
    testing::Values(
        FiguresCase{"None", {}, {}},
        FiguresCase{"One", {42}, {1, 42, 42, 42, 42, 42, 42}},
        // Even count: the median is the mean of the middle two; p95 at
        // position 0.95 * 3 = 2.85 between 30 and 40.
        FiguresCase{"FourOutOfOrder", {40, 10, 30, 20}, {4, 10, 25, 38.5, 40, 40, 20}},
        // 1 to 10: a tenth is one time, the first and the last.
        FiguresCase{"TenRising", Ramp(10, 1, 1), {10, 1, 5.5, 9.55, 10, 1, 10}},
        // 21 times: a tenth is two; p95 at position 19 exactly.
        FiguresCase{"TwentyOneRising", Ramp(21, 0, 10), {21, 0, 100, 190, 200, 5, 195}},
        FiguresCase{"SteadyWithOneSpike", {5, 5, 5, 5, 500, 5, 5, 5, 5, 5, 5, 5}, {12, 5, 5, 227.75, 500, 5, 5}},
        FiguresCase{"SlowingDown", SlowingDown(), {20, 100, 150, 200, 200, 100, 200}}),
    CaseName());

TEST(Quantile, InterpolatesBetweenTheNearestSortedTimes) {
  const std::vector<float> sorted{1, 2, 4, 8};
  EXPECT_DOUBLE_EQ(Quantile(sorted, 0), 1);
  EXPECT_DOUBLE_EQ(Quantile(sorted, 1), 8);
  EXPECT_DOUBLE_EQ(Quantile(sorted, 0.5), 3);
  EXPECT_DOUBLE_EQ(Quantile(sorted, 0.9), 6.8);  // position 2.7
  EXPECT_DOUBLE_EQ(Quantile({}, 0.5), 0);
}

}  // namespace
