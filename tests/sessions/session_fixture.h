// An operator's session at the console: the in-memory window with its port
// opened on an emulated controller, from the process-wide state of a fresh
// program start.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "controller_types.h"
#include "memory_window.h"
#include "pty_server.h"

using Bytes = std::vector<uint8_t>;

inline const std::string kSeparatorLine = std::string(40, '*') + "\n";

namespace emulator {
// Readable failure messages for the emulated controller's settings.
void PrintTo(const ControllerState& state, std::ostream* out);
}  // namespace emulator

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts an emulated controller (baud 0: unpaced) and opens the console's
  // port on it, as the operator does with the open action. What the open
  // sent is forgotten, so that received() holds only the cycles' bytes.
  // Call through ASSERT_NO_FATAL_FAILURE.
  void Connect(emulator::Variant variant, int baud = 0);
  // The same with every option of the emulated controller (announce is off).
  void Connect(emulator::EmulatorOptions options);

  // One send action; returns what the cycle added to the log view. Every
  // byte a cycle sends is echoed before the cycle ends, so the controller
  // has received all of them by the time this returns.
  std::string Send();

  // The bytes the controller received since the last call.
  Bytes TakeReceived();

  // The status query, entry 1 of the general command list: its reply tells
  // the console which controller is attached, reshapes the window for it
  // and cuts the device lists to what is connected.
  void QueryStatus();

  MemoryWindow w;
  std::unique_ptr<emulator::EmulatorServer> controller;
};
