// A run's cycles kept per setting, and its summary as text and JSON.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <string>

#include "run_statistics.h"
#include "summary_output.h"

namespace {

CycleRow Row(int64_t round, std::string setting, double replyMs, bool passed = true) {
  CycleRow row;
  row.round = round;
  row.setting = std::move(setting);
  row.replyMs = replyMs;
  row.passed = passed;
  return row;
}

// Three rounds of a move there and back, a status query after the second,
// a failed move with a time and one with no reply at all.
RunStatistics ThreeRounds() {
  RunStatistics run;
  run.add(Row(1, "wheelA.filter=0", 100));
  run.add(Row(1, "wheelA.filter=9", 300));
  run.add(Row(2, "wheelA.filter=0", 120));
  run.add(Row(2, "wheelA.filter=9", 310, false));  // a status query found it elsewhere
  run.add(Row(2, "status", 250.04));
  run.add(Row(3, "wheelA.filter=0", -1, false));  // no reply
  run.add(Row(3, "wheelA.filter=9", 305));
  return run;
}

TEST(RunStatistics, KeepsEachSettingsCyclesInOrderAndTheirFigures) {
  const RunStatistics run = ThreeRounds();
  EXPECT_EQ(run.cycles(), 7);
  EXPECT_EQ(run.failures(), 2);
  ASSERT_EQ(run.series().size(), 3u);
  const SettingSeries& back = run.series()[0];
  EXPECT_EQ(back.setting, "wheelA.filter=0");
  EXPECT_EQ(back.rounds, (std::vector<uint32_t>{1, 2, 3}));
  EXPECT_TRUE(std::isnan(back.replyMs[2]));
  // A failure of no kind given counts as a bad reply.
  EXPECT_EQ(back.failure, (std::vector<FailureKind>{FailureKind::kNone, FailureKind::kNone, FailureKind::kBadReply}));

  const std::vector<SettingSummary> summaries = run.summaries();
  ASSERT_EQ(summaries.size(), 3u);
  // The cycle without a reply counts and fails, but has no time.
  EXPECT_EQ(summaries[0].count, 3);
  EXPECT_EQ(summaries[0].failures, 1);
  EXPECT_EQ(summaries[0].times.count, 2);
  EXPECT_DOUBLE_EQ(summaries[0].times.median, 110);
  // A failed cycle with a time counts in the figures.
  EXPECT_EQ(summaries[1].failures, 1);
  EXPECT_DOUBLE_EQ(summaries[1].times.max, 310);
  EXPECT_EQ(summaries[2].setting, "status");
  EXPECT_EQ(summaries[2].count, 1);
}

// A verifying query's mismatch fails the setting's cycle of that round, once
// however many keys of it differ; a drift fails the whole series.
FailureRecord Failure(int64_t round, const char* setting, FailureKind kind, const char* expected, const char* reported) {
  FailureRecord f;
  f.round = round;
  f.setting = setting;
  f.kind = kind;
  f.expected = expected;
  f.reported = reported;
  return f;
}

TEST(RunStatistics, ChargesAMismatchToTheSettingsCycleOfItsRound) {
  RunStatistics run = ThreeRounds();
  run.charge(Failure(2, "wheelA.filter=0", FailureKind::kMismatch, "0", "3"));
  run.charge(Failure(2, "wheelA.filter=0", FailureKind::kMismatch, "speed 0", "speed 2"));
  run.charge(Failure(2, "wheelA.filter=9", FailureKind::kMismatch, "9", "8"));  // failed already
  run.failSeries(Failure(0, "status", FailureKind::kDrift, "", "drift 20.0 %"));
  const SettingSeries& back = run.series()[0];
  EXPECT_EQ(back.failure[1], FailureKind::kMismatch);
  EXPECT_EQ(back.failures, 2);
  EXPECT_EQ(run.series()[1].failures, 1);
  EXPECT_EQ(run.series()[1].failure[1], FailureKind::kBadReply);
  EXPECT_EQ(run.series()[2].failures, 1);
  EXPECT_EQ(run.failures(), 4);
  ASSERT_EQ(run.failureCount(), 6);
  // The mismatch takes the time of the cycle it fails.
  EXPECT_DOUBLE_EQ(run.failureRecords()[2].ms, 120);
  EXPECT_EQ(run.failureRecords()[2].setting, "wheelA.filter=0");
}

TEST(SummaryOutput, TableHasTheKeysAsHeaderAndAColumnEach) {
  RunStatistics run = ThreeRounds();
  run.add(Row(4, "wheelB.filter=3", -1, false));  // never a reply: no figures
  EXPECT_EQ(SummaryTable(run.summaries()),
            "setting          count  failures  min_ms  median_ms  p95_ms  max_ms  first_tenth_ms  last_tenth_ms\n"
            "wheelA.filter=0      3         1   100.0      110.0   119.0   120.0           100.0          120.0\n"
            "wheelA.filter=9      3         1   300.0      305.0   309.5   310.0           300.0          305.0\n"
            "status               1         0   250.0      250.0   250.0   250.0           250.0          250.0\n"
            "wheelB.filter=3      1         1       -          -       -       -               -              -\n");
}

TEST(SummaryOutput, JsonHasTheSameKeysWithTimesInTenthsOrNull) {
  RunStatistics run = ThreeRounds();
  run.add(Row(4, "wheelB.filter=3", -1, false));
  const QJsonArray array = SummaryJsonArray(run.summaries());
  ASSERT_EQ(array.size(), 4);
  const QJsonObject status = array[2].toObject();
  QStringList keys;
  for (const std::string& key : SummaryKeys()) keys << QString::fromStdString(key);
  QStringList sortedKeys = keys;
  sortedKeys.sort();
  EXPECT_EQ(status.keys(), sortedKeys);  // QJsonObject keeps its keys sorted
  EXPECT_EQ(status["setting"].toString(), "status");
  EXPECT_EQ(status["count"].toInt(), 1);
  EXPECT_EQ(status["failures"].toInt(), 0);
  EXPECT_DOUBLE_EQ(status["median_ms"].toDouble(), 250.0);
  const QJsonObject never = array[3].toObject();
  EXPECT_TRUE(never["min_ms"].isNull());
  EXPECT_TRUE(never["last_tenth_ms"].isNull());
  EXPECT_EQ(never["failures"].toInt(), 1);
}

}  // namespace
