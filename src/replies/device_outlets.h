// The controls and captured values that belong to each wheel and shutter.
#pragma once

#include "byte_forms.h"
#include "cycle_state.h"
#include "tessaro_controller.h"

struct WheelOutlets {
  ComboBox* TessaroController::*filterList;
  ComboBox* TessaroController::*speedList;
  WheelField filter;
  WheelField speed;
};

inline constexpr WheelOutlets kWheelOutlets[kWheels] = {
    {&TessaroController::filterA, &TessaroController::speedA, kFilterA, kSpeedA},
    {&TessaroController::filterB, &TessaroController::speedB, kFilterB, kSpeedB},
    {&TessaroController::filterC, &TessaroController::speedC, kFilterC, kSpeedC},
};

struct ShutterOutlets {
  ComboBox* TessaroController::*modeList;
  TextField* TessaroController::*stepsField;
  SettingField status;
  SettingField mode;
  SettingField steps;
};

inline constexpr ShutterOutlets kShutterOutlets[] = {
    {&TessaroController::shutterAmode, &TessaroController::shutterAsteps, kShutterAstatus, kShutterAmode,
     kShutterAsteps},
    {&TessaroController::shutterBmode, &TessaroController::shutterBsteps, kShutterBstatus, kShutterBmode,
     kShutterBsteps},
};

inline const WheelOutlets& OutletsOf(Wheel wheel) { return kWheelOutlets[wheel]; }
inline const ShutterOutlets& OutletsOf(Shutter shutter) { return kShutterOutlets[shutter == Shutter::kA ? 0 : 1]; }

// The lists as the layout fills them; each list's last entry stands for a
// device that is not connected.
inline constexpr int32_t kFilterListLength = 11;
inline constexpr int32_t kSpeedListLength = 9;
inline constexpr int32_t kModeListLength = 4;
