#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "controller_types.h"
#include "move_timing.h"

namespace emulator {

// Where the controller is served on the network in place of a
// pseudo-terminal: a host's address (a name, an IPv4 address or an IPv6
// address) and a TCP port, 0 for one the system picks.
struct ListenAddress {
  std::string host = "127.0.0.1";
  uint16_t port = 0;
  bool rfc2217 = true;  // false: plain TCP, the bytes as they are
};

struct EmulatorOptions {
  Variant variant = Variant::kTriad;
  std::set<Device> notConnected;
  int baud = 300;  // 0: bytes go out unpaced
  std::chrono::milliseconds latency{0};   // after a command's echo, before its answer
  // Before the closing byte of a command that moved a wheel: moveTime for
  // each move, positionTime for each position passed (times speed index + 1),
  // the whole grown by the wear when the wheel is the worn one.
  std::chrono::milliseconds moveTime{0};
  std::chrono::milliseconds positionTime{0};
  MotorWear wear;
  StuckPosition stuck;  // a wheel that never reaches one filter position
  IgnoredMode ignoredMode;  // a shutter that ignores one mode
  // The controller answers this many commands (the on-line byte is one),
  // then no byte more, not even an echo; 0: it never falls silent.
  int silentAfter = 0;
  // 0: each byte reaches the device as it has crossed the line; else bytes
  // reach it as through a USB serial adapter with this latency timer.
  std::chrono::milliseconds latencyTimer{0};
  bool announce = true;  // let port searches find the device
  // What the status reply carries in the places its layout skips; none: the
  // bytes the controller is documented to send there.
  std::optional<uint8_t> skippedByte;
  // Set: served on the network, not on a pseudo-terminal, and never announced.
  std::optional<ListenAddress> listen;
  // How many controllers one process serves, each on a pseudo-terminal of
  // its own, numbered from 1.
  int count = 1;
  // 0: the faults (stuck, ignored mode, silence, wear) are every
  // controller's; else only this controller's, the others are sound.
  int faultOn = 0;
  // Not empty: a symbolic link to each device is made there (numbered for
  // several controllers) and removed at the end.
  std::string link;
};

// The options of controller `index` (1 to options.count) of a rack.
EmulatorOptions ControllerOptions(const EmulatorOptions& options, int index);

}  // namespace emulator
