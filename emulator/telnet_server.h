// The server's half of a telnet connection (RFC 854) that carries a serial
// line's bytes, as a serial device server speaks it (RFC 2217). The server
// offers BINARY (RFC 856) and SUPPRESS-GO-AHEAD (RFC 858) both ways and asks
// the client for COM-PORT-OPTION; it refuses every other option. Data bytes
// 0xFF travel doubled both ways; every telnet command is consumed here and
// never reaches the line. Data pass unchanged whether or not BINARY is in
// effect: the line carries bytes, not text.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "com_port_control.h"
#include "telnet_codec.h"

namespace emulator {

class TelnetServer {
 public:
  // `settings` outlive the connection: they are the port's.
  explicit TelnetServer(ComPortSettings& settings) : settings_(settings) {}

  // What the server sends as the connection opens: its offers and requests.
  std::vector<uint8_t> greeting();
  // One byte from the client: a data byte goes to `data`, what the server
  // answers at once (negotiation, settings) to `answers`.
  void take(uint8_t byte, std::vector<uint8_t>& data, std::vector<uint8_t>& answers);

 private:
  enum class State { kData, kIac, kVerb, kSub, kSubIac };
  // Either side of one option: in effect, or asked for and not yet answered.
  struct Side {
    bool enabled = false;
    bool asked = false;
  };

  void negotiate(uint8_t verb, uint8_t option, std::vector<uint8_t>& answers);
  void keep(uint8_t subnegotiationByte);
  void endSubnegotiation(std::vector<uint8_t>& answers);

  ComPortSettings& settings_;
  State state_ = State::kData;
  uint8_t verb_ = 0;
  std::vector<uint8_t> sub_;
  bool subOverflowed_ = false;
  std::array<Side, 256> ours_{};    // what we WILL
  std::array<Side, 256> theirs_{};  // what they WILL (we DO)
};

}  // namespace emulator
