#include "unsent_changes.h"

#include <algorithm>

#include "capture.h"

namespace {

// The controls as the window labels them, in the order of the captured values.
constexpr const char* kWheelNames[kWheelFields] = {
    "wheel A filter", "wheel A speed", "wheel B filter", "wheel B speed", "wheel C filter", "wheel C speed",
};
constexpr const char* kSettingNames[kSettingFields] = {
    "general command", "shutter A state", "shutter A mode", "shutter B state", "shutter B mode",
    "shutter A steps", "shutter B steps", "repeat number",  "hours",           "minutes",
    "seconds",         "milliseconds",    "tenths of ms",   "timer type",
};

template <std::size_t N>
int FirstChanged(const int32_t (&now)[N], const int32_t (&remembered)[N]) {
  for (std::size_t i = 0; i < N; ++i) {
    if (now[i] != remembered[i]) return static_cast<int>(i);
  }
  return -1;
}

// Changed before the cycle, not the one sent, and remembered as the operator set it.
template <std::size_t N>
void Collect(const int32_t (&before)[N], const int32_t (&rememberedBefore)[N], const int32_t (&rememberedNow)[N],
             int sentIndex, const char* const (&names)[N], std::vector<std::string>& out) {
  for (std::size_t i = 0; i < N; ++i) {
    const bool changed = before[i] != rememberedBefore[i];
    if (changed && static_cast<int>(i) != sentIndex && rememberedNow[i] == before[i]) out.push_back(names[i]);
  }
}

}  // namespace

ChangesBefore TakeChangesBefore(const TessaroController& window) {
  ChangesBefore before;
  before.capture = CaptureControls(window);
  std::copy(std::begin(icomm0), std::end(icomm0), std::begin(before.remembered.wheel));
  std::copy(std::begin(scomm0), std::end(scomm0), std::begin(before.remembered.setting));
  return before;
}

std::vector<std::string> UnsentControls(const ChangesBefore& before, bool sent, bool fromSetting) {
  std::vector<std::string> unsent;
  if (!sent) return unsent;
  const int sentSetting = fromSetting ? FirstChanged(before.capture.setting, before.remembered.setting) : -1;
  const int sentWheel = fromSetting ? -1 : FirstChanged(before.capture.wheel, before.remembered.wheel);
  Collect(before.capture.wheel, before.remembered.wheel, icomm0, sentWheel, kWheelNames, unsent);
  Collect(before.capture.setting, before.remembered.setting, scomm0, sentSetting, kSettingNames, unsent);
  return unsent;
}

std::string UnsentMessage(const std::vector<std::string>& controls) {
  if (controls.empty()) return {};
  std::string message = "Not sent (one command per Send): ";
  for (std::size_t i = 0; i < controls.size(); ++i) message += (i == 0 ? "" : ", ") + controls[i];
  return message + "; the window shows them, the controller does not have them.";
}
