#include "capture.h"

#include <algorithm>
#include <string>

#include "control_values.h"

namespace {

// Only an exact match counts: " continuous" reads as a number, which is 0.
bool IsContinuousWord(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return text == kContinuousWord;
}

int32_t ReadValue(const ValueControl& control, const TessaroController& window) {
  switch (control.kind) {
    case ValueKind::kListIndex: {
      const int32_t index = (window.*control.list)->indexOfSelectedItem();
      return index == -1 ? 0 : index;
    }
    case ValueKind::kListIndexOrNone:
      return (window.*control.list)->indexOfSelectedItem();
    case ValueKind::kNumber:
      return (window.*control.field)->intValue();
    case ValueKind::kRepeatNumber: {
      const TextField& field = *(window.*control.field);
      return IsContinuousWord(field.stringValue()) ? kContinuous : field.intValue();
    }
  }
  return 0;
}

}  // namespace

Capture CaptureControls(const TessaroController& window) {
  Capture capture;
  for (int i = 0; i < kWheelFields; ++i) capture.wheel[i] = ReadValue(kWheelControls[i], window);
  for (int i = 0; i < kSettingFields; ++i) capture.setting[i] = ReadValue(kSettingControls[i], window);
  return capture;
}
