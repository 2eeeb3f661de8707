// Serves one emulated controller on a pseudo-terminal, from its own thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "adapter_delivery.h"
#include "controller_model.h"
#include "emulator_options.h"
#include "line_pacer.h"
#include "move_timing.h"
#include "pseudo_terminal.h"

namespace emulator {

class EmulatorServer {
 public:
  using Options = EmulatorOptions;

  explicit EmulatorServer(Options options);
  ~EmulatorServer();
  EmulatorServer(const EmulatorServer&) = delete;
  EmulatorServer& operator=(const EmulatorServer&) = delete;

  // Opens the device, announces it when asked and starts serving. False, with
  // error(), when the device could not be set up or the server was started
  // before. A failed announcement is no failure: announcement() stays empty
  // and notAnnouncedBecause() says why.
  bool start();
  // Withdraws the announcement and ends serving at once, also in the middle
  // of a paced reply; the device goes away.
  void stop();

  const std::string& devicePath() const { return devicePath_; }
  const std::string& announcement() const { return announcement_; }
  const std::string& notAnnouncedBecause() const { return notAnnouncedBecause_; }
  // False once serving ended on an error of the device.
  bool serving() const;
  std::string error() const;

  // The bytes received since the start or the last clearReceived() (at most
  // the latest kReceivedLogLimit of them).
  std::vector<uint8_t> received() const;
  void clearReceived();
  ControllerState state() const;

  static constexpr std::size_t kReceivedLogLimit = 1 << 16;

 private:
  void serve();
  bool handle(uint8_t byte, LinePacer::Clock::time_point ready);
  bool send(uint8_t byte, LinePacer::Clock::time_point ready);
  bool deliverHeld();
  bool sleepUntil(LinePacer::Clock::time_point deadline);
  bool writeBytes(const std::vector<uint8_t>& bytes);
  bool refuse(std::string problem);
  void fail(const std::string& operation);

  const Options options_;
  LinePacer pacer_;          // serving thread only
  AdapterDelivery adapter_;  // serving thread only
  MoveClock moveClock_;      // serving thread only
  int answered_ = 0;         // whole commands answered; under mutex_
  PseudoTerminal pty_;
  UniqueFd stopRead_;
  UniqueFd stopWrite_;
  std::string devicePath_;
  std::string announcement_;
  std::string notAnnouncedBecause_;
  bool started_ = false;
  std::thread thread_;
  std::atomic<bool> failed_{false};

  mutable std::mutex mutex_;  // guards the members below
  ControllerModel model_;
  std::vector<uint8_t> received_;
  std::string error_;
};

}  // namespace emulator
