// The charts as a reader compares them: series colours that stand out on
// white, a histogram's count axis at whole counts, a point chart whose
// series stand inside the plot with the key outside it, and charts that
// share a time range on one scale.
#include <gtest/gtest.h>

#include <QColor>
#include <QPainter>

#include <cmath>
#include <regex>
#include <string>
#include <vector>

#include "chart_drawing.h"
#include "chart_scale.h"
#include "svg_chart.h"

namespace {

// The contrast ratio of a colour against white, by the relative luminance
// of sRGB as web accessibility guidelines define it.
double ContrastOnWhite(const QColor& c) {
  const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  const double luminance =
      0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
  return 1.05 / (luminance + 0.05);
}

TEST(ChartColours, EverySeriesColourHasAContrastOfThreeOnWhiteAndDiffersFromTheOthers) {
  for (std::size_t i = 0; i < kSeriesColourCount; ++i) {
    EXPECT_GE(ContrastOnWhite(SeriesColour(i)), 3.0) << SeriesColour(i).name().toStdString();
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(SeriesColour(i), SeriesColour(j)) << i << " and " << j;
  }
}

// The labels a chart's SVG draws that are numbers.
std::vector<std::string> NumberLabels(const std::string& svg) {
  static const std::regex kLabel(R"(>\s*(-?[0-9][0-9.]*)\s*</text>)");
  std::vector<std::string> labels;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), kLabel); it != std::sregex_iterator(); ++it) {
    labels.push_back((*it)[1]);
  }
  return labels;
}

// Few cycles, each time once: the highest bar is one count, where a scale
// of about five ticks would step by 0.2. The times are whole and far apart,
// so that the time axis has whole labels too.
TEST(ChartHistogram, CountsAreLabelledOnlyAtWholeCounts) {
  for (int cycles : {1, 2, 3, 7}) {
    RunStatistics run;
    for (int r = 1; r <= cycles; ++r) {
      CycleRow row;
      row.round = r;
      row.setting = "wheelA.filter=3";
      row.replyMs = 900 + 100 * r;
      row.passed = true;
      run.add(row);
    }
    const std::string svg =
        ChartSvg({560, 300}, [&](QPainter& p, const QRectF& a) { DrawHistogram(p, a, run.series()[0]); }, "");
    const std::vector<std::string> labels = NumberLabels(svg);
    EXPECT_FALSE(labels.empty()) << svg;
    for (const std::string& label : labels) EXPECT_EQ(label.find('.'), std::string::npos) << cycles << ": " << label;
  }
  for (int most = 0; most <= 60; ++most) {
    const AxisScale counts = CountScale(most, 5);
    EXPECT_GE(counts.high, most);
    for (double tick : counts.ticks()) EXPECT_EQ(tick, std::round(tick)) << "most " << most;
  }
}

PointSeries Series(int name, std::vector<QPointF> points) { return {QString::number(name), std::move(points)}; }

struct LayoutCase {
  const char* name;
  std::vector<PointSeries> series;
};

// A check's moves: the speed found over every distance, each other speed
// once at the longest; one series of one point; one distance only.
const LayoutCase kLayouts[] = {
    {"SpeedsAtTheLongestDistance",
     {Series(0, {{1, 30}, {2, 40}, {3, 50}, {4, 60}, {5, 70}}), Series(1, {{5, 120}}), Series(2, {{5, 170}}),
      Series(3, {{5, 220}}), Series(4, {{5, 270}}), Series(5, {{5, 320}}), Series(6, {{5, 370}}),
      Series(7, {{5, 420}})}},
    {"OnePoint", {Series(2, {{5, 410}})}},
    {"OneDistanceEverySpeed",
     {Series(0, {{5, 1}}), Series(1, {{5, 2}}), Series(2, {{5, 3}}), Series(3, {{5, 4}}), Series(4, {{5, 5}}),
      Series(5, {{5, 6}}), Series(6, {{5, 7}}), Series(7, {{5, 8}})}},
};

void PrintTo(const LayoutCase& c, std::ostream* out) { *out << c.name; }

class PointLayoutTest : public testing::TestWithParam<LayoutCase> {};

// Every point stands inside the plot with room for its marker, and the key
// beside the plot, not over it; so in the window's narrow charts too.
TEST_P(PointLayoutTest, NoSeriesSitsOnTheBorderAndTheKeyIsOutsideThePlot) {
  for (const QRectF area : {QRectF(0, 0, 560, 300), QRectF(200, 0, 220, 260)}) {
    PointChart chart;
    chart.series = GetParam().series;
    const PointLayout layout = LayOutPoints(area, chart);
    EXPECT_FALSE(layout.key.intersects(layout.plot));
    EXPECT_TRUE(area.contains(layout.key.topLeft()));
    ASSERT_EQ(layout.points.size(), chart.series.size());
    for (const std::vector<QPointF>& series : layout.points) {
      for (const QPointF& p : series) {
        EXPECT_GT(p.x(), layout.plot.left() + 4) << p.x() << " in " << area.width();
        EXPECT_LT(p.x(), layout.plot.right() - 4) << p.x() << " in " << area.width();
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Charts, PointLayoutTest, testing::ValuesIn(kLayouts),
                         [](const testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

// Two charts of different times on one shared range have one time scale: a
// point of the same time stands at the same height in both.
TEST(PointCharts, ASharedRangeGivesOneScale) {
  PointChart fast{"", "", "", "", {Series(0, {{1, 250}, {5, 450}})}, {}};
  PointChart slow{"", "", "", "", {Series(0, {{1, 300}, {5, 2500}})}, {}};
  const QRectF area(0, 0, 560, 300);
  EXPECT_NE(LayOutPoints(area, fast).y.high, LayOutPoints(area, slow).y.high) << "each its own without sharing";
  fast.sharedMs = slow.sharedMs = {250, 2500};
  const PointLayout a = LayOutPoints(area, fast);
  const PointLayout b = LayOutPoints(area, slow);
  EXPECT_EQ(a.y.low, b.y.low);
  EXPECT_EQ(a.y.high, b.y.high);
  EXPECT_LE(a.y.low, 250);
  EXPECT_GE(a.y.high, 2500);
}

}  // namespace
