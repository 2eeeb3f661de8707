// An emulated controller on a real pseudo-terminal, served from this test
// process, for korvel-ctl to open by its path.
#pragma once

#include <memory>
#include <set>
#include <string>

#include "pty_server.h"

class EmulatedController {
 public:
  // baud 0: every byte at once.
  explicit EmulatedController(emulator::Variant variant, std::set<emulator::Device> notConnected = {}, int baud = 0);
  // Any options; announce is turned off.
  explicit EmulatedController(emulator::EmulatorOptions options);

  bool ready() const { return ready_; }
  const std::string& path() const { return server_->devicePath(); }
  emulator::EmulatorServer& server() { return *server_; }
  emulator::ControllerSetup setup() const { return {variant_, notConnected_}; }

 private:
  emulator::Variant variant_;
  std::set<emulator::Device> notConnected_;
  std::unique_ptr<emulator::EmulatorServer> server_;
  bool ready_ = false;
};

// The settings of the emulator's state as korvel-ctl status --json prints
// them, written from the emulator's own model.
std::string ExpectedJson(const emulator::ControllerSetup& setup, const emulator::ControllerState& state);
