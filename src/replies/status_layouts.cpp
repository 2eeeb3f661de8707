#include "status_layouts.h"

#include "cycle_state.h"

namespace {

constexpr WheelLines kDuoWheel = {
    "- Wheel :              Not connected\n",
    "- Wheel :              Filter %d;    Speed %d\n",
};
constexpr WheelLines kTriadWheelA = {
    "- Wheel A :              Not connected\n",
    "- Wheel A :              Filter %d;    Speed %d\n",
};
constexpr WheelLines kTriadWheelB = {
    "- Wheel B :              Not connected\n",
    "- Wheel B :              Filter %d;    Speed %d\n",
};
constexpr WheelLines kTriadWheelC = {
    "- Wheel C :              Not connected\n",
    "- Wheel C :              Filter %d;    Speed %d\n",
};

constexpr StateLines kDuoShutterState = {
    "- Shutter status :  Close\n",
    "- Shutter status :  Open\n",
    "- Shutter status :  Open conditional\n",
};
constexpr StateLines kShutterAState = {
    "- Shutter A status :  Close\n",
    "- Shutter A status :  Open\n",
    "- Shutter A status :  Open conditional\n",
};
constexpr StateLines kShutterBState = {
    "- Shutter B status :  Close\n",
    "- Shutter B status :  Open\n",
    "- Shutter B status :  Open conditional\n",
};
constexpr StateLines kMonoState = {
    "- Shutter status :                 Close\n",
    "- Shutter status :                  Open\n",
    "- Shutter status :                  Open conditional\n",
};

constexpr ModeLines kDuoShutterMode = {
    "- Shutter mode :   Tandel shutter not connected\n",
    "- Shutter mode :   Neutral density\n",
    "- Shutter mode :   Neutral density steps number is %d \n",
    "- Shutter mode :   Fast\n",
    "- Shutter mode :   Soft\n",
};
constexpr ModeLines kShutterAMode = {
    "- Shutter A mode :   Tandel shutter not connected\n",
    "- Shutter A mode :   Neutral density\n",
    "- Shutter A mode :   Neutral density steps number is %d\n",
    "- Shutter A mode :   Fast\n",
    "- Shutter A mode :   Soft\n",
};
constexpr ModeLines kShutterBMode = {
    "- Shutter B mode :   Tandel shutter not connected\n",
    "- Shutter B mode :   Neutral density\n",
    "- Shutter B mode :   Neutral density steps number is %d\n",
    "- Shutter B mode :   Fast\n",
    "- Shutter B mode :   Soft\n",
};
constexpr ModeLines kMonoMode = {
    "- Shutter mode :                Tandel shutter not connected\n",
    "- Shutter mode :                  Neutral density\n",
    "- Shutter mode :                  Neutral density steps number is %d\n",
    "- Shutter mode :                  Fast\n",
    "- Shutter mode :                  Soft\n",
};

// Two-shutter controllers follow each mode byte with the shutter number.
constexpr int kAfterShutterNumber = 2;

constexpr StatusField kDuoWheelShutterFields[] = {
    {.kind = FieldKind::kWheel, .position = 1, .wheel = kWheelA, .wheelLines = &kDuoWheel},
    {.kind = FieldKind::kState, .position = 2, .shutter = Shutter::kA, .stateLines = &kDuoShutterState},
    {.kind = FieldKind::kMode, .position = 3, .shutter = Shutter::kA, .modeLines = &kDuoShutterMode},
};

constexpr StatusField kDuoShutterShutterFields[] = {
    {.kind = FieldKind::kState, .position = 1, .shutter = Shutter::kA, .stateLines = &kShutterAState},
    {.kind = FieldKind::kState, .position = 2, .shutter = Shutter::kB, .stateLines = &kShutterBState},
    {.kind = FieldKind::kMode,
     .position = 3,
     .shutter = Shutter::kA,
     .modeLines = &kShutterAMode,
     .stepsOffset = kAfterShutterNumber,
     .shiftsLater = true},
    {.kind = FieldKind::kMode,
     .position = 5,
     .shutter = Shutter::kB,
     .modeLines = &kShutterBMode,
     .stepsOffset = kAfterShutterNumber},
};

// Byte 3, where a wheel C command carries its 0xFC, is skipped: it may hold
// anything.
constexpr StatusField kTriadFields[] = {
    {.kind = FieldKind::kWheel, .position = 1, .wheel = kWheelA, .wheelLines = &kTriadWheelA},
    {.kind = FieldKind::kWheel, .position = 2, .wheel = kWheelB, .wheelLines = &kTriadWheelB},
    {.kind = FieldKind::kWheel, .position = 4, .wheel = kWheelC, .wheelLines = &kTriadWheelC},
    {.kind = FieldKind::kState, .position = 5, .shutter = Shutter::kA, .stateLines = &kShutterAState},
    {.kind = FieldKind::kState, .position = 6, .shutter = Shutter::kB, .stateLines = &kShutterBState},
    {.kind = FieldKind::kMode,
     .position = 7,
     .shutter = Shutter::kA,
     .modeLines = &kShutterAMode,
     .stepsOffset = kAfterShutterNumber,
     .shiftsLater = true},
    {.kind = FieldKind::kMode,
     .position = 9,
     .shutter = Shutter::kB,
     .modeLines = &kShutterBMode,
     .stepsOffset = kAfterShutterNumber},
};

// Byte 3 (after the shift) carries nothing.
constexpr StatusField kMonoFields[] = {
    {.kind = FieldKind::kState, .position = 1, .shutter = Shutter::kA, .stateLines = &kMonoState},
    {.kind = FieldKind::kMode,
     .position = 2,
     .shutter = Shutter::kA,
     .modeLines = &kMonoMode,
     .shiftsLater = true,
     .lastIfNotConnected = true},
    {.kind = FieldKind::kTtlIn, .position = 4},
    {.kind = FieldKind::kTtlOut, .position = 5},
    {.kind = FieldKind::kClosedTime, .position = 6},
    {.kind = FieldKind::kExposureTime, .position = 11},
    {.kind = FieldKind::kFreeRun, .position = 16},
    {.kind = FieldKind::kRepeatNumber, .position = 17},
};

constexpr char kDuoTitle[] = "********  Duo Controller Current Status  ********\n";

constexpr StatusLayout kDuoWheelShutterLayout = {kDuoTitle, kDuoWheelShutterFields};
constexpr StatusLayout kDuoShutterShutterLayout = {kDuoTitle, kDuoShutterShutterFields};
constexpr StatusLayout kTriadLayout = {"********  Triad Controller Current Status  ********\n", kTriadFields};
constexpr StatusLayout kMonoLayout = {"********  Mono Controller Current Status  ********\n", kMonoFields};

}  // namespace

const StatusLayout& StatusLayoutOf(int32_t variant) {
  switch (variant) {
    case kDuoWheelShutter:
      return kDuoWheelShutterLayout;
    case kDuoShutterShutter:
      return kDuoShutterShutterLayout;
    case kTriad:
      return kTriadLayout;
    default:
      return kMonoLayout;
  }
}
