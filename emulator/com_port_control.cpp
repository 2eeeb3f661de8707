#include "com_port_control.h"

#include <algorithm>
#include <string_view>

namespace emulator {

namespace {

// The text a client gets when it asks for the server's signature.
constexpr std::string_view kSignatureText = "korvel-emulator";

using Answer = std::optional<std::vector<uint8_t>>;

std::vector<uint8_t> Reply(uint8_t command, std::vector<uint8_t> value) {
  value.insert(value.begin(), static_cast<uint8_t>(command + comport::kServerOffset));
  return value;
}

// Value 0 (and a request of another length) asks for the value in use; a
// value outside [low, high] is not set.
uint8_t Apply(uint8_t asked, uint8_t low, uint8_t high, uint8_t& kept) {
  if (asked >= low && asked <= high) kept = asked;
  return kept;
}

Answer BaudRate(const std::vector<uint8_t>& request, ComPortSettings& s) {
  uint32_t asked = 0;
  if (request.size() == 5) {
    for (std::size_t i = 1; i < 5; ++i) asked = asked << 8 | request[i];
  }
  if (asked != 0) s.baud = asked;
  return Reply(comport::kSetBaudRate, {static_cast<uint8_t>(s.baud >> 24), static_cast<uint8_t>(s.baud >> 16),
                                       static_cast<uint8_t>(s.baud >> 8), static_cast<uint8_t>(s.baud)});
}

// SET-CONTROL's values come in groups: one value asks for the group's state,
// the others set it.
struct ControlGroup {
  uint8_t request;
  std::vector<uint8_t> values;
  uint8_t ComPortSettings::*kept;
};

const ControlGroup kControlGroups[] = {
    {0, {1, 2, 3, 17, 19}, &ComPortSettings::outboundFlow},
    {4, {5, 6}, &ComPortSettings::breakState},
    {7, {8, 9}, &ComPortSettings::dtr},
    {10, {11, 12}, &ComPortSettings::rts},
    {13, {14, 15, 16, 18}, &ComPortSettings::inboundFlow},
};

Answer Control(uint8_t asked, ComPortSettings& s) {
  for (const ControlGroup& group : kControlGroups) {
    const bool sets = std::find(group.values.begin(), group.values.end(), asked) != group.values.end();
    if (sets) s.*group.kept = asked;
    if (sets || asked == group.request) return Reply(comport::kSetControl, {s.*group.kept});
  }
  // No group has it: nothing is set, so no value is in use to tell.
  return std::nullopt;
}

}  // namespace

Answer AnswerComPortRequest(const std::vector<uint8_t>& request, ComPortSettings& s) {
  if (request.empty()) return std::nullopt;
  const uint8_t command = request[0];
  const bool oneByte = request.size() == 2;
  const uint8_t value = oneByte ? request[1] : 0;
  switch (command) {
    case comport::kSignature:
      if (request.size() > 1) return std::nullopt;
      return Reply(command, std::vector<uint8_t>(kSignatureText.begin(), kSignatureText.end()));
    case comport::kSetBaudRate:
      return BaudRate(request, s);
    case comport::kSetDataSize:
      return Reply(command, {Apply(value, 5, 8, s.dataSize)});
    case comport::kSetParity:
      return Reply(command, {Apply(value, 1, 5, s.parity)});
    case comport::kSetStopSize:
      return Reply(command, {Apply(value, 1, 3, s.stopSize)});
    case comport::kSetControl:
      return oneByte ? Control(value, s) : std::nullopt;
    case comport::kSetLineStateMask:
      if (oneByte) s.lineStateMask = value;
      return Reply(command, {s.lineStateMask});
    case comport::kSetModemStateMask:
      if (oneByte) s.modemStateMask = value;
      return Reply(command, {s.modemStateMask});
    case comport::kPurgeData:
      // Nothing waits to be purged: bytes go on as they come.
      return Reply(command, {value});
    default:
      return std::nullopt;
  }
}

}  // namespace emulator
