// --repeat: one command run many times in a row, with a summary at the end
// and, on a terminal, a progress line. A port that goes away ends it at once.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "ctl_session.h"

// A burn-in of a status query every half second runs for almost six days;
// the reply times of this many runs take 4 MB.
inline constexpr int kMaxRepeat = 1'000'000;
// The pause between runs; a day at most.
inline constexpr int kMaxIntervalMs = 86'400'000;

struct BurnInOptions {
  int repeat = 1;
  std::chrono::milliseconds interval{0};
  bool stopOnError = false;
  int bytesSent = 1;  // command bytes per run, for the line time
  FILE* progress = nullptr;  // nullptr: no progress line
  // Gets each run's result (its log with --verbose).
  std::function<void(const CycleResult&)> onRun;
};

struct BurnInSummary {
  int planned = 0;
  int runs = 0;
  int replies = 0;     // the commands' own replies
  int badReplies = 0;  // bytes that were not the command's whole reply
  int noReplies = 0;
  int refusals = 0;
  long long droppedBytes = 0;  // bytes that came before a reply's echo
  bool portGone = false;       // the run ended because the port went away
  int stopSignal = 0;          // the signal that ended the run; 0 when none did
  std::vector<float> replyTimes;  // seconds, one per reply
  double wall = 0;  // the cycles with a reply
  double line = 0;  // their bytes on the line at 300 baud
};

BurnInSummary RunBurnIn(const BurnInOptions& options, const std::function<CycleResult()>& run);

std::string SummaryText(const BurnInSummary& summary);

// The same figures as one JSON object, with stable keys (see the manual page).
std::string SummaryJson(const BurnInSummary& summary);

// 0 when every run had its own reply, else, first that applies: 128 + the
// signal that stopped it, the port's status when it went away, no reply, a
// bad reply, a refusal.
int SummaryExitStatus(const BurnInSummary& summary);
