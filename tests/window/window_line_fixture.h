// The in-memory window and a controller played on a pseudo-terminal, from a
// clean serial and cycle state; the port is closed after every test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cycle_state.h"
#include "memory_window.h"
#include "port_setup.h"
#include "pty_peer.h"
#include "serial_state.h"

inline const std::string kReady = "Port is ready for communication.";
inline const std::string kFailed = "Failed to open the communication port.";

class WindowLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSerialState();
    ResetCycleState();
  }

  void TearDown() override {
    if (fileDescriptor >= 0) ClosePort();
  }

  // The pseudo-terminal's slave becomes the path the console opens.
  void PutLineIntoPath() {
    ASSERT_LT(line.path().size(), kPathSize);
    std::strcpy(bsdPath, line.path().c_str());
  }

  // The console's port is the pseudo-terminal's slave.
  void AttachLine() {
    ASSERT_NO_FATAL_FAILURE(PutLineIntoPath());
    ASSERT_GE(OpenPort(), 0);
  }

  MemoryWindow w;
  PtyPeer line{PtyPeer::Start::kSystemDefaults};
};
