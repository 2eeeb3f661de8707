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
