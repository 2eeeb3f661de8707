#include "identification.h"

namespace {

// Byte 2 of a Duo shutter/shutter's status reply is shutter B's state; on a
// Mono it is the mode, from 0xDB up.
constexpr unsigned char kHighestShutterBState = 0xDA;

bool IsShutterAState(unsigned char b) { return b >= 0xAA && b <= 0xAC; }

}  // namespace

void IdentifyController(Variant variant, IdentifiedBy path, Capture& capture, TessaroController& window) {
  if (itype != kUnknown || variant == kUnknown) return;
  itype = variant;
  ReshapeWindow(variant, path, capture, window);
}

// Bytes 1 and 2: shutter A and B states on a Duo shutter/shutter, state and
// mode on a Mono, wheel A and shutter state on a Duo wheel/shutter, wheels A
// and B on a Triad. The first rule that matches decides.
Variant VariantOfStatusReply(const StatusBytes& reply) {
  if (!reply.has(1, 2)) return kUnknown;
  const unsigned char first = reply.at(1);
  const unsigned char second = reply.at(2);
  if (IsShutterAState(first)) return second <= kHighestShutterBState ? kDuoShutterShutter : kMono;
  if (IsShutterAState(second)) return kDuoWheelShutter;
  return kTriad;
}

void IdentifyFromStatusReply(std::span<const unsigned char> reply, Cycle& cycle, TessaroController& window) {
  IdentifyController(VariantOfStatusReply(StatusBytes(reply)), IdentifiedBy::kStatusReply, cycle.capture, window);
}
