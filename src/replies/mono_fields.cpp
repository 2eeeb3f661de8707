#include "mono_fields.h"

#include <span>

#include "report_format.h"

namespace {

// The codes are the second bytes of the FA commands that set them.
struct CodeLine {
  unsigned char code;
  const char* line;
};

constexpr CodeLine kTtlInLines[] = {
    {0xA1, "- Shutter TTL IN :                Open/Enable on high\n"},
    {0xA2, "- Shutter TTL IN :                Open/Enable on low\n"},
    {0xA3, "- Shutter TTL IN :                Trigger on rising edge\n"},
    {0xA4, "- Shutter TTL IN :                Trigger on falling edge\n"},
};
constexpr char kTtlInDisabled[] = "- Shutter TTL IN :                TTL IN disable\n";

constexpr CodeLine kTtlOutLines[] = {
    {0xB1, "- Shutter TTL OUT :             High for open\n"},
    {0xB2, "- Shutter TTL OUT :             Low for open\n"},
};
constexpr char kTtlOutDisabled[] = "- Shutter TTL OUT :             TTL OUT disable\n";

constexpr CodeLine kFreeRunLines[] = {
    {0xF1, "- Shutter Free Run :            Free run enable by power on\n"},
    {0xF2, "- Shutter Free Run :            Free run enable by trigger pulse\n"},
    {0xF3, "- Shutter Free Run :            Free run go\n"},
};
constexpr char kFreeRunDisabled[] = "- Shutter Free Run :            Free run disable\n";

constexpr char kRepeatNumberLine[] = "- Shutter Free Run :            Repeat Number is %d\n";

// A time block is the five bytes after 0xFA in the timer command: the timer's
// hour base plus the hours (0 alone for no hours), minutes, seconds, then the
// milliseconds' hundreds, tens and units digits and the tenths, a nibble each.
struct TimeBlock {
  int32_t hourBase;
  const char* line;  // hours, minutes, seconds, milliseconds, tenths
  // The window's time fields show one timer: the exposure time.
  bool captured;
};

constexpr TimeBlock kClosedTime = {0x10, "- Shutter Closed Time :       %d hrs : %d mins : %d s : %d.%d ms\n", false};
constexpr TimeBlock kExposureTime = {0x20, "- Shutter Exposure Time :   %d hrs : %d mins : %d s : %d.%d ms\n", true};
// The timer type whose hour base is 0x20.
constexpr int32_t kExposureTimer = 1;

const char* LineFor(unsigned char code, std::span<const CodeLine> lines, const char* otherwise) {
  for (const CodeLine& entry : lines) {
    if (entry.code == code) return entry.line;
  }
  return otherwise;
}

FieldOutcome DecodeCode(const StatusField& field, StatusDecoding& d, std::span<const CodeLine> lines,
                        const char* otherwise) {
  const int at = d.positionOf(field);
  if (!d.reply.has(at)) return FieldOutcome::kNotReceived;
  d.cycle.statusText += LineFor(d.reply.at(at), lines, otherwise);
  return FieldOutcome::kDecoded;
}

// No digit is checked to be 9 or less.
FieldOutcome DecodeTime(const StatusField& field, StatusDecoding& d, const TimeBlock& block) {
  const int at = d.positionOf(field);
  if (!d.reply.has(at, kTimeBlockLength)) return FieldOutcome::kNotReceived;
  const unsigned char hourByte = d.reply.at(at);
  const unsigned char digits = d.reply.at(at + 3);
  const unsigned char lastDigits = d.reply.at(at + 4);
  const int32_t time[] = {
      hourByte == 0 ? 0 : hourByte - block.hourBase,
      d.reply.at(at + 1),
      d.reply.at(at + 2),
      100 * (digits >> 4) + 10 * (digits & 0x0F) + (lastDigits >> 4),
      lastDigits & 0x0F,
  };
  if (block.captured) {
    for (int i = 0; i < kTimeBlockLength; ++i) d.cycle.capture.setting[kTHour + i] = time[i];
    d.cycle.capture.setting[kTimerType] = kExposureTimer;
  }
  d.cycle.statusText += FormatLine(block.line, time[0], time[1], time[2], time[3], time[4]);
  return FieldOutcome::kDecoded;
}

// High byte first.
FieldOutcome DecodeRepeatNumber(const StatusField& field, StatusDecoding& d) {
  const int at = d.positionOf(field);
  if (!d.reply.has(at, kRepeatNumberLength)) return FieldOutcome::kNotReceived;
  const int32_t repeat = 256 * d.reply.at(at) + d.reply.at(at + 1);
  d.cycle.capture.setting[kRepeatNumber] = repeat;
  d.cycle.statusText += FormatLine(kRepeatNumberLine, repeat);
  return FieldOutcome::kDecoded;
}

}  // namespace

FieldOutcome DecodeMonoField(const StatusField& field, StatusDecoding& d) {
  switch (field.kind) {
    case FieldKind::kTtlIn:
      return DecodeCode(field, d, kTtlInLines, kTtlInDisabled);
    case FieldKind::kTtlOut:
      return DecodeCode(field, d, kTtlOutLines, kTtlOutDisabled);
    case FieldKind::kClosedTime:
      return DecodeTime(field, d, kClosedTime);
    case FieldKind::kExposureTime:
      return DecodeTime(field, d, kExposureTime);
    case FieldKind::kFreeRun:
      return DecodeCode(field, d, kFreeRunLines, kFreeRunDisabled);
    case FieldKind::kRepeatNumber:
      return DecodeRepeatNumber(field, d);
    default:
      return FieldOutcome::kDecoded;
  }
}
