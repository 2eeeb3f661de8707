// --repeat: one command run many times in a row, with a summary at the end
// and, on a terminal, a progress line.
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
  int replies = 0;
  int noReplies = 0;
  int refusals = 0;
  std::vector<float> replyTimes;  // seconds, one per reply
  double wall = 0;  // the cycles with a reply
  double line = 0;  // their bytes on the line at 300 baud
};

BurnInSummary RunBurnIn(const BurnInOptions& options, const std::function<CycleResult()>& run);

std::string SummaryText(const BurnInSummary& summary);

// 0 when every run had a reply, else the exit status of the worst outcome.
int SummaryExitStatus(const BurnInSummary& summary);
