// The console's side of the telnet negotiation with an RFC 2217 server:
// BINARY both ways (the controller's bytes are 8-bit data, and a 0x0D must
// not gain a NUL or LF), SUPPRESS-GO-AHEAD both ways, and the COM-PORT-OPTION
// with which the console sets the server's serial line to what the
// controller speaks. Each setting is confirmed by the server's answer
// (the command + 100, with the value it set) before the line counts as set.
//
// Options follow RFC 1143's rule against loops, simplified: a request is
// answered only when it changes an option's state, and an option the
// console did not ask for is refused. Modem lines (DTR, RTS) are not asked
// for: a server in front of a pseudo-terminal never answers those.
#pragma once

#include <cstdint>
#include <vector>

#include "serial_state.h"
#include "telnet_codec.h"

class TelnetNegotiation : public telnet::CommandSink {
 public:
  // Requests go into outbox, to be sent as they stand.
  explicit TelnetNegotiation(std::vector<unsigned char>& outbox) : outbox_(outbox) {}

  // The console's opening requests.
  void start();

  void negotiation(unsigned char verb, unsigned char option) override;
  void subnegotiation(const std::vector<unsigned char>& bytes) override;

  // Every option agreed and every setting confirmed.
  bool settled() const;
  // What the server refused (kNone while nothing was), and with a setting
  // the value it answered instead.
  LineSetting refused() const { return refused_; }
  uint32_t answeredValue() const { return answeredValue_; }

 private:
  enum class Side { kNo, kAsked, kYes };
  struct Option {
    unsigned char code;
    Side ours = Side::kNo;    // we WILL
    Side theirs = Side::kNo;  // the server WILL
  };

  Option* find(unsigned char code);
  void send(unsigned char verb, unsigned char option);
  void sendSettings();
  void refuse(LineSetting setting, uint32_t value = 0);

  std::vector<unsigned char>& outbox_;
  Option options_[3] = {{telnet::kBinary}, {telnet::kSuppressGoAhead}, {telnet::kComPortOption}};
  bool settingsSent_ = false;
  int confirmed_ = 0;  // bit per setting of the table
  LineSetting refused_ = LineSetting::kNone;
  uint32_t answeredValue_ = 0;
};
