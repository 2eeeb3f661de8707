#include "status_length.h"

#include <algorithm>

#include "identification.h"
#include "status_layouts.h"

namespace {

constexpr unsigned char kStatusEcho = 0xCC;
constexpr int kUndecided = 0;
// The Triad's byte 3, where a wheel C command carries it.
constexpr unsigned char kWheelCMarker = 0xFC;
constexpr int kWheelCMarkerPosition = 3;
// The closing 0x0D after the last field.
constexpr int kClosingLength = 1;

// Bytes a field takes from its position, a step count aside: a mode byte is
// followed by the shutter number on two-shutter controllers.
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

// Whether the bytes fit the variant's layout so far: a Triad is whatever
// matches no other variant, so only its marker tells it from noise.
bool FitsVariant(Variant variant, std::span<const unsigned char> received) {
  if (variant == kUnknown) return false;
  if (variant != kTriad) return true;
  return received.size() > kWheelCMarkerPosition && received[kWheelCMarkerPosition] == kWheelCMarker;
}

}  // namespace

int StatusReplyLength(std::span<const unsigned char> received) {
  if (received.empty() || received[0] != kStatusEcho) return kUndecided;
  const Variant variant = VariantOfStatusReply(StatusBytes(received));
  if (!FitsVariant(variant, received)) return kUndecided;
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
