// The controller's side of the line protocol, without I/O: bytes in, the
// echo and the answers out, and the settings the commands change.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "command_forms.h"
#include "controller_types.h"

namespace emulator {

// What the controller sends for one received byte, in this order: the echo;
// when the byte completed a command, the answer bytes and, if `closes`, the
// closing 0x0D (after the wheel's move when `wheelMoved`).
struct Reply {
  uint8_t echo = 0;
  bool complete = false;
  bool wheelMoved = false;
  std::vector<uint8_t> answer;
  bool closes = false;
};

class ControllerModel {
 public:
  explicit ControllerModel(ControllerSetup setup);

  Reply feed(uint8_t byte);

  const ControllerSetup& setup() const { return setup_; }
  const ControllerState& state() const { return state_; }

 private:
  void execute(std::span<const uint8_t> command, Reply& reply);
  void dispatch(std::span<const uint8_t> command, Reply& reply);
  void executeModeCommand(std::span<const uint8_t> command);
  void executeCombined(std::span<const uint8_t> command);
  void executeBatch(std::span<const uint8_t> command);
  void executeMonoCommand(std::span<const uint8_t> command);
  void setWheel(Device wheel, uint8_t wheelByte);
  void setWheelC(uint8_t wheelByte);
  void setShutterState(uint8_t stateByte);

  ControllerSetup setup_;
  ControllerState state_;
  std::array<uint8_t, kMaxCommandBytes> pending_{};
  std::size_t pendingLength_ = 0;
};

}  // namespace emulator
