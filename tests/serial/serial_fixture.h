// A console port opened on a fresh pseudo-terminal, from a clean state.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>

#include "port_setup.h"
#include "pty_peer.h"
#include "serial_state.h"
#include "transaction.h"

class OpenLine : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSerialState();
    peer = std::make_unique<PtyPeer>();
    std::strcpy(bsdPath, peer->path().c_str());
    ASSERT_GE(OpenPort(), 0);
  }
  void TearDown() override {
    if (controller.joinable()) controller.join();
    ClosePort();
  }

  // Plays the controller in the background while the console talks.
  void play(std::function<void(PtyPeer&)> script) {
    controller = std::thread([this, script] { script(*peer); });
  }

  // Puts a command into mycomm with its end marker and runs a transaction,
  // measuring how long it took.
  int32_t exchange(const Bytes& command, int32_t extraLength) {
    std::memcpy(mycomm, command.data(), command.size());
    mycomm[command.size()] = 0x0A;
    const auto start = std::chrono::steady_clock::now();
    const int32_t count = Communicate(static_cast<int32_t>(command.size()), extraLength);
    elapsed = std::chrono::steady_clock::now() - start;
    if (controller.joinable()) controller.join();
    return count;
  }

  Bytes reply(int32_t count) const { return Bytes(Buffer, Buffer + (count > 0 ? count : 0)); }

  std::unique_ptr<PtyPeer> peer;
  std::thread controller;
  std::chrono::steady_clock::duration elapsed{};
};
