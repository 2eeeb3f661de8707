// What a check makes of its steps, from a fixture of steps: the time limit
// on a move, the drift between wheels, the failures that end the summary
// and open the report, and the wheels' charts on one time scale.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <string>
#include <vector>

#include "check_output.h"
#include "check_report.h"
#include "wheel_drift.h"

namespace {

// A move that arrived where it was sent.
CheckStep Move(const std::string& wheel, int speed, int distance, double ms) {
  CheckStep s;
  s.device = wheel;
  s.setting = "filter";
  s.value = std::to_string(distance);
  s.sent = "0" + std::to_string(distance);
  s.expected = s.reported = std::to_string(distance);
  s.result = StepResult::kPass;
  s.speed = speed;
  s.distance = distance;
  s.ms = ms;
  return s;
}

CheckStep Stuck(CheckStep s) {
  s.reported = "0";
  s.result = StepResult::kFail;
  return s;
}

struct DriftCase {
  const char* name;
  std::vector<CheckStep> steps;
  double limit;
  std::vector<std::string> named;  // DriftText of each drift
};

const DriftCase kDrifts[] = {
    {"SlowerWheelOverTheLimit",
     {Move("wheelA", 3, 5, 100), Move("wheelB", 3, 5, 115)},
     10,
     {"wheelB slower than wheelA at speed 3, distance 5: 115.0 ms against 100.0 ms, 15.0 % longer, over the limit "
      "of 10 %"}},
    {"WithinTheLimit", {Move("wheelA", 3, 5, 100), Move("wheelB", 3, 5, 115)}, 20, {}},
    {"NoLimit", {Move("wheelA", 3, 5, 100), Move("wheelB", 3, 5, 900)}, 0, {}},
    // Each wheel's median of its moves: one slow move among three is no drift.
    {"MediansCompared",
     {Move("wheelA", 0, 2, 40), Move("wheelA", 0, 2, 41), Move("wheelA", 0, 2, 90), Move("wheelB", 0, 2, 41)},
     10,
     {}},
    // Only moves of the same speed and distance are compared.
    {"OtherSpeedOrDistance", {Move("wheelA", 0, 5, 100), Move("wheelB", 1, 5, 200), Move("wheelC", 0, 4, 50)}, 10, {}},
    // A stuck wheel answers at once: no move time to compare.
    {"StuckMoveLeftOut", {Stuck(Move("wheelA", 0, 5, 1)), Move("wheelB", 0, 5, 100)}, 10, {}},
    {"EveryPairOfThree",
     {Move("wheelA", 7, 5, 400), Move("wheelB", 7, 5, 500), Move("wheelC", 7, 5, 401)},
     10,
     {"wheelB slower than wheelA at speed 7, distance 5: 500.0 ms against 400.0 ms, 25.0 % longer, over the limit "
      "of 10 %",
      "wheelB slower than wheelC at speed 7, distance 5: 500.0 ms against 401.0 ms, 24.7 % longer, over the limit "
      "of 10 %"}},
};

void PrintTo(const DriftCase& c, std::ostream* out) { *out << c.name; }

class DriftTest : public testing::TestWithParam<DriftCase> {};

TEST_P(DriftTest, NamesEachPairOfWheelsApartByMoreThanTheLimit) {
  std::vector<std::string> named;
  for (const WheelDrift& d : DriftsBetweenWheels(GetParam().steps, GetParam().limit)) {
    named.push_back(DriftText(d, GetParam().limit));
  }
  EXPECT_EQ(named, GetParam().named);
}

INSTANTIATE_TEST_SUITE_P(Check, DriftTest, testing::ValuesIn(kDrifts),
                         [](const testing::TestParamInfo<DriftCase>& info) { return std::string(info.param.name); });

TEST(MoveLimit, FailsOnlyAMoveSlowerThanTheLimitAndSaysBothTimes) {
  CheckStep slow = Move("wheelA", 7, 5, 812.44);
  ApplyMoveLimit(slow, 500);
  EXPECT_EQ(slow.result, StepResult::kFail);
  EXPECT_EQ(slow.note, "took 812.4 ms, over the limit of 500 ms");

  CheckStep stuckAndSlow = Stuck(Move("wheelA", 7, 5, 600));
  stuckAndSlow.note = "status query: no reply";
  ApplyMoveLimit(stuckAndSlow, 500);
  EXPECT_EQ(stuckAndSlow.note, "status query: no reply; took 600.0 ms, over the limit of 500 ms");

  CheckStep fast = Move("wheelA", 0, 1, 499.9);
  ApplyMoveLimit(fast, 500);
  EXPECT_EQ(fast.result, StepResult::kPass);
  CheckStep unlimited = Move("wheelA", 0, 1, 5000);
  ApplyMoveLimit(unlimited, 0);
  EXPECT_EQ(unlimited.result, StepResult::kPass);
  // A shutter's cycle is no move.
  CheckStep shutter = Move("shutterA", -1, -1, 900);
  ApplyMoveLimit(shutter, 500);
  EXPECT_EQ(shutter.result, StepResult::kPass);
  EXPECT_EQ(shutter.note, "");
}

// A failed check of many steps: 25 stuck moves and a drift.
CheckResult ManyFailures() {
  CheckResult r;
  r.verdict = CheckVerdict::kFailed;
  r.restored = true;
  r.maxMs = 2000;
  r.maxDriftPercent = 10;
  for (int i = 0; i < 40; ++i) {
    const CheckStep move = Move(i < 20 ? "wheelA" : "wheelB", 0, i % 5 + 1, 100 + i);
    r.steps.push_back(i % 40 < 25 && i % 8 != 7 ? Stuck(move) : move);
  }
  r.planned = static_cast<int>(r.steps.size());
  r.drifts = {{"wheelB", "wheelA", 3, 5, 115, 100, 15}};
  return r;
}

int Failed(const CheckResult& r) {
  int failed = 0;
  for (const CheckStep& s : r.steps) failed += s.result == StepResult::kFail ? 1 : 0;
  return failed;
}

// The plain summary ends with the failures, the first twenty of them and a
// count of the rest; the drift is named before them, and both limits are said.
TEST(CheckSummary, EndsWithTheFirstTwentyFailuresAndACountOfTheRest) {
  const CheckResult r = ManyFailures();
  const int failed = Failed(r);
  ASSERT_GT(failed, 20);
  const std::string text = CheckSummaryText(r);
  EXPECT_NE(text.find("limits: a move at most 2000 ms; wheels at most 10 % apart\n"), std::string::npos) << text;
  const std::size_t drift = text.find("drift: wheelB slower than wheelA at speed 3, distance 5: 115.0 ms against "
                                      "100.0 ms, 15.0 % longer, over the limit of 10 %\n");
  const std::size_t failures = text.find("failures:\n");
  ASSERT_NE(drift, std::string::npos) << text;
  ASSERT_NE(failures, std::string::npos) << text;
  EXPECT_LT(drift, failures);
  const std::string list = text.substr(failures);
  int listed = 0;
  for (std::size_t at = list.find("\n  step "); at != std::string::npos; at = list.find("\n  step ", at + 1)) ++listed;
  EXPECT_EQ(listed, 20);
  EXPECT_NE(list.find("  step 1   wheelA.filter=1            expected 1, reported 0  100.0 ms\n"), std::string::npos)
      << list;
  const std::string rest = "  and " + std::to_string(failed - 20) + " more failed steps\n";
  ASSERT_GE(list.size(), rest.size());
  EXPECT_EQ(list.substr(list.size() - rest.size()), rest) << list;
}

TEST(CheckJson, HoldsTheLimitsEveryFailureAndTheDrifts) {
  const CheckResult r = ManyFailures();
  const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(CheckJson(r))).object();
  EXPECT_EQ(json["max_ms"].toDouble(), 2000);
  EXPECT_EQ(json["max_drift_percent"].toDouble(), 10);
  EXPECT_EQ(json["failures"].toArray().size(), Failed(r));
  const QJsonObject first = json["failures"].toArray()[0].toObject();
  EXPECT_EQ(first["step"].toInt(), 1);
  EXPECT_EQ(first["setting"].toString(), "wheelA.filter=1");
  EXPECT_EQ(first["reported"].toString(), "0");
  const QJsonObject drift = json["drifts"].toArray()[0].toObject();
  EXPECT_EQ(drift["slower"].toString(), "wheelB");
  EXPECT_EQ(drift["faster"].toString(), "wheelA");
  EXPECT_EQ(drift["percent"].toDouble(), 15);

  CheckResult unlimited;
  const QJsonObject none = QJsonDocument::fromJson(QByteArray::fromStdString(CheckJson(unlimited))).object();
  EXPECT_TRUE(none["max_ms"].isNull());
  EXPECT_TRUE(none["max_drift_percent"].isNull());
}

// The report opens with the verdict, then the failed steps and the drifts,
// then the table of every step, then the charts.
TEST(CheckReport, FailuresComeBeforeTheStepsAndTheCharts) {
  const std::string html = CheckReportHtml(RunDescription{}, ManyFailures());
  const std::size_t verdict = html.find("Verdict: failed</p>");
  const std::size_t failures = html.find("<table class=\"failures\">");
  const std::size_t drifts = html.find("<table class=\"drifts\">");
  const std::size_t steps = html.find("<table class=\"steps\">");
  const std::size_t charts = html.find("<svg");
  ASSERT_NE(charts, std::string::npos);
  EXPECT_LT(verdict, failures);
  EXPECT_LT(failures, drifts);
  EXPECT_LT(drifts, steps);
  EXPECT_LT(steps, charts);
  EXPECT_NE(html.find("<tr><td class=\"number\">1</td><td>wheelA.filter=1</td><td>1</td><td class=\"message\">0</td>"
                      "<td class=\"number\">100.0</td></tr>"),
            std::string::npos);
  EXPECT_NE(html.find("<td>wheelB</td><td>wheelA</td><td>3</td><td>5</td><td>115.0</td><td>100.0</td><td>15.0</td>"
                      "<td>10</td>"),
            std::string::npos);
}

// Wheels of very different times share one time scale in their charts.
TEST(CheckCharts, EveryWheelOnOneTimeScale) {
  const std::vector<WheelMoves> wheels =
      MoveSeries({Move("wheelA", 0, 1, 250), Move("wheelA", 0, 5, 450), Move("wheelB", 0, 1, 300),
                  Move("wheelB", 7, 5, 2500)});
  ASSERT_EQ(wheels.size(), 2u);
  const QRectF area(0, 0, 560, 300);
  const PointLayout a = LayOutPoints(area, MoveChart(wheels[0]));
  const PointLayout b = LayOutPoints(area, MoveChart(wheels[1]));
  EXPECT_EQ(a.y.low, b.y.low);
  EXPECT_EQ(a.y.high, b.y.high);
  EXPECT_GE(a.y.high, 2500);
}

}  // namespace
