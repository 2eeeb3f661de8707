#include "remembered_values.h"

#include <algorithm>

#include "control_values.h"

namespace {

// Repeat numbers above this mean a free run without end.
constexpr int32_t kMaxRepeatCount = 65000;
constexpr char kContinuousText[] = "Continuous";

void ShowNumber(TextField& field, int32_t value) {
  if (value == 0) {
    field.setStringValue("");
  } else {
    field.setIntValue(value);
  }
}

void ShowValue(const ValueControl& control, TessaroController& window, int32_t& remembered) {
  switch (control.kind) {
    case ValueKind::kListIndex:
    case ValueKind::kListIndexOrNone:
      (window.*control.list)->selectItemAtIndex(remembered);
      return;
    case ValueKind::kNumber:
      ShowNumber(*(window.*control.field), remembered);
      return;
    case ValueKind::kRepeatNumber:
      if (remembered > kMaxRepeatCount) {
        remembered = kContinuous;
        (window.*control.field)->setStringValue(kContinuousText);
      } else {
        ShowNumber(*(window.*control.field), remembered);
      }
      return;
  }
}

}  // namespace

void RememberCapture(const Capture& capture) {
  std::copy(std::begin(capture.wheel), std::end(capture.wheel), std::begin(icomm0));
  std::copy(std::begin(capture.setting) + kShutterAstatus, std::end(capture.setting), std::begin(scomm0) + kShutterAstatus);
}

void ShowRememberedValues(TessaroController& window) {
  window.otherCommand->selectItemAtIndex(0);
  for (int i = 0; i < kWheelFields; ++i) ShowValue(kWheelControls[i], window, icomm0[i]);
  for (int i = kShutterAstatus; i < kSettingFields; ++i) ShowValue(kSettingControls[i], window, scomm0[i]);
}
