#include "general_command.h"

#include <utility>

#include <iterator>

#include "byte_forms.h"
#include "encoder_output.h"
#include "status_first.h"

namespace {

constexpr char kNotACommand[] = "** Invalid command **\nThis is not a command.\n";
constexpr char kSetRepeatNumberFirst[] = "** Please set the repeat number first,\n    then try again. **\n";

// The list's length tells the variant once the status reply has cut it.
constexpr int32_t kTriadListLength = 10;
constexpr int32_t kMonoListLength = 22;

// Entries 1 to 7: the same byte on every variant.
constexpr unsigned char kCommonBytes[] = {0xCC, 0xFD, 0xEF, 0xEE, 0xCF, 0xCE, 0xFB};
constexpr int32_t kLastCommonEntry = std::size(kCommonBytes);

constexpr unsigned char kStatusQuery = 0xCC;
constexpr unsigned char kConfigurationQuery = 0xFD;
// The status reply carries three data bytes after the echo.
constexpr int32_t kStatusReplyData = 3;

constexpr int32_t kTriadCombinedEntry = 8;
constexpr int32_t kTriadBatchEntry = 9;
// Outside the Mono list, entry 13 is the entry that the Mono list shows at 11.
constexpr int32_t kSpecialReplyEntry = 13;
constexpr unsigned char kSpecialReplyCommand = 0xBF;

struct MonoEntry {
  unsigned char bytes[2];
  int length;
  // The free run needs a count (or continuous) to run with.
  bool needsRepeatNumber;
  const unsigned char* begin() const { return bytes; }
  const unsigned char* end() const { return bytes + length; }
};

// Mono list entries 8 to 21.
constexpr int32_t kFirstMonoEntry = 8;
constexpr MonoEntry kMonoEntries[] = {
    {{0xFA, 0xF3}, 2, true},   // free run go
    {{0xFA, 0xF1}, 2, false},  // free run enabled by power on
    {{0xFA, 0xF2}, 2, true},   // free run enabled by trigger pulse
    {{0xBF}, 1, false},
    {{0xFA, 0xC0}, 2, false},
    {{0xFA, 0xC1}, 2, false},
    {{0xFA, 0xA0}, 2, false},  // TTL in: disable, open on high, open on low, rising edge, falling edge
    {{0xFA, 0xA1}, 2, false},
    {{0xFA, 0xA2}, 2, false},
    {{0xFA, 0xA3}, 2, false},
    {{0xFA, 0xA4}, 2, false},
    {{0xFA, 0xB0}, 2, false},  // TTL out: disable, high for open, low for open
    {{0xFA, 0xB1}, 2, false},
    {{0xFA, 0xB2}, 2, false},
};
constexpr int32_t kLastEntry = kFirstMonoEntry + std::size(kMonoEntries) - 1;

// The configuration reply is longer the more the variant drives.
int32_t ConfigurationReplyData() {
  switch (itype) {
    case kTriad:
      return 29;
    case kDuoShutterShutter:
      return 14;
    default:
      return 12;
  }
}

Encoding EncodeCommon(int32_t entry, Cycle& cycle) {
  const unsigned char command = kCommonBytes[entry - 1];
  if (command == kStatusQuery) cycle.extraLength = kStatusReplyData;
  if (command == kConfigurationQuery) cycle.extraLength = ConfigurationReplyData();
  return CommandBuilder().Add(command).Ready(cycle);
}

Encoding EncodeMono(int32_t entry, Cycle& cycle) {
  const MonoEntry& mono = kMonoEntries[entry - kFirstMonoEntry];
  if (mono.needsRepeatNumber && cycle.capture.setting[kRepeatNumber] == 0) {
    return Refuse(cycle, kSetRepeatNumberFirst);
  }
  return CommandBuilder().AddAll(mono).Ready(cycle);
}

// Wheels A and B and both shutter states as they stand, in one command.
Encoding EncodeTriadCombined(Cycle& cycle) {
  const Capture& c = cycle.capture;
  return CommandBuilder()
      .Add(0xDF)
      .Add(WheelByte(c.wheel[kFilterA], c.wheel[kSpeedA]))
      .Add(WheelBByte(c.wheel[kFilterB], c.wheel[kSpeedB]))
      .Add(ShutterStateByte(Shutter::kA, c.setting[kShutterAstatus]))
      .Add(ShutterStateByte(Shutter::kB, c.setting[kShutterBstatus]))
      .Ready(cycle);
}

// Every wheel move and shutter state that differs from the remembered one,
// framed by BD and BE.
// The controller reads a batch item by item, by their bytes: an index no list
// holds would turn into an item of another wheel or shutter, or end the batch.
Encoding EncodeTriadBatch(Cycle& cycle) {
  const Capture& c = cycle.capture;
  CommandBuilder command;
  command.Add(0xBD);
  for (int w = kWheelA; w < kWheels; ++w) {
    const int32_t filter = c.wheel[2 * w];
    const int32_t speed = c.wheel[2 * w + 1];
    if (filter == icomm0[2 * w] && speed == icomm0[2 * w + 1]) continue;
    if (!IsWheelSetting(filter, speed)) return Refuse(cycle, kNoSuchWheelSetting);
    command.AddAll(WheelMoveBytes(static_cast<Wheel>(w), filter, speed));
  }
  const std::pair<Shutter, SettingField> shutters[] = {{Shutter::kA, kShutterAstatus}, {Shutter::kB, kShutterBstatus}};
  for (const auto& [shutter, field] : shutters) {
    if (c.setting[field] == scomm0[field]) continue;
    if (!IsShutterState(c.setting[field])) return Refuse(cycle, kNoSuchShutterState);
    command.Add(ShutterStateByte(shutter, c.setting[field]));
  }
  return command.Add(0xBE).Ready(cycle);
}

}  // namespace

Encoding EncodeGeneralCommand(Cycle& cycle, const TessaroController& window) {
  const int32_t entry = cycle.capture.setting[kOtherCommand];
  if (entry < 1 || entry > kLastEntry) return Refuse(cycle, kNotACommand);
  if (entry <= kLastCommonEntry) return EncodeCommon(entry, cycle);

  const int32_t listLength = ItemCount(window.otherCommand);
  if (listLength == kMonoListLength) return EncodeMono(entry, cycle);
  if (listLength == kTriadListLength && entry == kTriadCombinedEntry) return EncodeTriadCombined(cycle);
  if (listLength == kTriadListLength && entry == kTriadBatchEntry) return EncodeTriadBatch(cycle);
  if (entry == kSpecialReplyEntry) return CommandBuilder().Add(kSpecialReplyCommand).Ready(cycle);
  return Refuse(cycle, kSendStatusFirst);
}
