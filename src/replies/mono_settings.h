// The Mono's own settings as its status reply carries them, for code that
// compares them with what it set: the window shows only the exposure time and
// the repeat number, and neither the trigger codes nor the free run.
#pragma once

#include <optional>
#include <span>

struct MonoSettings {
  unsigned char ttlIn = 0;    // the second byte of the FA command: A0 to A4, or another code
  unsigned char ttlOut = 0;   // B0 to B2, or another code
  int closedTime[5] = {};     // hours, minutes, seconds, milliseconds, tenths
  int exposureTime[5] = {};
  unsigned char freeRun = 0;  // F1 to F3, or another code (free run disabled)
  int repeat = 0;             // 0 to 65535, high byte first
};

// reply: the bytes received, the echoed 0xCC first, in the Mono's layout.
// Nothing when the reply reports the shutter not connected or ends before
// the repeat number.
std::optional<MonoSettings> DecodeMonoSettings(std::span<const unsigned char> reply);
