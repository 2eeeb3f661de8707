// The control behind each captured value, how the value is read from it and
// how a remembered value is shown in it again.
#pragma once

#include "cycle_state.h"
#include "tessaro_controller.h"

enum class ValueKind {
  kListIndex,        // selected item; no selection (-1) reads as 0
  kListIndexOrNone,  // selected item; no selection stays -1
  kNumber,           // integer value of the text; 0 is shown as the empty text
  kRepeatNumber,     // kNumber, or the word "continuous" for a free run without end
};

struct ValueControl {
  ValueKind kind;
  ComboBox* TessaroController::*list = nullptr;
  TextField* TessaroController::*field = nullptr;
};

inline constexpr ValueControl kWheelControls[kWheelFields] = {
    {ValueKind::kListIndex, &TessaroController::filterA},
    {ValueKind::kListIndex, &TessaroController::speedA},
    {ValueKind::kListIndex, &TessaroController::filterB},
    {ValueKind::kListIndex, &TessaroController::speedB},
    {ValueKind::kListIndex, &TessaroController::filterC},
    {ValueKind::kListIndex, &TessaroController::speedC},
};

inline constexpr ValueControl kSettingControls[kSettingFields] = {
    {ValueKind::kListIndex, &TessaroController::otherCommand},
    {ValueKind::kListIndex, &TessaroController::shutterAstatus},
    {ValueKind::kListIndex, &TessaroController::shutterAmode},
    {ValueKind::kListIndex, &TessaroController::shutterBstatus},
    {ValueKind::kListIndex, &TessaroController::shutterBmode},
    {ValueKind::kNumber, nullptr, &TessaroController::shutterAsteps},
    {ValueKind::kNumber, nullptr, &TessaroController::shutterBsteps},
    {ValueKind::kRepeatNumber, nullptr, &TessaroController::repeatNumber},
    {ValueKind::kNumber, nullptr, &TessaroController::tHour},
    {ValueKind::kNumber, nullptr, &TessaroController::tMinute},
    {ValueKind::kNumber, nullptr, &TessaroController::tSecond},
    {ValueKind::kNumber, nullptr, &TessaroController::tMsecond},
    {ValueKind::kNumber, nullptr, &TessaroController::tTenthmsecond},
    {ValueKind::kListIndexOrNone, &TessaroController::timerType},
};
