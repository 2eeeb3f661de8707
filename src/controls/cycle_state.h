// State of the command cycle: what outlives a cycle (the remembered values and
// the detected variant) and what lives for one (the captured values, the texts).
#pragma once

#include <cstdint>
#include <string>

// Wheel part of the captured values, compared with icomm0.
enum WheelField : int { kFilterA, kSpeedA, kFilterB, kSpeedB, kFilterC, kSpeedC, kWheelFields };

// Setting part of the captured values, compared with scomm0, in scan order.
enum SettingField : int {
  kOtherCommand,
  kShutterAstatus,
  kShutterAmode,
  kShutterBstatus,
  kShutterBmode,
  kShutterAsteps,
  kShutterBsteps,
  kRepeatNumber,
  kTHour,
  kTMinute,
  kTSecond,
  kTMsecond,
  kTTenthmsecond,
  kTimerType,
  kSettingFields
};

// The detected controller variant.
enum Variant : int32_t { kUnknown = 0, kDuoWheelShutter = 1, kDuoShutterShutter = 2, kTriad = 3, kMono = 4 };

// "triad", "duo-wheel-shutter", "duo-shutter-shutter", "mono"; "unknown" else.
const char* VariantName(int32_t variant);

// Remembered at the end of the last cycle.
extern int32_t icomm0[kWheelFields];
extern int32_t scomm0[kSettingFields];
// Set once, by the first reply that identifies the controller.
extern int32_t itype;

// Back to the state at program start.
void ResetCycleState();

// The twenty values of one cycle.
struct Capture {
  int32_t wheel[kWheelFields] = {};
  int32_t setting[kSettingFields] = {};
};

// Everything one cycle creates and drops.
struct Cycle {
  Capture capture;
  std::string logText;
  std::string statusText;
  int32_t commandLength = 0;
  int32_t extraLength = 0;
};

// What an encoder made of the changed control.
enum class Encoding {
  kNothing,  // no change to encode
  kReady,    // command bytes in mycomm, commandLength (and extraLength) set
  kRefused,  // a message was appended to logText; nothing is sent
};

// Repeat-number value that stands for continuous free run.
inline constexpr int32_t kContinuous = 65535;
