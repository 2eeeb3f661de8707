#include "device_fields.h"

#include "device_outlets.h"
#include "report_format.h"
#include "window_edits.h"

namespace {

constexpr unsigned char kWheelNotConnected = 0x0A;
constexpr unsigned char kWheelBNotConnected = 0x8A;
constexpr int32_t kWheelBFlag = 0x80;

// A state byte is base + state index, except the closed code.
struct StateCodes {
  unsigned char closed;
  int32_t base;
};

constexpr StateCodes kShutterAStates = {0xAC, 0xA9};
constexpr StateCodes kShutterBStates = {0xBC, 0xB9};
constexpr int32_t kOpen = 1;

struct WheelPosition {
  int32_t filter;
  int32_t speed;
};

// Filter in the low nibble, speed above it.
WheelPosition PositionOf(unsigned char b) { return {b & 0x0F, b >> 4}; }

// The inverse of wheel B's command byte, filter + 16 x speed + 0x80, in
// signed arithmetic: below 0x80 both numbers come out zero or negative.
WheelPosition WheelBPositionOf(unsigned char b) {
  const int32_t v = static_cast<int32_t>(b) - kWheelBFlag;
  const int32_t speed = v / 16;
  return {v - 16 * speed, speed};
}

// A list the layout filled still holds its not-connected entry; a list cut by
// an earlier reply stays as it is.
bool Uncut(const ComboBox* list, int32_t layoutLength) { return ListLength(list) == layoutLength; }

void MarkShutterMissing(const ShutterOutlets& outlets, StatusDecoding& d) {
  ComboBox* modes = d.window.*outlets.modeList;
  TextField* steps = d.window.*outlets.stepsField;
  if (!Uncut(modes, kModeListLength)) return;
  RemoveItems(modes, {2, 1, 0});
  Gray(modes);
  MakeReadOnly(steps);
  d.cycle.capture.setting[outlets.mode] = 0;
  Gray(steps);
}

}  // namespace

FieldOutcome DecodeWheel(const StatusField& field, StatusDecoding& d) {
  const int at = d.positionOf(field);
  if (!d.reply.has(at)) return FieldOutcome::kNotReceived;
  const unsigned char b = d.reply.at(at);
  const bool wheelB = field.wheel == kWheelB;
  const WheelOutlets& outlets = OutletsOf(field.wheel);
  ComboBox* filters = d.window.*outlets.filterList;
  int32_t* captured = d.cycle.capture.wheel;
  const bool uncut = Uncut(filters, kFilterListLength);

  if (b == (wheelB ? kWheelBNotConnected : kWheelNotConnected)) {
    if (uncut) {
      EmptyWheelLists(d.window, {field.wheel});
      captured[outlets.filter] = 0;
      captured[outlets.speed] = 0;
    }
    d.cycle.statusText += field.wheelLines->notConnected;
    return FieldOutcome::kDecoded;
  }
  if (uncut) {
    RemoveItems(filters, {kFilterListLength - 1});
    RemoveItems(d.window.*outlets.speedList, {kSpeedListLength - 1});
  }
  const WheelPosition p = wheelB ? WheelBPositionOf(b) : PositionOf(b);
  captured[outlets.filter] = p.filter;
  captured[outlets.speed] = p.speed;
  d.cycle.statusText += FormatLine(field.wheelLines->position, p.filter, p.speed);
  return FieldOutcome::kDecoded;
}

FieldOutcome DecodeShutterState(const StatusField& field, StatusDecoding& d) {
  const int at = d.positionOf(field);
  if (!d.reply.has(at)) return FieldOutcome::kNotReceived;
  const unsigned char b = d.reply.at(at);
  const StateCodes& codes = field.shutter == Shutter::kA ? kShutterAStates : kShutterBStates;
  int32_t& state = d.cycle.capture.setting[OutletsOf(field.shutter).status];
  const StateLines& lines = *field.stateLines;
  if (b == codes.closed) {
    state = 0;
    d.cycle.statusText += lines.close;
  } else {
    state = b - codes.base;
    d.cycle.statusText += state == kOpen ? lines.open : lines.openConditional;
  }
  return FieldOutcome::kDecoded;
}

// A mode in neutral density is followed by its step count; the two belong
// together, and a reply that ends between them leaves both unread.
FieldOutcome DecodeShutterMode(const StatusField& field, StatusDecoding& d) {
  const int at = d.positionOf(field);
  if (!d.reply.has(at)) return FieldOutcome::kNotReceived;
  const unsigned char m = d.reply.at(at);
  const ShutterOutlets& outlets = OutletsOf(field.shutter);
  const ModeLines& lines = *field.modeLines;

  if (m == kModeByteNotConnected) {
    MarkShutterMissing(outlets, d);
    d.cycle.statusText += lines.notConnected;
    return field.lastIfNotConnected ? FieldOutcome::kLast : FieldOutcome::kDecoded;
  }
  const int stepsAt = at + field.stepsOffset;
  if (m == kModeByteNeutralDensity && !d.reply.has(stepsAt)) return FieldOutcome::kNotReceived;

  ComboBox* modes = d.window.*outlets.modeList;
  if (Uncut(modes, kModeListLength)) RemoveItems(modes, {kModeListLength - 1});
  d.cycle.capture.setting[outlets.mode] = m - kModeByteFast;
  int32_t& steps = d.cycle.capture.setting[outlets.steps];
  if (m == kModeByteNeutralDensity) {
    steps = d.reply.at(stepsAt);
    d.cycle.statusText += lines.neutralDensity;
    d.cycle.statusText += FormatLine(lines.steps, steps);
    if (field.shiftsLater) d.shift = 1;
  } else {
    steps = 0;
    d.cycle.statusText += m == kModeByteFast ? lines.fast : lines.soft;
  }
  return FieldOutcome::kDecoded;
}
