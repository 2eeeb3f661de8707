// --repeat: a round of cycles (one query, or the cycles of set in order) run
// many times, with a summary at the end and, on a terminal, a progress line.
// A set burn-in may put a status query after every K rounds that checks the
// controller reports what was set. Each cycle becomes a row: of the run's
// statistics (per setting), and of the CSV file when one is kept. A port that
// goes away ends the run at once.
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
};

struct BurnInOptions {
  int repeat = 1;  // rounds
  std::chrono::milliseconds interval{0};
  bool stopOnError = false;
  std::vector<BurnInStep> round;
  // After every verifyEvery rounds (0: never), the verify step; its result's
  // mismatch says what the controller reported otherwise than set.
  int verifyEvery = 0;
  BurnInStep verify;
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
  int64_t droppedBytes = 0;   // bytes that came before a reply's echo
  bool portGone = false;      // the run ended because the port went away
  int stopSignal = 0;         // the signal that ended the run; 0 when none did
  bool stoppedAtFailure = false;  // --stop-on-error ended the run
  double wall = 0;  // the cycles with a reply
  double line = 0;  // their bytes on the line at 300 baud
  RunStatistics statistics;  // per step
};

BurnInSummary RunBurnIn(const BurnInOptions& options);

// Who tested what (the lines of those given), the totals, then the table of
// each step's figures.
std::string SummaryText(const BurnInSummary& summary, const RunWho& who = {});

// The same as one JSON object, with stable keys (see the manual page).
std::string SummaryJson(const BurnInSummary& summary, const RunWho& who = {});

// 0 when every cycle had its own reply and every check matched, else, first
// that applies: 128 + the signal that stopped it, the port's status when it
// went away, no reply, a bad reply, a mismatch, a refusal.
int SummaryExitStatus(const BurnInSummary& summary);
