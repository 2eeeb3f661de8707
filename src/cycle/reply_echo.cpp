#include "reply_echo.h"

#include <cstdio>

namespace {

struct EchoTemplate {
  unsigned highest;  // largest byte value the template is for
  const char* format;
};

constexpr EchoTemplate kEchoTemplates[] = {
    {9, "%u           0x%X\n"},
    {99, "%u         0x%X\n"},
    {255, "%u       0x%X\n"},
};

}  // namespace

std::string EchoLine(unsigned char byte) {
  const unsigned value = byte;
  const char* format = kEchoTemplates[2].format;
  for (const EchoTemplate& echo : kEchoTemplates) {
    if (value <= echo.highest) {
      format = echo.format;
      break;
    }
  }
  char line[32];
  const int written = std::snprintf(line, sizeof line, format, value, value);
  if (written < 0) return {};
  return line;
}

void AppendReplyEcho(const unsigned char* reply, int32_t length, std::string& logText) {
  for (int32_t i = 0; i < length; ++i) logText += EchoLine(reply[i]);
}
