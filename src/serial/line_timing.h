// Time bounds of the serial line. The controller speaks at 300 baud.
#pragma once

#include <chrono>

using LineClock = std::chrono::steady_clock;

// The fuzz targets' own copy of this library is built with
// KORVEL_SHORT_LINE_BOUNDS and talks to an emulator that answers at once:
// there every bound below is this many times shorter, so that a fuzzer runs
// hundreds of cycles a second instead of a few. Any real line needs them whole.
#ifdef KORVEL_SHORT_LINE_BOUNDS
inline constexpr int kLineBoundDivisor = 64;
#else
inline constexpr int kLineBoundDivisor = 1;
#endif

// One character: start bit, eight data bits and stop bit at 300 baud.
inline constexpr std::chrono::microseconds kCharacterTime{33334};

// The controller echoes a command's first byte within about one character
// time; a second leaves room for a slow adapter and still reads as "no answer"
// to an operator when the controller is off.
inline constexpr std::chrono::milliseconds kFirstByteTimeout{1000 / kLineBoundDivisor};

// A whole reply, counted from its first byte: long enough for a slow wheel move
// before the closing byte. When it runs out, the bytes received are the reply.
inline constexpr std::chrono::milliseconds kReplyTimeout{5000 / kLineBoundDivisor};

// A reply whose length is not known beforehand has ended when the line has
// been quiet this long; bytes of one reply follow each other one character apart.
inline constexpr auto kQuietTime = 2 * kCharacterTime / kLineBoundDivisor;

// Handing a command of at most 20 bytes to the driver.
inline constexpr std::chrono::milliseconds kWriteTimeout{1000 / kLineBoundDivisor};
