// --repeat: a round of cycles (one query, or the cycles of set in order) run
// many times, with a summary at the end and, on a terminal, a progress line.
// A set burn-in may put a status query after every K rounds that checks the
// controller reports what was set; a setting it reports otherwise fails on
// the row of the step that set it. A cycle slower than its step's limit
// fails, and so does a setting whose last tenth is slower than its first by
// more than the drift limit. Each cycle becomes a row: of the run's
// statistics (per setting), and of the CSV file when one is kept. A port that
// goes away ends the run at once. The run ends with a verdict.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "csv_rows.h"
#include "line_session.h"
#include "run_statistics.h"
#include "run_who.h"

// A burn-in of a status query every half second runs for almost six days;
// its figures keep 9 bytes a cycle, 9 MB for this many rounds of one cycle.
inline constexpr int kMaxRepeat = 1'000'000;
// The pause between rounds; a day at most.
inline constexpr int kMaxIntervalMs = 86'400'000;

// One cycle of a round: its name in the summary and the rows ("status",
// "wheelA.filter=9"), and how it is run.
struct BurnInStep {
  std::string name;
  std::function<CycleResult()> run;
  double maxMs = 0;  // a cycle slower fails; 0: no limit
};

// A setting the verifying query found otherwise than set: step is the index
// in the round of the step that set it last.
struct ReportedMismatch {
  std::size_t step = 0;
  std::string key;       // "wheelA.filter"
  std::string set;       // "9"
  std::string reported;  // "0", or "not shown by the status reply"
};

struct VerifyStep {
  std::string name;
  // The query; its result's mismatch is the text of what it fills in.
  std::function<CycleResult(std::vector<ReportedMismatch>&)> run;
  double maxMs = 0;
};

struct BurnInOptions {
  int repeat = 1;  // rounds
  std::chrono::milliseconds interval{0};
  bool stopOnError = false;
  std::vector<BurnInStep> round;
  // After every verifyEvery rounds (0: never), the verify step.
  int verifyEvery = 0;
  VerifyStep verify;
  double maxDriftPercent = 0;  // 0: no limit
  std::string limits;  // the limits in words, for the summary; empty: none
  FILE* progress = nullptr;  // nullptr: no progress line
  CsvFile* csv = nullptr;    // nullptr: no CSV file
};

// Counts in 64 bits: planned is a product of two of the user's numbers.
struct BurnInSummary {
  int64_t planned = 0;     // cycles
  int64_t runs = 0;        // cycles run
  int64_t plannedRounds = 0;
  int64_t rounds = 0;      // rounds run whole, with their verify query
  int64_t replies = 0;     // the commands' own replies
  int64_t badReplies = 0;  // bytes that were not the command's whole reply
  int64_t noReplies = 0;
  int64_t refusals = 0;
  int64_t unsent = 0;         // cycles with nothing to send: the window already showed the setting
  int64_t mismatches = 0;     // verify queries whose report differed from what was set
  int64_t verifications = 0;  // verify queries whose report was compared with what was set
  int64_t overLimit = 0;      // cycles slower than their limit
  int64_t drifts = 0;         // settings that drifted over the limit
  bool limitsSet = false;     // a time limit or a drift limit was given
  bool driftLimitSet = false;
  std::string limits;
  int64_t droppedBytes = 0;   // bytes that came before a reply's echo
  bool portGone = false;      // the run ended because the port went away
  int stopSignal = 0;         // the signal that ended the run; 0 when none did
  bool stoppedAtFailure = false;  // --stop-on-error ended the run
  double wall = 0;  // the cycles with a reply
  double line = 0;  // their bytes on the line at 300 baud
  RunStatistics statistics;  // per step
};

BurnInSummary RunBurnIn(const BurnInOptions& options);

// "passed" (every cycle had its own reply and passed), "failed" (a
// mismatch, a bad reply, a refusal, a cycle or a drift over its limit),
// "stopped" (by a signal) or "no reply" (a command unanswered, or the port
// gone): first that applies of stopped, no reply, failed.
const char* BurnInVerdict(const BurnInSummary& summary);

// The verdict, who tested what (the lines of those given), the totals, the
// table of each step's figures, then the first failures.
std::string SummaryText(const BurnInSummary& summary, const RunWho& who = {});

// The same as one JSON object, with stable keys (see the manual page).
std::string SummaryJson(const BurnInSummary& summary, const RunWho& who = {});

// The verdict's line under the report's banner: rounds and failures.
std::string VerdictDetail(const BurnInSummary& summary);

// 0 when the verdict is passed, else, first that applies: 128 + the signal
// that stopped it, the port's status when it went away, no reply, a bad
// reply, a mismatch, a refusal, a cycle or a drift over its limit (the
// status of failed steps).
int SummaryExitStatus(const BurnInSummary& summary);
