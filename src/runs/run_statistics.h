// What a run of many cycles keeps for its summary and its charts: per
// setting, each cycle's round, reply time and failure, if any; and the
// first kMaxFailureRecords failures in full, the rest counted. Nothing else
// of a cycle is kept, so the memory grows by 9 bytes a cycle.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cycle_row.h"
#include "failure_record.h"
#include "time_figures.h"

// One setting's cycles in the order they ran.
struct SettingSeries {
  std::string setting;
  std::vector<uint32_t> rounds;
  std::vector<float> replyMs;         // NaN where no reply came
  std::vector<FailureKind> failure;   // kNone where the cycle passed
  // Failed cycles, and one more when the whole series failed (a drift).
  int64_t failures = 0;

  int64_t count() const { return static_cast<int64_t>(rounds.size()); }
  // The reply times that were seen, in order: what the figures are of.
  std::vector<float> times() const;
};

struct SettingSummary {
  std::string setting;
  int64_t count = 0;     // cycles of this setting
  int64_t failures = 0;  // of them, failed (and 1 for a drift over the limit)
  TimeFigures times;  // of the cycles that got a reply, failed or not
};

class RunStatistics {
 public:
  // A cycle; a failed one (row.passed false) with its failure, whose
  // setting and round are the row's.
  void add(const CycleRow& row, FailureRecord failure = {});
  // A failure found after its cycle ran (a verifying query's mismatch): the
  // latest cycle of failure.setting in failure.round fails, when there is
  // one; the failure takes its time when it has none.
  void charge(FailureRecord failure);
  // A failure of failure.setting's whole series (a drift over the limit).
  void failSeries(const FailureRecord& failure);

  // In the order each setting first ran.
  const std::vector<SettingSeries>& series() const { return series_; }
  std::vector<SettingSummary> summaries() const;
  int64_t cycles() const { return cycles_; }
  int64_t failures() const { return failures_; }
  // The first failures in the order they were found, and how many there were.
  const std::vector<FailureRecord>& failureRecords() const { return records_; }
  int64_t failureCount() const { return recordCount_; }

 private:
  SettingSeries& seriesOf(const std::string& setting);
  void keep(const FailureRecord& failure);

  std::vector<SettingSeries> series_;
  std::vector<FailureRecord> records_;
  int64_t recordCount_ = 0;
  int64_t cycles_ = 0;
  int64_t failures_ = 0;
};
