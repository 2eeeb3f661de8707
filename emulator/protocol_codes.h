// Byte codes of the controller's line protocol.
#pragma once

#include <cstdint>

#include "controller_types.h"

namespace emulator::code {

inline constexpr uint8_t kClosing = 0x0D;
inline constexpr uint8_t kWheelC = 0xFC;
inline constexpr uint8_t kWheelNotConnected = 0x0A;
inline constexpr uint8_t kWheelBNotConnected = 0x8A;
inline constexpr uint8_t kWheelBFlag = 0x80;
inline constexpr uint8_t kShutterAClosed = 0xAC;
inline constexpr uint8_t kShutterBClosed = 0xBC;
inline constexpr uint8_t kShutterNotConnected = 0xDB;
inline constexpr uint8_t kModeFast = 0xDC;
inline constexpr uint8_t kModeSoft = 0xDD;
inline constexpr uint8_t kModeNeutralDensity = 0xDE;
inline constexpr uint8_t kCombined = 0xDF;
inline constexpr uint8_t kBatchBegin = 0xBD;
inline constexpr uint8_t kBatchEnd = 0xBE;
inline constexpr uint8_t kMonoPrefix = 0xFA;
inline constexpr uint8_t kRepeatNumber = 0xF0;
inline constexpr uint8_t kFreeRunByPowerOn = 0xF1;
inline constexpr uint8_t kFreeRunByTrigger = 0xF2;
inline constexpr uint8_t kFreeRunGo = 0xF3;
inline constexpr uint8_t kStatus = 0xCC;
inline constexpr uint8_t kConfiguration = 0xFD;
inline constexpr uint8_t kNoClosing = 0xBF;
// What a controller is documented to send in the status reply's skipped
// places other than the shutter numbers: the Triad's byte 3 and the Mono's
// byte before its trigger input.
inline constexpr uint8_t kSkippedPlace = 0x00;
inline constexpr uint8_t kMinSteps = 1;
inline constexpr uint8_t kMaxSteps = 144;

// Every other command's first byte has a low nibble of A to F.
constexpr bool IsWheelByte(uint8_t b) { return (b & 0x0F) <= 9; }

constexpr bool IsShutterAStateByte(uint8_t b) { return b >= 0xAA && b <= 0xAC; }
constexpr bool IsShutterBStateByte(uint8_t b) { return b >= 0xBA && b <= 0xBC; }

// Filter in the low nibble, speed above it; wheel B adds 0x80.
constexpr uint8_t WheelByte(const WheelSetting& wheel) {
  return static_cast<uint8_t>(wheel.filter + 16 * wheel.speed);
}

// The low nibble of a state byte: A open, B open conditional, C closed.
constexpr ShutterState StateOf(uint8_t stateByte) {
  switch (stateByte & 0x0F) {
    case 0x0A:
      return ShutterState::kOpen;
    case 0x0B:
      return ShutterState::kOpenConditional;
    default:
      return ShutterState::kClosed;
  }
}

constexpr uint8_t StateByte(Device shutter, ShutterState state) {
  const uint8_t base = shutter == Device::kShutterB ? 0xB0 : 0xA0;
  switch (state) {
    case ShutterState::kOpen:
      return base | 0x0A;
    case ShutterState::kOpenConditional:
      return base | 0x0B;
    case ShutterState::kClosed:
      break;
  }
  return base | 0x0C;
}

constexpr uint8_t ModeByte(ShutterMode mode) {
  return static_cast<uint8_t>(kModeFast + static_cast<uint8_t>(mode));
}

// The shutter number that follows a mode byte on the two-shutter variants.
constexpr uint8_t ShutterNumber(Device shutter) { return shutter == Device::kShutterB ? 0x02 : 0x01; }

}  // namespace emulator::code
