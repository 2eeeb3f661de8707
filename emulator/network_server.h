// Serves one emulated controller on the network in place of a
// pseudo-terminal, from its own thread: by RFC 2217 (telnet with the
// COM-PORT-OPTION, as a serial device server) or by plain TCP, with the same
// controller, pacing, bursts, faults and delays as on a pseudo-terminal.
//
// One connection at a time, as a device server's port: a connection that
// comes while one is open is accepted and closed at once without a byte, so
// its client reads the end of the stream (or a reset, when it had sent bytes
// already) instead of waiting; one that comes after the open one closed is
// served. The controller outlives its connections as it outlives a console
// closing its device: what one client left half sent, the next one finishes.
// The serial settings a client asks for are kept for the next one too.
// Bytes that come while a reply is paced wait until it is sent, as on the
// device; so do the answers to settings asked for meanwhile.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "com_port_control.h"
#include "emulator_options.h"
#include "network_listener.h"
#include "served_controller.h"
#include "stop_pipe.h"
#include "telnet_server.h"

namespace emulator {

class NetworkServer : private LineEnd {
 public:
  // Serves where options.listen says; it must be set.
  explicit NetworkServer(EmulatorOptions options);
  ~NetworkServer() override;
  NetworkServer(const NetworkServer&) = delete;
  NetworkServer& operator=(const NetworkServer&) = delete;

  // Listens and starts serving. False, with error(), when it cannot listen
  // or was started before.
  bool start();
  // Ends serving at once, also in the middle of a paced reply; the
  // connection and the listening socket close.
  void stop();

  // Where clients connect, once started: "rfc2217://127.0.0.1:40123", or
  // "tcp://127.0.0.1:40123" for plain TCP.
  const std::string& address() const { return address_; }
  bool serving() const;
  std::string error() const;

  std::vector<uint8_t> received() const { return controller_.received(); }
  void clearReceived() { controller_.clearReceived(); }
  ControllerState state() const { return controller_.state(); }
  ComPortSettings lineSettings() const;

 private:
  void serve();
  bool readConnection();
  bool takeNewcomer();
  bool refuseNewcomer();
  bool adopt(UniqueFd connection);
  bool sendNow(const std::vector<uint8_t>& bytes);
  void dropConnection();
  bool deliver(const std::vector<uint8_t>& bytes) override;
  bool waitUntil(Clock::time_point deadline) override;
  bool refuse(std::string problem);
  void fail(const std::string& problem);

  const EmulatorOptions options_;
  const ListenAddress listen_;
  ServedController controller_;
  NetworkListener listener_;
  UniqueFd connection_;                  // serving thread only
  std::optional<TelnetServer> telnet_;   // for the open connection, by RFC 2217 only
  StopPipe stop_;
  std::string address_;
  bool started_ = false;
  std::thread thread_;
  std::atomic<bool> failed_{false};

  mutable std::mutex mutex_;  // guards the members below
  ComPortSettings settings_;
  std::string error_;
};

}  // namespace emulator
