#include "wheel_command.h"

#include <string>

#include "byte_forms.h"
#include "encoder_output.h"

namespace {

// The last entry of a filter list stands for a wheel that is not connected.
constexpr int32_t kFilterNotConnected = 10;

constexpr char kFilterCannotBeNc[] = "** Invalid command **\nFilter number can not be NC.\n";

std::string WheelNotConnected(Wheel wheel) {
  return std::string("** Invalid command **\nWheel ") + static_cast<char>('A' + wheel) + " is not connected.\n";
}

int FirstChangedWheelField(const Capture& capture) {
  for (int i = 0; i < kWheelFields; ++i) {
    if (capture.wheel[i] != icomm0[i]) return i;
  }
  return kWheelFields;
}

Encoding EncodeMove(Wheel wheel, bool filterChanged, Cycle& cycle) {
  int32_t& filter = cycle.capture.wheel[2 * wheel];
  int32_t& speed = cycle.capture.wheel[2 * wheel + 1];
  const int32_t rememberedFilter = icomm0[2 * wheel];
  if (filterChanged && filter == kFilterNotConnected) {
    filter = rememberedFilter;
    speed = icomm0[2 * wheel + 1];
    return Refuse(cycle, kFilterCannotBeNc);
  }
  if (rememberedFilter == kFilterNotConnected) {
    filter = kFilterNotConnected;
    speed = 0;
    return Refuse(cycle, WheelNotConnected(wheel));
  }
  // A decoded status reply may have left a position no list holds.
  if (!IsWheelSetting(filter, speed)) {
    filter = rememberedFilter;
    speed = icomm0[2 * wheel + 1];
    return Refuse(cycle, kNoSuchWheelSetting);
  }
  return CommandBuilder().AddAll(WheelMoveBytes(wheel, filter, speed)).Ready(cycle);
}

}  // namespace

Encoding EncodeWheelCommand(Cycle& cycle) {
  const int changed = FirstChangedWheelField(cycle.capture);
  if (changed == kWheelFields) return Encoding::kNothing;

  const Wheel wheel = static_cast<Wheel>(changed / 2);
  const Encoding result = EncodeMove(wheel, changed % 2 == 0, cycle);
  // One wheel per cycle: the later wheels' changes are dropped.
  for (int i = 2 * wheel + 2; i < kWheelFields; ++i) cycle.capture.wheel[i] = icomm0[i];
  return result;
}
