#include "mono_settings.h"

#include "cycle_state.h"
#include "status_bytes.h"
#include "status_layouts.h"

namespace {

constexpr int kClosedTimeBase = 0x10;
constexpr int kExposureTimeBase = 0x20;

// As the report reads a block: no digit is checked to be 9 or less.
void ReadTime(const StatusBytes& reply, int at, int hourBase, int (&time)[5]) {
  const unsigned char hourByte = reply.at(at);
  const unsigned char digits = reply.at(at + 3);
  const unsigned char lastDigits = reply.at(at + 4);
  time[0] = hourByte == 0 ? 0 : hourByte - hourBase;
  time[1] = reply.at(at + 1);
  time[2] = reply.at(at + 2);
  time[3] = 100 * (digits >> 4) + 10 * (digits & 0x0F) + (lastDigits >> 4);
  time[4] = lastDigits & 0x0F;
}

}  // namespace

std::optional<MonoSettings> DecodeMonoSettings(std::span<const unsigned char> reply) {
  const StatusBytes bytes(reply);
  MonoSettings s;
  int shift = 0;
  for (const StatusField& field : StatusLayoutOf(kMono).fields) {
    const int at = field.position + shift;
    const int length = field.kind == FieldKind::kClosedTime || field.kind == FieldKind::kExposureTime ? kTimeBlockLength
                       : field.kind == FieldKind::kRepeatNumber                                         ? kRepeatNumberLength
                                                                                                        : 1;
    if (!bytes.has(at, length)) return std::nullopt;
    switch (field.kind) {
      case FieldKind::kMode:
        if (bytes.at(at) == kModeByteNotConnected) return std::nullopt;
        if (bytes.at(at) == kModeByteNeutralDensity && field.shiftsLater) shift = 1;
        break;
      case FieldKind::kTtlIn:
        s.ttlIn = bytes.at(at);
        break;
      case FieldKind::kTtlOut:
        s.ttlOut = bytes.at(at);
        break;
      case FieldKind::kClosedTime:
        ReadTime(bytes, at, kClosedTimeBase, s.closedTime);
        break;
      case FieldKind::kExposureTime:
        ReadTime(bytes, at, kExposureTimeBase, s.exposureTime);
        break;
      case FieldKind::kFreeRun:
        s.freeRun = bytes.at(at);
        break;
      case FieldKind::kRepeatNumber:
        s.repeat = 256 * bytes.at(at) + bytes.at(at + 1);
        break;
      default:
        break;
    }
  }
  return s;
}
