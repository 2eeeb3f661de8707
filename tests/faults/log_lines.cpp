#include "log_lines.h"

#include <cstdio>

namespace {

// The gap between the decimal and the hexadecimal value narrows by two
// spaces for each further decimal digit: 11, 9 or 7 spaces.
std::string EchoOf(unsigned char byte) {
  const int digits = byte < 10 ? 1 : byte < 100 ? 2 : 3;
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(byte));
  return std::to_string(byte) + std::string(static_cast<std::size_t>(13 - 2 * digits), ' ') + hex + "\n";
}

}  // namespace

std::string Echoed(const Bytes& reply) {
  std::string text;
  for (unsigned char byte : reply) text += EchoOf(byte);
  return text;
}

std::string Logged(const Bytes& reply) { return Echoed(reply) + kSeparatorLine; }
