// A check's failures, as every output opens or ends with them: each failed
// step with its number in the check's list of steps (1 the first, skipped
// devices counted), what it set, what went wrong and its time.
#pragma once

#include <string>
#include <vector>

#include "controller_check.h"

struct CheckFailure {
  int step = 0;          // 1-based position in CheckResult::steps
  std::string setting;   // "wheelA.filter=7"
  std::string expected;  // empty when no status query reported
  std::string reported;
  std::string note;      // the message: why, or the limit and the time
  double ms = -1;        // -1: no time taken
};

std::vector<CheckFailure> FailuresOf(const CheckResult& result);

// "expected 7, reported 2 (took 812.4 ms, over the limit of 500 ms)": the
// values where a status query reported them, the message otherwise or beside.
std::string FailureWhat(const CheckFailure& failure);

// What a table's column beside the expected values shows: the values reported,
// the message where no status query reported otherwise, or both.
std::string ReportedOrMessage(const CheckFailure& failure);

// At most this many failures end the plain summary; a count says how many
// more there were. Enough to read a failing pattern, short enough to read.
inline constexpr int kFailuresListed = 20;
