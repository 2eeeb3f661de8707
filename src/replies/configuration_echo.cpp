#include "configuration_echo.h"

#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "identification.h"

namespace {

constexpr int kAnyByte = -1;

// Bit p set: a line ends after the character at position p.
constexpr uint32_t BreaksAfter(std::initializer_list<int> positions) {
  uint32_t breaks = 0;
  for (int p : positions) breaks |= 1u << p;
  return breaks;
}

// The controller's text fills positions 1 to length - 2; its length names the
// variant, and at 14 bytes so does its first character.
struct ConfigurationLayout {
  std::size_t length;
  int firstCharacter;
  uint32_t breaks;
  Variant variant;
};

constexpr ConfigurationLayout kLayouts[] = {
    {31, kAnyByte, BreaksAfter({4, 9, 14, 19, 24, 29}), kTriad},
    {14, '1', BreaksAfter({4, 8, 12}), kDuoWheelShutter},
    {14, kAnyByte, BreaksAfter({8, 12}), kMono},
    {16, kAnyByte, BreaksAfter({4, 9, 14}), kDuoShutterShutter},
};

const ConfigurationLayout* LayoutOf(std::span<const unsigned char> reply) {
  for (const ConfigurationLayout& layout : kLayouts) {
    if (reply.size() != layout.length) continue;
    if (layout.firstCharacter == kAnyByte || reply[1] == layout.firstCharacter) return &layout;
  }
  return nullptr;
}

// The same gap for every value, unlike the byte echo of other replies.
void AppendByteLine(unsigned char byte, std::string& text) {
  char line[24];
  const int value = byte;
  const int written = std::snprintf(line, sizeof line, "%d       0x%X\n", value, static_cast<unsigned>(value));
  if (written > 0) text += line;
}

// Control characters go in unchanged; a byte from 0x80 up is shown as its
// Latin-1 character, so that the log stays valid UTF-8.
void AppendCharacter(unsigned char byte, std::string& text) {
  if (byte < 0x80) {
    text += static_cast<char>(byte);
    return;
  }
  text += static_cast<char>(0xC0 | (byte >> 6));
  text += static_cast<char>(0x80 | (byte & 0x3F));
}

void AppendText(std::span<const unsigned char> reply, uint32_t breaks, std::string& text) {
  for (std::size_t p = 1; p + 1 < reply.size(); ++p) {
    AppendCharacter(reply[p], text);
    if (breaks & (1u << p)) text += '\n';
  }
}

}  // namespace

void HandleConfigurationReply(std::span<const unsigned char> reply, Cycle& cycle, TessaroController& window) {
  if (reply.empty()) return;
  AppendByteLine(reply.front(), cycle.logText);
  const ConfigurationLayout* layout = LayoutOf(reply);
  if (layout == nullptr) return;
  AppendText(reply, layout->breaks, cycle.logText);
  IdentifyController(layout->variant, IdentifiedBy::kConfigurationReply, cycle.capture, window);
  AppendByteLine(reply.back(), cycle.logText);
}
