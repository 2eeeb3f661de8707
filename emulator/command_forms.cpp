#include "command_forms.h"

#include "protocol_codes.h"

namespace emulator {

namespace {

constexpr uint8_t kSingleByteCommands[] = {0xCC, 0xFD, 0xEF, 0xEE, 0xCF, 0xCE, 0xFB, 0xBF};

bool IsSingleByteCommand(uint8_t b) {
  for (uint8_t command : kSingleByteCommands) {
    if (b == command) return true;
  }
  return false;
}

// Second bytes after FA that end the command; F0 takes two more bytes, and
// any other second byte is a timer's T, followed by M S P Q.
bool IsTwoByteMonoCommand(uint8_t second) {
  return (second >= 0xF1 && second <= 0xF3) || (second >= 0xA0 && second <= 0xA4) ||
         (second >= 0xB0 && second <= 0xB2) || second == 0xC0 || second == 0xC1;
}

std::size_t MonoCommandLength(std::span<const uint8_t> bytes) {
  if (bytes.size() < 2) return 2;
  if (bytes[1] == code::kRepeatNumber) return 4;
  return IsTwoByteMonoCommand(bytes[1]) ? 2 : 6;
}

// 0 for a first byte that starts no fixed-length command.
std::size_t FixedLength(std::span<const uint8_t> bytes, bool twoShutters) {
  const uint8_t first = bytes[0];
  if (code::IsWheelByte(first)) return 1;
  switch (first) {
    case code::kWheelC:
      return 2;
    case code::kModeFast:
    case code::kModeSoft:
      return twoShutters ? 2 : 1;
    case code::kModeNeutralDensity:
      return twoShutters ? 3 : 2;
    case code::kCombined:
      return 5;
    case code::kMonoPrefix:
      return MonoCommandLength(bytes);
    default:
      break;
  }
  if (code::IsShutterAStateByte(first) || code::IsShutterBStateByte(first)) return 1;
  return IsSingleByteCommand(first) ? 1 : 0;
}

// The byte after FC is a wheel byte whatever its value, never the end byte.
CommandProgress JudgeBatch(std::span<const uint8_t> bytes) {
  std::size_t i = 1;
  while (i < bytes.size()) {
    if (bytes[i] == code::kWheelC) {
      i += 2;
    } else if (bytes[i] == code::kBatchEnd) {
      return CommandProgress::kComplete;
    } else {
      ++i;
    }
  }
  return bytes.size() >= kMaxCommandBytes ? CommandProgress::kDropped : CommandProgress::kIncomplete;
}

}  // namespace

CommandProgress JudgeCommand(std::span<const uint8_t> bytes, bool twoShutters) {
  if (bytes.empty()) return CommandProgress::kIncomplete;
  if (bytes[0] == code::kBatchBegin) return JudgeBatch(bytes);
  const std::size_t length = FixedLength(bytes, twoShutters);
  if (length == 0) return CommandProgress::kUnknown;
  return bytes.size() >= length ? CommandProgress::kComplete : CommandProgress::kIncomplete;
}

}  // namespace emulator
