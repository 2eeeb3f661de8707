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

void RunStatistics::add(const CycleRow& row, FailureRecord failure) {
  SettingSeries& s = seriesOf(row.setting);
  s.rounds.push_back(static_cast<uint32_t>(row.round));
  s.replyMs.push_back(row.replyMs < 0 ? std::numeric_limits<float>::quiet_NaN() : static_cast<float>(row.replyMs));
  ++cycles_;
  if (row.passed) {
    s.failure.push_back(FailureKind::kNone);
    return;
  }
  // A failure without its kind still fails: as a bad reply, the widest.
  if (failure.kind == FailureKind::kNone) failure.kind = FailureKind::kBadReply;
  s.failure.push_back(failure.kind);
  ++s.failures;
  ++failures_;
  failure.round = row.round;
  failure.setting = row.setting;
  if (failure.reported.empty()) failure.reported = row.message;
  if (failure.ms < 0) failure.ms = row.replyMs;
  keep(failure);
}

void RunStatistics::charge(FailureRecord failure) {
  SettingSeries& s = seriesOf(failure.setting);
  for (std::size_t i = s.rounds.size(); i-- > 0;) {
    if (s.rounds[i] != static_cast<uint32_t>(failure.round)) continue;
    if (failure.ms < 0 && !std::isnan(s.replyMs[i])) failure.ms = s.replyMs[i];
    // A cycle that failed already stays one failed cycle, of its first kind.
    if (s.failure[i] == FailureKind::kNone) {
      s.failure[i] = failure.kind;
      ++s.failures;
      ++failures_;
    }
    break;
  }
  keep(failure);
}

void RunStatistics::failSeries(const FailureRecord& failure) {
  SettingSeries& s = seriesOf(failure.setting);
  ++s.failures;
  ++failures_;
  keep(failure);
}

void RunStatistics::keep(const FailureRecord& failure) {
  ++recordCount_;
  if (records_.size() < kMaxFailureRecords) records_.push_back(failure);
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
