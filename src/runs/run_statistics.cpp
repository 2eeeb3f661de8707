#include "run_statistics.h"

#include <cmath>
#include <limits>

std::vector<float> SettingSeries::times() const {
  std::vector<float> seen;
  seen.reserve(replyMs.size());
  for (float ms : replyMs) {
    if (!std::isnan(ms)) seen.push_back(ms);
  }
  return seen;
}

void RunStatistics::add(const CycleRow& row) {
  SettingSeries& s = seriesOf(row.setting);
  s.rounds.push_back(static_cast<uint32_t>(row.round));
  s.replyMs.push_back(row.replyMs < 0 ? std::numeric_limits<float>::quiet_NaN() : static_cast<float>(row.replyMs));
  s.failed.push_back(!row.passed);
  ++cycles_;
  if (!row.passed) {
    ++s.failures;
    ++failures_;
  }
}

std::vector<SettingSummary> RunStatistics::summaries() const {
  std::vector<SettingSummary> all;
  all.reserve(series_.size());
  for (const SettingSeries& s : series_) all.push_back({s.setting, s.count(), s.failures, FiguresOf(s.times())});
  return all;
}

// A run has a handful of settings: a look along them is quickest.
SettingSeries& RunStatistics::seriesOf(const std::string& setting) {
  for (SettingSeries& s : series_) {
    if (s.setting == setting) return s;
  }
  series_.push_back({});
  series_.back().setting = setting;
  return series_.back();
}
