// Drift between the wheels of one controller: the same move (speed and
// distance) timed on each wheel the check moved. Wheels of one controller
// share its line and its firmware, so a wheel whose moves take clearly
// longer than its neighbour's has a motor or a mechanism of its own to look at.
#pragma once

#include <string>
#include <vector>

#include "controller_check.h"

// Each pair of wheels whose median times of one speed and distance differ
// by more than maxPercent of the faster's, ordered by speed, distance, then
// wheel; none without a limit (maxPercent 0). Only moves that sent bytes,
// got a time and were reported where they were sent count.
std::vector<WheelDrift> DriftsBetweenWheels(const std::vector<CheckStep>& steps, double maxPercent);

// A move slower than maxMs (0: no limit) fails with a note saying both
// times; other steps are left as they are.
void ApplyMoveLimit(CheckStep& step, double maxMs);

// "wheelA slower than wheelB at speed 3, distance 5: 812.4 ms against
// 690.2 ms, 17.7 % longer, over the limit of 10 %"
std::string DriftText(const WheelDrift& drift, double maxPercent);
