// The move times of a check: per wheel and speed, the figures of every move
// it made at that speed, whatever the distance.
#pragma once

#include <string>
#include <vector>

#include "controller_check.h"
#include "time_figures.h"

struct MoveTimes {
  std::string device;  // "wheelA"
  int speed = 0;
  TimeFigures ms;
};

// Ordered by wheel, then speed; only speeds the check moved at.
std::vector<MoveTimes> MoveTimesOf(const std::vector<CheckStep>& steps);

// Seconds a check of plan's steps takes about, before it starts: a wheel's
// step a few seconds (moves at slow speeds), a shutter's well under one.
int EstimatedCheckSeconds(const std::vector<std::string>& stepDevices);
// Seconds left once done of planned steps took elapsed seconds: the steps
// to come at the pace so far; the estimate before the first step ends.
int CheckSecondsLeft(double elapsed, int done, int planned, int estimated);
