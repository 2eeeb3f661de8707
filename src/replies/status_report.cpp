#include "status_report.h"

#include "device_fields.h"
#include "mono_fields.h"
#include "status_decoding.h"
#include "status_layouts.h"

namespace {

FieldOutcome DecodeField(const StatusField& field, StatusDecoding& d) {
  switch (field.kind) {
    case FieldKind::kWheel:
      return DecodeWheel(field, d);
    case FieldKind::kState:
      return DecodeShutterState(field, d);
    case FieldKind::kMode:
      return DecodeShutterMode(field, d);
    default:
      return DecodeMonoField(field, d);
  }
}

}  // namespace

void decodeStatusReply(std::span<const unsigned char> reply, Cycle& cycle, TessaroController& window) {
  // A reply too short to tell the controller left itype at 0.
  if (itype == kUnknown) {
    cycle.statusText += kReplyEndedEarly;
    return;
  }
  const StatusLayout& layout = StatusLayoutOf(itype);
  StatusDecoding d{StatusBytes(reply), cycle, window};
  cycle.statusText += layout.title;
  for (const StatusField& field : layout.fields) {
    const FieldOutcome outcome = DecodeField(field, d);
    if (outcome == FieldOutcome::kLast) return;
    if (outcome == FieldOutcome::kNotReceived) {
      cycle.statusText += kReplyEndedEarly;
      return;
    }
  }
}
