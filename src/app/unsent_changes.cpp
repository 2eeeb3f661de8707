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

// The general command list's entries whose command carries the wheels and
// shutter states (a Triad's): DF with wheels A and B, the batch BD … BE with
// every changed one.
constexpr int32_t kTriadCombinedEntry = 8;
constexpr int32_t kTriadBatchEntry = 9;

bool IsTimeField(int i) { return i >= kTHour && i <= kTTenthmsecond; }

// Whether the command chosen by the change of sentSetting also carried
// setting i: a mode with its steps, a time with all its fields, a timer
// switch with the time fields, a Triad's combined or batch command with the
// shutter states.
bool CarriesSetting(int sentSetting, int32_t entry, int i) {
  switch (sentSetting) {
    case kShutterAmode:
    case kShutterAsteps:
      return i == kShutterAmode || i == kShutterAsteps;
    case kShutterBmode:
    case kShutterBsteps:
      return i == kShutterBmode || i == kShutterBsteps;
    case kTimerType:
      return IsTimeField(i) || i == kTimerType;
    case kOtherCommand:
      return itype == kTriad && (entry == kTriadCombinedEntry || entry == kTriadBatchEntry) &&
             (i == kShutterAstatus || i == kShutterBstatus);
    default:
      return IsTimeField(sentSetting) && IsTimeField(i);
  }
}

bool CarriesWheel(int sentSetting, int32_t entry, int w) {
  if (sentSetting != kOtherCommand || itype != kTriad) return false;
  return entry == kTriadBatchEntry || (entry == kTriadCombinedEntry && w < kFilterC);
}

// Changed before the cycle, not carried by the command sent, and remembered
// as the operator set it.
template <std::size_t N, typename Carried>
void Collect(const int32_t (&before)[N], const int32_t (&rememberedBefore)[N], const int32_t (&rememberedNow)[N],
             Carried carried, const char* const (&names)[N], std::vector<std::string>& out) {
  for (std::size_t i = 0; i < N; ++i) {
    const bool changed = before[i] != rememberedBefore[i];
    if (changed && !carried(static_cast<int>(i)) && rememberedNow[i] == before[i]) out.push_back(names[i]);
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
  const int32_t entry = before.capture.setting[kOtherCommand];
  Collect(before.capture.wheel, before.remembered.wheel, icomm0,
          [&](int w) { return w == sentWheel || CarriesWheel(sentSetting, entry, w); }, kWheelNames, unsent);
  Collect(before.capture.setting, before.remembered.setting, scomm0,
          [&](int i) { return i == sentSetting || CarriesSetting(sentSetting, entry, i); }, kSettingNames, unsent);
  return unsent;
}

std::string UnsentMessage(const std::vector<std::string>& controls) {
  if (controls.empty()) return {};
  std::string message = "Not sent (one command per Send): ";
  for (std::size_t i = 0; i < controls.size(); ++i) message += (i == 0 ? "" : ", ") + controls[i];
  return message + "; the window shows them, the controller does not have them.";
}
