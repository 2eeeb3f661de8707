// The progress line of a long run on a terminal's standard error, written
// over itself: "12/40 steps  failures 1  time left 30 s". Burn-ins and checks
// show it alike.
#pragma once

#include <cstdio>
#include <string>

struct Progress {
  long long done = 0;
  long long planned = 0;
  long long failures = 0;
  const char* unit = "";    // " steps" after the counts; empty for none
  double secondsLeft = -1;  // negative: the time left is not shown
};

// "12/40 steps  failures 1  time left 30 s": the line's text, which a rack
// run's line of each controller shows after its port and variant.
std::string ProgressText(const Progress& progress);

// Writes the line over the one before; last clears it instead.
void ShowProgress(FILE* out, const Progress& progress, bool last);
