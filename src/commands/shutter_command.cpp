#include "shutter_command.h"

#include "byte_forms.h"
#include "encoder_output.h"
#include "status_first.h"

namespace {

constexpr char kModeStepsOutOfRange[] = "** Invalid command **\nNeutral Density steps\nmust be between 1-144.\n";
constexpr char kStepsOutOfRange[] = "** Invalid command **\nNeutral density steps\nmust be between 1-144.\n";
constexpr char kStepsNeedNeutralDensity[] = "** Invalid command **\nSteps value is only for neutral density mode.\n";

// The step count travels as one byte.
constexpr int32_t kMinSteps = 1;
constexpr int32_t kMaxSteps = 144;

// Until the status reply has cut it, a mode list also holds its
// not-connected entry.
constexpr int32_t kModeListLength = 3;

struct ShutterControls {
  Shutter shutter;
  SettingField status;
  SettingField mode;
  SettingField steps;
  ComboBox* TessaroController::*modeList;
};

constexpr ShutterControls kShutters[] = {
    {Shutter::kA, kShutterAstatus, kShutterAmode, kShutterAsteps, &TessaroController::shutterAmode},
    {Shutter::kB, kShutterBstatus, kShutterBmode, kShutterBsteps, &TessaroController::shutterBmode},
};

bool StepsInRange(int32_t steps) { return steps >= kMinSteps && steps <= kMaxSteps; }

// Only the two-shutter controllers need to be told which shutter is meant.
CommandBuilder ModeCommand(Shutter shutter, int32_t mode) {
  CommandBuilder command;
  command.Add(ShutterModeByte(mode));
  if (itype == kDuoShutterShutter || itype == kTriad) command.Add(ShutterNumber(shutter));
  return command;
}

Encoding EncodeState(const ShutterControls& s, Cycle& cycle) {
  int32_t& state = cycle.capture.setting[s.status];
  // A decoded status reply may have left a state no list holds.
  if (!IsShutterState(state)) {
    state = scomm0[s.status];
    return Refuse(cycle, kNoSuchShutterState);
  }
  return CommandBuilder().Add(ShutterStateByte(s.shutter, state)).Ready(cycle);
}

Encoding EncodeMode(const ShutterControls& s, Cycle& cycle) {
  int32_t& mode = cycle.capture.setting[s.mode];
  int32_t& steps = cycle.capture.setting[s.steps];
  // The lists hold no further mode; the byte after DE would start another command.
  if (mode < kModeFast || mode > kModeNeutralDensity) return Refuse(cycle, kSendStatusFirst);
  if (mode != kModeNeutralDensity) {
    steps = 0;
    return ModeCommand(s.shutter, mode).Ready(cycle);
  }
  if (!StepsInRange(steps)) {
    steps = 0;
    mode = scomm0[s.mode];
    return Refuse(cycle, kModeStepsOutOfRange);
  }
  return ModeCommand(s.shutter, mode).Add(static_cast<unsigned char>(steps)).Ready(cycle);
}

Encoding EncodeSteps(const ShutterControls& s, Cycle& cycle) {
  int32_t& steps = cycle.capture.setting[s.steps];
  if (cycle.capture.setting[s.mode] != kModeNeutralDensity) {
    steps = scomm0[s.steps];
    return Refuse(cycle, kStepsNeedNeutralDensity);
  }
  if (!StepsInRange(steps)) {
    steps = scomm0[s.steps];
    return Refuse(cycle, kStepsOutOfRange);
  }
  return ModeCommand(s.shutter, kModeNeutralDensity).Add(static_cast<unsigned char>(steps)).Ready(cycle);
}

}  // namespace

Encoding EncodeShutterCommand(SettingField field, Cycle& cycle, const TessaroController& window) {
  for (const ShutterControls& s : kShutters) {
    if (field == s.status) return EncodeState(s, cycle);
    if (field != s.mode && field != s.steps) continue;
    // A mode command names its shutter only on the two-shutter variants, so
    // its bytes need the variant too, not only the lists a reply has cut.
    if (itype == kUnknown || ItemCount(window.*s.modeList) != kModeListLength) return Refuse(cycle, kSendStatusFirst);
    return field == s.mode ? EncodeMode(s, cycle) : EncodeSteps(s, cycle);
  }
  return Encoding::kNothing;
}
