// The listening socket of the emulator served on the network, and the
// address forms of --listen.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "emulator_options.h"
#include "unique_fd.h"

namespace emulator {

// "[HOST:]PORT": PORT 0 to 65535; HOST a name, an IPv4 address or an IPv6
// address in brackets ("[::1]:4001"), the loopback address 127.0.0.1 when
// left out. Nothing when the text is not of that form.
std::optional<ListenAddress> ParseListenAddress(std::string_view text);

class NetworkListener {
 public:
  // Listens on the first of the host's addresses that takes it. False, with
  // `error`, when none does or the host is not found.
  bool open(const ListenAddress& address, std::string& error);
  void close() { fd_.reset(); }
  int fd() const { return fd_.get(); }
  // The address listened on, with the port the system picked for port 0:
  // "127.0.0.1:40123", "[::1]:40123".
  const std::string& hostPort() const { return hostPort_; }

  // The next waiting connection, non-blocking and with Nagle's delay off so
  // that each paced byte leaves when it crossed the line. Invalid when none
  // waits, or with `error` when accepting failed.
  UniqueFd accept(std::string& error) const;

 private:
  UniqueFd fd_;
  std::string hostPort_;
};

}  // namespace emulator
