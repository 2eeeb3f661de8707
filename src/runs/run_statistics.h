// What a run of many cycles keeps for its summary and its charts: per
// setting, each cycle's round, reply time and pass or fail. Nothing else of
// a cycle is kept, so the memory grows by a few bytes a cycle.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cycle_row.h"
#include "time_figures.h"

// One setting's cycles in the order they ran.
struct SettingSeries {
  std::string setting;
  std::vector<uint32_t> rounds;
  std::vector<float> replyMs;  // NaN where no reply came
  std::vector<bool> failed;
  int64_t failures = 0;

  int64_t count() const { return static_cast<int64_t>(rounds.size()); }
  // The reply times that were seen, in order: what the figures are of.
  std::vector<float> times() const;
};

struct SettingSummary {
  std::string setting;
  int64_t count = 0;     // cycles of this setting
  int64_t failures = 0;  // of them, failed
  TimeFigures times;  // of the cycles that got a reply, failed or not
};

class RunStatistics {
 public:
  void add(const CycleRow& row);
  // In the order each setting first ran.
  const std::vector<SettingSeries>& series() const { return series_; }
  std::vector<SettingSummary> summaries() const;
  int64_t cycles() const { return cycles_; }
  int64_t failures() const { return failures_; }

 private:
  SettingSeries& seriesOf(const std::string& setting);

  std::vector<SettingSeries> series_;
  int64_t cycles_ = 0;
  int64_t failures_ = 0;
};
