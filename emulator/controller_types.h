// The emulated controller: its variant, its devices and the settings it keeps.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <utility>

namespace emulator {

enum class Variant { kTriad, kDuoWheelShutter, kDuoShutterShutter, kMono };

// The Mono's and the Duo wheel/shutter's one shutter is shutter A.
enum class Device { kWheelA, kWheelB, kWheelC, kShutterA, kShutterB };

// Places in ControllerState::wheels and ControllerState::shutters.
constexpr std::size_t WheelIndex(Device wheel) { return static_cast<std::size_t>(wheel); }
constexpr std::size_t ShutterIndex(Device shutter) { return shutter == Device::kShutterB ? 1 : 0; }

// A fault: one wheel never reaches one filter position. A move there is
// answered as any move, and the wheel stays where it was.
struct StuckPosition {
  Device wheel = Device::kWheelA;
  int filter = -1;  // -1: no wheel is stuck
};

// A fault: one shutter ignores one mode. The mode command is answered as any
// other, and the shutter keeps the mode (and steps) it had.
struct IgnoredMode {
  Device shutter = Device::kShutterA;
  int mode = -1;  // a ShutterMode's number; -1: every mode is taken
};

// Which controller is served: its variant, the devices reported missing, a
// stuck wheel and a shutter that ignores a mode.
struct ControllerSetup {
  ControllerSetup() = default;
  ControllerSetup(Variant v, std::set<Device> missing = {}) : variant(v), notConnected(std::move(missing)) {}

  Variant variant = Variant::kTriad;
  std::set<Device> notConnected;
  StuckPosition stuck;
  IgnoredMode ignoredMode;
  // What the status reply carries in the places its layout skips (the
  // Triad's byte 3, the place after each mode byte of a two-shutter variant,
  // the Mono's byte before its trigger input); none: the bytes a controller
  // is documented to send there (00, the shutter number 01 or 02, 00).
  std::optional<uint8_t> skippedByte;

  bool has(Device device) const;
  // Present in the variant and not marked not connected.
  bool connected(Device device) const;
  // Triad and Duo shutter/shutter: mode commands and the status reply carry
  // the shutter number 01/02 after each mode byte.
  bool twoShutters() const;
};

enum class ShutterState : uint8_t { kClosed, kOpen, kOpenConditional };
enum class ShutterMode : uint8_t { kFast, kSoft, kNeutralDensity };

struct WheelSetting {
  uint8_t filter = 0;  // 0 to 9
  uint8_t speed = 0;   // 0 to 7
  bool operator==(const WheelSetting&) const = default;
};

struct ShutterSetting {
  ShutterState state = ShutterState::kClosed;
  ShutterMode mode = ShutterMode::kFast;
  uint8_t steps = 0;  // neutral-density step count, 0 in fast and soft mode
  bool operator==(const ShutterSetting&) const = default;
};

// T M S P Q as the timer command carries them: T = 0x10 (closed time) or
// 0x20 (exposure time) + hours, P and Q the millisecond digits and tenths.
using TimeBlock = std::array<uint8_t, 5>;

struct ControllerState {
  std::array<WheelSetting, 3> wheels{};      // A, B, C
  std::array<ShutterSetting, 2> shutters{};  // A, B
  uint8_t ttlIn = 0xA0;
  uint8_t ttlOut = 0xB0;
  TimeBlock closedTime{};
  TimeBlock exposureTime{};
  uint8_t freeRun = 0xF0;
  uint16_t repeatNumber = 0;
  bool operator==(const ControllerState&) const = default;
};

}  // namespace emulator
