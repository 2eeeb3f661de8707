// What a check sets, from the window as the controller's first status reply
// left it: every connected wheel visits each filter position at the speed
// found, in an order whose moves pass every distance, then moves one
// distance at each speed; every connected shutter takes each state and each
// mode. A device the reply reports not connected is listed, skipped.
#pragma once

#include <string>
#include <vector>

#include "headless_window.h"
#include "settings.h"

inline constexpr int kCheckWheels = 3;
inline constexpr int kCheckShutters = 2;

// The devices a check may set; a device left out is listed as skipped.
struct CheckChoice {
  bool wheel[kCheckWheels] = {true, true, true};
  bool shutter[kCheckShutters] = {true, true};
};

struct PlannedStep {
  std::string device;   // "wheelA" … "wheelC", "shutterA", "shutterB"
  std::string setting;  // the key's last part: "filter", "speed", "state", "mode", "steps"
  std::string value;    // as set
  SettingCycle cycle;   // empty for a skipped device
  std::string skipped;  // why a device is skipped; empty for a step that sets
  int speed = -1;       // a move's speed index; -1 for no move
  int distance = -1;    // positions a move passes, the shorter way round
};

struct CheckPlan {
  std::vector<PlannedStep> steps;  // skipped devices first, then the settings in order
  // The settings found, to be set again at the end.
  std::vector<SettingCycle> restore;
};

CheckPlan PlanCheck(HeadlessWindow& window, const CheckChoice& choice);

// The positions a wheel passes from one filter to another: ten on a circle,
// the shorter way round.
int MoveDistance(int from, int to);
