// Where each setting stands in the status reply of each controller variant,
// and the report's texts for it.
#pragma once

#include <cstdint>
#include <span>

#include "byte_forms.h"

// A mode byte is 0xDC + mode index (fast, soft, neutral density); 0xDB
// reports the shutter missing.
inline constexpr unsigned char kModeByteNotConnected = 0xDB;
inline constexpr unsigned char kModeByteFast = 0xDC;
inline constexpr unsigned char kModeByteNeutralDensity = 0xDE;

// The Mono's time blocks (hours, minutes, seconds, two bytes of digits) and
// its repeat number (high byte first).
inline constexpr int kTimeBlockLength = 5;
inline constexpr int kRepeatNumberLength = 2;

// Texts with %d take signed decimal numbers; every text ends its line.
struct WheelLines {
  const char* notConnected;
  const char* position;  // filter, speed
};

struct StateLines {
  const char* close;
  const char* open;
  const char* openConditional;
};

struct ModeLines {
  const char* notConnected;
  const char* neutralDensity;
  const char* steps;  // step count
  const char* fast;
  const char* soft;
};

enum class FieldKind { kWheel, kState, kMode, kTtlIn, kTtlOut, kClosedTime, kExposureTime, kFreeRun, kRepeatNumber };

struct StatusField {
  FieldKind kind;
  int position;  // from the echoed 0xCC, before the steps shift
  Wheel wheel = kWheelA;
  Shutter shutter = Shutter::kA;
  const WheelLines* wheelLines = nullptr;
  const StateLines* stateLines = nullptr;
  const ModeLines* modeLines = nullptr;
  // kMode: the step count's distance from the mode byte; two-shutter
  // controllers put the shutter number between them.
  int stepsOffset = 1;
  // kMode: a step count moves every later field one byte on.
  bool shiftsLater = false;
  // kMode: a shutter reported not connected ends the report.
  bool lastIfNotConnected = false;
};

struct StatusLayout {
  const char* title;
  std::span<const StatusField> fields;
};

// The layout for the detected variant; a value other than the two Duo
// variants and the Triad reads as a Mono.
const StatusLayout& StatusLayoutOf(int32_t variant);
