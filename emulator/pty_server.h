// Serves one emulated controller on a pseudo-terminal, from its own thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "controller_model.h"
#include "emulator_options.h"
#include "pseudo_terminal.h"
#include "served_controller.h"
#include "stop_pipe.h"

namespace emulator {

class EmulatorServer : private LineEnd {
 public:
  using Options = EmulatorOptions;

  explicit EmulatorServer(Options options);
  ~EmulatorServer() override;
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
  std::vector<uint8_t> received() const { return controller_.received(); }
  void clearReceived() { controller_.clearReceived(); }
  ControllerState state() const { return controller_.state(); }

  static constexpr std::size_t kReceivedLogLimit = ServedController::kReceivedLogLimit;

 private:
  void serve();
  bool deliver(const std::vector<uint8_t>& bytes) override;
  bool waitUntil(Clock::time_point deadline) override;
  bool refuse(std::string problem);
  void fail(const std::string& operation);

  const Options options_;
  ServedController controller_;
  PseudoTerminal pty_;
  StopPipe stop_;
  std::string devicePath_;
  std::string announcement_;
  std::string notAnnouncedBecause_;
  bool started_ = false;
  std::thread thread_;
  std::atomic<bool> failed_{false};

  mutable std::mutex mutex_;  // guards error_
  std::string error_;
};

}  // namespace emulator
