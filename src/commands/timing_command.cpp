#include "timing_command.h"

#include <cstdint>

#include "encoder_output.h"
#include "status_first.h"

namespace {

constexpr char kRepeatNumberNotPositive[] = "** Invalid command **\nRepeat number must be greater than 0.\n";
constexpr char kTimeAboveLimit[] = "** Invalid value **\nMaximum time value is 5hrs.\n";
constexpr char kTimeNegative[] = "** Invalid value **\nTime values can not be negative.\n";
constexpr char kNoSuchTimerType[] = "** Invalid command **\nNo such timer type.\n";

// Closed time and exposure time.
constexpr int32_t kTimerTypes = 2;

constexpr unsigned char kTimingPrefix = 0xFA;
constexpr unsigned char kRepeatNumberCommand = 0xF0;
// Anything above a count means free run without end.
constexpr int32_t kMaxRepeatCount = 65000;

constexpr int32_t kMaxHours = 5;
// The timer byte holds the hours in its low nibble.
constexpr int64_t kMaxHourNibble = 15;

constexpr int kTimeFields = kTTenthmsecond - kTHour + 1;
// How many units of a field make one of the next coarser field; hours have no
// coarser field.
constexpr int64_t kUnitsPerCoarser[kTimeFields] = {0, 60, 60, 1000, 10};

// Five time fields, hours first, wide enough that no carry overflows.
struct Time {
  int64_t field[kTimeFields];
};

Time CapturedTime(const Capture& capture) {
  Time time{};
  for (int i = 0; i < kTimeFields; ++i) time.field[i] = capture.setting[kTHour + i];
  return time;
}

// Carries from the changed field upward, each step only when the finer field
// overflowed; coarser fields that did not receive a carry stay as typed.
void Normalise(Time& time, int changed) {
  for (int i = changed; i > 0; --i) {
    const int64_t units = kUnitsPerCoarser[i];
    if (time.field[i] < units) return;
    time.field[i - 1] += time.field[i] / units;
    time.field[i] %= units;
  }
}

// A negative value would go out as its low byte: -1 minutes as 255, which
// would also slip past the 5-hour limit.
bool NotNegative(const Time& time) {
  for (int64_t value : time.field) {
    if (value < 0) return false;
  }
  return true;
}

// -1 (no selection) goes out without a timer code, as the hours alone; an
// index past the two timers would give a T byte of no timer.
bool IsTimerType(int32_t type) { return type >= -1 && type < kTimerTypes; }

bool WithinLimit(const Time& time) {
  if (time.field[0] < kMaxHours) return true;
  if (time.field[0] > kMaxHours) return false;
  for (int i = 1; i < kTimeFields; ++i) {
    if (time.field[i] != 0) return false;
  }
  return true;
}

unsigned char LowByte(int64_t value) { return static_cast<unsigned char>(value & 0xFF); }

// FA T M S P Q: T holds the timer (1 closed, 2 exposure) over the hours; P and
// Q hold the milliseconds' three digits and the tenths, one per nibble.
Encoding SendTimer(Cycle& cycle) {
  const Capture& capture = cycle.capture;
  if (!IsTimerType(capture.setting[kTimerType])) {
    cycle.capture.setting[kTimerType] = scomm0[kTimerType];
    return Refuse(cycle, kNoSuchTimerType);
  }
  const Time t = CapturedTime(capture);
  const int64_t timerType = capture.setting[kTimerType];
  const int64_t ms = t.field[3];
  return CommandBuilder()
      .Add(kTimingPrefix)
      .Add(LowByte(0x10 + 16 * timerType + t.field[0]))
      .Add(LowByte(t.field[1]))
      .Add(LowByte(t.field[2]))
      .Add(LowByte(16 * (ms / 100) + (ms % 100) / 10))
      .Add(LowByte(16 * (ms % 10) + t.field[4]))
      .Ready(cycle);
}

// The present time under the other timer, as it stands: no carry, no limit,
// as long as the hours fit the low nibble of the timer byte. More hours (left
// by a status reply, say) would carry into the timer code and make the byte
// another command's: 145 exposure hours went out as FA B1, TTL output high.
Encoding SwitchTimer(Cycle& cycle) {
  const Time time = CapturedTime(cycle.capture);
  const char* refusal = !NotNegative(time) ? kTimeNegative : time.field[0] > kMaxHourNibble ? kTimeAboveLimit : nullptr;
  if (refusal != nullptr) {
    cycle.capture.setting[kTimerType] = scomm0[kTimerType];
    return Refuse(cycle, refusal);
  }
  return SendTimer(cycle);
}

Encoding EncodeRepeatNumber(Cycle& cycle) {
  int32_t& repeat = cycle.capture.setting[kRepeatNumber];
  if (repeat <= 0) {
    repeat = scomm0[kRepeatNumber];
    return Refuse(cycle, kRepeatNumberNotPositive);
  }
  const bool continuous = repeat > kMaxRepeatCount;
  return CommandBuilder()
      .Add(kTimingPrefix)
      .Add(kRepeatNumberCommand)
      .Add(continuous ? 0xFF : static_cast<unsigned char>(repeat / 256))
      .Add(continuous ? 0xFF : static_cast<unsigned char>(repeat % 256))
      .Ready(cycle);
}

Encoding EncodeTime(SettingField field, Cycle& cycle) {
  const int changed = field - kTHour;
  Time time = CapturedTime(cycle.capture);
  Normalise(time, changed);
  const char* refusal = !NotNegative(time) ? kTimeNegative : !WithinLimit(time) ? kTimeAboveLimit : nullptr;
  if (refusal != nullptr) {
    for (int i = 0; i <= changed; ++i) cycle.capture.setting[kTHour + i] = scomm0[kTHour + i];
    return Refuse(cycle, refusal);
  }
  // Accepted: hours are at most 5 and every carried field below its unit, so
  // each value fits its field again.
  for (int i = 0; i <= changed; ++i) cycle.capture.setting[kTHour + i] = static_cast<int32_t>(time.field[i]);
  return SendTimer(cycle);
}

}  // namespace

Encoding EncodeTimingCommand(SettingField field, Cycle& cycle, const TessaroController& window) {
  if (field < kRepeatNumber || field > kTimerType) return Encoding::kNothing;
  if (ItemCount(window.timerType) != kTimerTypes) return Refuse(cycle, kSendStatusFirst);
  if (field == kRepeatNumber) return EncodeRepeatNumber(cycle);
  if (field == kTimerType) return SwitchTimer(cycle);
  return EncodeTime(field, cycle);
}
