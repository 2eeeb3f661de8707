#include "status_length.h"

#include <algorithm>
#include <string>

#include "identification.h"
#include "status_layouts.h"

namespace {

constexpr unsigned char kStatusEcho = 0xCC;
constexpr int kUndecided = 0;
// The closing 0x0D after the last field.
constexpr int kClosingLength = 1;
constexpr unsigned char kClosingByte = 0x0D;

// What a Triad's wheel and state fields can hold: a filter 0 to 9 at a speed
// 0 to 7 or the not-connected code, and the open, open conditional and
// closed codes of its shutter.
constexpr unsigned char kWheelNotConnected = 0x0A;
constexpr unsigned char kWheelBNotConnected = 0x8A;
constexpr unsigned char kWheelBFlag = 0x80;
constexpr int kMaxFilter = 9;
constexpr int kMaxSpeed = 7;
constexpr unsigned char kShutterAOpen = 0xAA;
constexpr unsigned char kShutterBOpen = 0xBA;
constexpr int kStateCodes = 3;

// Bytes a field takes from its position, a step count aside: a mode byte is
// followed by the shutter number's place on two-shutter controllers.
int WidthOf(const StatusField& field) {
  switch (field.kind) {
    case FieldKind::kClosedTime:
    case FieldKind::kExposureTime:
      return kTimeBlockLength;
    case FieldKind::kRepeatNumber:
      return kRepeatNumberLength;
    case FieldKind::kMode:
      return field.stepsOffset;
    default:
      return 1;
  }
}

bool IsKnownMode(unsigned char mode) { return mode >= kModeByteNotConnected && mode <= kModeByteNeutralDensity; }

bool IsWheelCode(const StatusField& field, unsigned char b) {
  const bool wheelB = field.wheel == kWheelB;
  if (b == (wheelB ? kWheelBNotConnected : kWheelNotConnected)) return true;
  if (wheelB != (b >= kWheelBFlag)) return false;
  const int setting = b & ~kWheelBFlag;
  return setting % 16 <= kMaxFilter && setting / 16 <= kMaxSpeed;
}

bool IsStateCode(const StatusField& field, unsigned char b) {
  const unsigned char open = field.shutter == Shutter::kA ? kShutterAOpen : kShutterBOpen;
  return b >= open && b < open + kStateCodes;
}

// Whether every wheel and shutter state field of the variant's layout was
// received and holds a code a controller sends there. These fields all stand
// before the first step count, where no shift applies.
bool FieldsHoldCodes(Variant variant, std::span<const unsigned char> received) {
  for (const StatusField& field : StatusLayoutOf(variant).fields) {
    const bool wheel = field.kind == FieldKind::kWheel;
    if (!wheel && field.kind != FieldKind::kState) continue;
    if (static_cast<std::size_t>(field.position) >= received.size()) return false;
    const unsigned char b = received[static_cast<std::size_t>(field.position)];
    if (wheel ? !IsWheelCode(field, b) : !IsStateCode(field, b)) return false;
  }
  return true;
}

}  // namespace

int StatusReplyLength(std::span<const unsigned char> received) {
  if (received.empty() || received[0] != kStatusEcho) return kUndecided;
  const Variant variant = VariantOfStatusReply(StatusBytes(received));
  if (variant == kUnknown) return kUndecided;
  // A Triad is whatever matches no other variant by bytes 1 and 2, so its
  // fields' codes tell it from noise; its skipped places may hold anything.
  // The other variants are told by their state codes already.
  if (variant == kTriad && !FieldsHoldCodes(variant, received)) return kUndecided;
  const int count = static_cast<int>(received.size());
  int shift = 0;
  int end = 0;  // one past the last field's last byte
  for (const StatusField& field : StatusLayoutOf(variant).fields) {
    const int at = field.position + shift;
    int width = WidthOf(field);
    if (field.kind == FieldKind::kMode) {
      if (at >= count) return kUndecided;
      const unsigned char mode = received[static_cast<std::size_t>(at)];
      if (!IsKnownMode(mode)) return kUndecided;
      if (mode == kModeByteNotConnected && field.lastIfNotConnected) return at + 1 + kClosingLength;
      if (mode == kModeByteNeutralDensity) {
        ++width;
        if (field.shiftsLater) shift = 1;
      }
    }
    end = std::max(end, at + width);
  }
  return end + kClosingLength;
}

int PlainStatusReplyLength(int32_t variant) {
  if (variant == kUnknown) return kUndecided;
  int end = 0;
  for (const StatusField& field : StatusLayoutOf(variant).fields) end = std::max(end, field.position + WidthOf(field));
  return end + kClosingLength;
}

std::string StatusReplyFault(Variant variant, std::span<const unsigned char> reply) {
  if (variant == kUnknown) return "no controller was identified to read the status reply for";
  const int length = StatusReplyLength(reply);
  if (length == kUndecided || length != static_cast<int>(reply.size()) || reply.back() != kClosingByte) {
    return "the status reply does not decode whole";
  }
  if (VariantOfStatusReply(StatusBytes(reply)) != variant) return "the status reply is another controller's";
  if (!FieldsHoldCodes(variant, reply)) return "the status reply holds a code no controller sends in its place";
  return {};
}
