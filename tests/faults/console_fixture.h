// The console as an operator uses it through a fault: the in-memory window,
// ports found through a search among emulators announced in a directory of
// the test's own, and a controller played on a pseudo-terminal that can
// misbehave. Every cycle's log text is kept, so that a test can check at the
// end that the log view still holds all of them, in order.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "log_lines.h"
#include "memory_window.h"
#include "pty_peer.h"
#include "pty_server.h"

inline const std::string kReady = "Port is ready for communication.";
inline const std::string kFailed = "Failed to open the communication port.";

// Controller behaviour for a peer script: takes the expected command, then
// answers with the reply. A different command fails the test.
void Answer(PtyPeer& line, const Bytes& command, const Bytes& reply);
// A one-byte command answered the way the controller does: its echo and the
// closing byte 0x0D. The on-line byte 0xEE is one of them.
void AnswerOneByte(PtyPeer& line, unsigned char command);

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The operator's actions. Each returns what the action printed on
  // standard output.
  std::string Search();
  std::string OpenAt(const std::string& path);  // typed into the search field
  // One send action; returns what the cycle added to the log view, and keeps it.
  std::string Send();
  // As Send, also measuring how long the cycle blocked the window.
  std::string TimedSend(std::chrono::steady_clock::duration& took);

  // Plays the controller on the peer's line in the background.
  void Play(std::function<void(PtyPeer&)> script);
  // Waits for the script to end.
  void FinishPlaying();

  // An emulated Triad, unpaced; a port search finds its device when it is
  // announced.
  emulator::EmulatorServer& PlugInEmulator(bool announce = true);

  // The log view holds every cycle's text, in order, and nothing else.
  void ExpectLogWhole() const;

  // Skips the test when a search would find a USB serial adapter first.
  static bool UsbAdapterAttached();

  MemoryWindow w;
  std::unique_ptr<PtyPeer> peer;
  std::vector<std::unique_ptr<emulator::EmulatorServer>> emulators;
  std::string announcementDir;

 private:
  std::thread script_;
  std::vector<std::string> cycles_;
};
