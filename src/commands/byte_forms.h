// Byte forms that several commands share; the status reply carries the same
// codes.
#pragma once

#include <cstdint>

enum Wheel : int { kWheelA, kWheelB, kWheelC, kWheels };
enum class Shutter { kA, kB };

// Filter index in the low nibble, speed index from bit 4 up; only the low
// eight bits are sent. Unsigned arithmetic keeps any index well defined.
constexpr unsigned char WheelByte(int32_t filter, int32_t speed) {
  return static_cast<unsigned char>((static_cast<uint32_t>(filter) + 16u * static_cast<uint32_t>(speed)) & 0xFFu);
}

// Wheel B is told apart from wheel A by bit 7.
constexpr unsigned char WheelBByte(int32_t filter, int32_t speed) {
  return static_cast<unsigned char>((WheelByte(filter, speed) + 0x80u) & 0xFFu);
}

inline constexpr unsigned char kWheelCPrefix = 0xFC;

// What a wheel byte can carry. Any other index would come out as the byte of
// another wheel or command (speed 8 on wheel A is 0x83, a move of wheel B).
constexpr bool IsWheelSetting(int32_t filter, int32_t speed) {
  return filter >= 0 && filter <= 9 && speed >= 0 && speed <= 7;
}
inline constexpr char kNoSuchWheelSetting[] = "** Invalid command **\nNo such filter position or speed.\n";

// A wheel's move: one byte for A and B, the prefix and the wheel byte for C.
struct WheelMove {
  unsigned char bytes[2] = {};
  int length = 0;
  const unsigned char* begin() const { return bytes; }
  const unsigned char* end() const { return bytes + length; }
};

constexpr WheelMove WheelMoveBytes(Wheel wheel, int32_t filter, int32_t speed) {
  switch (wheel) {
    case kWheelA:
      return {{WheelByte(filter, speed)}, 1};
    case kWheelB:
      return {{WheelBByte(filter, speed)}, 1};
    default:
      return {{kWheelCPrefix, WheelByte(filter, speed)}, 2};
  }
}

// Index 0 (or no selection) closes; 1 opens, 2 opens conditionally. A higher
// index would come out as another command's byte (19 on shutter A is 0xBC).
constexpr bool IsShutterState(int32_t index) { return index <= 2; }
inline constexpr char kNoSuchShutterState[] = "** Invalid command **\nNo such shutter state.\n";

constexpr unsigned char ShutterStateByte(Shutter shutter, int32_t index) {
  const uint32_t closed = shutter == Shutter::kA ? 0xACu : 0xBCu;
  const uint32_t openBase = shutter == Shutter::kA ? 0xA9u : 0xB9u;
  if (index <= 0) return static_cast<unsigned char>(closed);
  return static_cast<unsigned char>((openBase + static_cast<uint32_t>(index)) & 0xFFu);
}

// Shutter modes: fast, soft, neutral density (which takes a step count).
inline constexpr int32_t kModeFast = 0;
inline constexpr int32_t kModeNeutralDensity = 2;

// Valid for the three modes only: 0xDF would start another command.
constexpr unsigned char ShutterModeByte(int32_t mode) { return static_cast<unsigned char>(0xDC + mode); }

// Follows the mode byte on the controllers that drive two shutters.
constexpr unsigned char ShutterNumber(Shutter shutter) { return shutter == Shutter::kA ? 0x01 : 0x02; }
