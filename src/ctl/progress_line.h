// The progress line of a long run on a terminal's standard error, written
// over itself: "12/40 steps  failures 1  time left 30 s". Burn-ins and checks
// show it alike; a rack's controller sends the same counts to its parent as a
// record instead.
#pragma once

#include <QJsonObject>

#include <cstdio>
#include <string>

struct Progress {
  long long done = 0;
  long long planned = 0;
  long long failures = 0;
  const char* unit = "";    // "steps" after the counts; empty for none
  double secondsLeft = -1;  // negative: the time left is not shown
};

// "12/40 steps  failures 1  time left 30 s": the line's text, which a rack
// run's line of each controller shows after its port and variant.
std::string ProgressText(const Progress& progress);

// Writes the line over the one before; last clears it instead.
void ShowProgress(FILE* out, const Progress& progress, bool last);

// The progress record's value: {"done":12,"planned":40,"failures":1,
// "unit":"steps","left_s":30.5}, left_s only while the time left is known.
QJsonObject ProgressRecord(const Progress& progress);

// Sends the progress record to the rack's parent, at most one every
// kRackProgressInterval but the first and the last; nothing outside a rack.
void SendProgress(const Progress& progress, bool last);
