// The two outcomes an encoder hands back to the cycle.
#pragma once

#include <string_view>

#include "cycle_state.h"

// Collects a command's bytes in mycomm from index 0.
class CommandBuilder {
 public:
  CommandBuilder& Add(unsigned char byte);

  template <class Bytes>
  CommandBuilder& AddAll(const Bytes& bytes) {
    for (unsigned char byte : bytes) Add(byte);
    return *this;
  }

  // Hands the collected bytes to the cycle.
  Encoding Ready(Cycle& cycle) const;

 private:
  int length_ = 0;
};

// Appends the operator message; nothing is sent.
Encoding Refuse(Cycle& cycle, std::string_view message);
