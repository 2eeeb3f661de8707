// How far a command has arrived, judged from its form alone: the controller
// sends no end marker, so a command's length follows from its first bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace emulator {

// The longest command a console sends; a batch still open at this length is
// dropped, so that a stray batch opener cannot swallow the line for good.
inline constexpr std::size_t kMaxCommandBytes = 20;

enum class CommandProgress {
  kUnknown,     // the first byte starts no command
  kIncomplete,  // more bytes belong to this command
  kComplete,    // the last byte ended the command
  kDropped,     // a batch grew past kMaxCommandBytes without its end byte
};

// bytes: the command's bytes so far, at least one. twoShutters: mode bytes
// are followed by a shutter number.
CommandProgress JudgeCommand(std::span<const uint8_t> bytes, bool twoShutters);

}  // namespace emulator
