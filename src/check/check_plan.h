// What a check sets, from the window as the controller's first status reply
// left it: every connected wheel visits each filter position at the speed
// found, in an order whose moves pass every distance, then moves one
// distance at each speed; every connected shutter takes each state and each
// mode; a Mono's own settings (trigger input and output, free run, repeat
// number, both times) each take other values and are read back from the
// status reply. A device the reply reports not connected is listed, skipped,
// and so is a Mono setting the check could not set again as found.
#pragma once

#include <span>
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
  std::string device;   // "wheelA" … "wheelC", "shutterA", "shutterB", "mono"
  std::string setting;  // the key's last part: "filter", "speed", "state", "mode", "steps",
                        // "ttlIn", "ttlOut", "freeRun", "repeat", "time"
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

// found: the status reply the window was shown, the echoed 0xCC first; a
// Mono's settings are read from it.
CheckPlan PlanCheck(HeadlessWindow& window, const CheckChoice& choice, std::span<const unsigned char> found);

// The positions a wheel passes from one filter to another: ten on a circle,
// the shorter way round.
int MoveDistance(int from, int to);
