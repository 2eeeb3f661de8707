#include "encoder_output.h"

#include "serial_state.h"

CommandBuilder& CommandBuilder::Add(unsigned char byte) {
  // The longest command is eight bytes; the bound only guards mycomm.
  if (length_ < kMaxCommandLength) mycomm[length_++] = byte;
  return *this;
}

Encoding CommandBuilder::Ready(Cycle& cycle) const {
  cycle.commandLength = length_;
  return Encoding::kReady;
}

Encoding Refuse(Cycle& cycle, std::string_view message) {
  cycle.logText.append(message);
  return Encoding::kRefused;
}
