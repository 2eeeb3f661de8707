#include "controller_model.h"

#include <utility>

#include "configuration_reply.h"
#include "protocol_codes.h"
#include "status_layout.h"

namespace emulator {

namespace {

bool FiltersDiffer(const ControllerState& a, const ControllerState& b) {
  for (std::size_t i = 0; i < a.wheels.size(); ++i) {
    if (a.wheels[i].filter != b.wheels[i].filter) return true;
  }
  return false;
}

bool IsWheelAByte(uint8_t b) { return code::IsWheelByte(b) && (b & code::kWheelBFlag) == 0; }
bool IsWheelBByte(uint8_t b) { return code::IsWheelByte(b) && (b & code::kWheelBFlag) != 0; }

// The controller answers these without a closing byte.
bool HasNoClosing(std::span<const uint8_t> command) {
  if (command[0] == code::kNoClosing) return true;
  return command[0] == code::kMonoPrefix &&
         (command[1] == code::kFreeRunByTrigger || command[1] == code::kFreeRunGo);
}

}  // namespace

ControllerModel::ControllerModel(ControllerSetup setup) : setup_(std::move(setup)) {}

Reply ControllerModel::feed(uint8_t byte) {
  Reply reply;
  reply.echo = byte;
  if (pendingLength_ >= pending_.size()) pendingLength_ = 0;
  pending_[pendingLength_++] = byte;
  const std::span<const uint8_t> command(pending_.data(), pendingLength_);
  switch (JudgeCommand(command, setup_.twoShutters())) {
    case CommandProgress::kIncomplete:
      return reply;
    case CommandProgress::kComplete:
      reply.complete = true;
      execute(command, reply);
      break;
    case CommandProgress::kUnknown:
    case CommandProgress::kDropped:
      break;
  }
  pendingLength_ = 0;
  return reply;
}

void ControllerModel::execute(std::span<const uint8_t> command, Reply& reply) {
  const ControllerState before = state_;
  dispatch(command, reply);
  reply.wheelMoved = FiltersDiffer(before, state_);
  reply.closes = !HasNoClosing(command);
}

void ControllerModel::dispatch(std::span<const uint8_t> command, Reply& reply) {
  const uint8_t first = command[0];
  if (code::IsWheelByte(first)) return setWheel(IsWheelBByte(first) ? Device::kWheelB : Device::kWheelA, first);
  if (code::IsShutterAStateByte(first) || code::IsShutterBStateByte(first)) return setShutterState(first);
  switch (first) {
    case code::kWheelC:
      return setWheelC(command[1]);
    case code::kModeFast:
    case code::kModeSoft:
    case code::kModeNeutralDensity:
      return executeModeCommand(command);
    case code::kCombined:
      return executeCombined(command);
    case code::kBatchBegin:
      return executeBatch(command);
    case code::kMonoPrefix:
      return executeMonoCommand(command);
    case code::kStatus:
      reply.answer = StatusAnswer(setup_, state_);
      return;
    case code::kConfiguration:
      reply.answer = ConfigurationAnswer(setup_.variant);
      return;
    default:
      return;  // the other commands only echo and close
  }
}

// wheelByte: a wheel byte (low nibble 0 to 9); bit 7 only tells wheel B.
void ControllerModel::setWheel(Device wheel, uint8_t wheelByte) {
  if (!setup_.connected(wheel)) return;
  WheelSetting& w = state_.wheels[WheelIndex(wheel)];
  const int filter = wheelByte & 0x0F;
  const bool stuck = setup_.stuck.wheel == wheel && setup_.stuck.filter == filter;
  if (!stuck) w.filter = filter;
  w.speed = (wheelByte >> 4) & 0x07;
}

void ControllerModel::setWheelC(uint8_t wheelByte) {
  if (IsWheelAByte(wheelByte)) setWheel(Device::kWheelC, wheelByte);
}

void ControllerModel::setShutterState(uint8_t stateByte) {
  const Device shutter = code::IsShutterBStateByte(stateByte) ? Device::kShutterB : Device::kShutterA;
  if (!setup_.connected(shutter)) return;
  state_.shutters[ShutterIndex(shutter)].state = code::StateOf(stateByte);
}

// DC/DD [n], DE [n] steps; n, the shutter number, only on two-shutter variants.
void ControllerModel::executeModeCommand(std::span<const uint8_t> command) {
  Device shutter = Device::kShutterA;
  if (setup_.twoShutters()) {
    if (command[1] != 0x01 && command[1] != 0x02) return;
    shutter = command[1] == 0x02 ? Device::kShutterB : Device::kShutterA;
  }
  if (!setup_.connected(shutter)) return;
  const auto mode = static_cast<ShutterMode>(command[0] - code::kModeFast);
  if (setup_.ignoredMode.shutter == shutter && setup_.ignoredMode.mode == static_cast<int>(mode)) return;
  uint8_t steps = 0;
  if (mode == ShutterMode::kNeutralDensity) {
    steps = command.back();
    if (steps < code::kMinSteps || steps > code::kMaxSteps) return;
  }
  ShutterSetting& s = state_.shutters[ShutterIndex(shutter)];
  s.mode = mode;
  s.steps = steps;
}

// DF, wheel A byte, wheel B byte, shutter A state, shutter B state; a byte
// that does not fit its place is passed over.
void ControllerModel::executeCombined(std::span<const uint8_t> command) {
  if (IsWheelAByte(command[1])) setWheel(Device::kWheelA, command[1]);
  if (IsWheelBByte(command[2])) setWheel(Device::kWheelB, command[2]);
  if (code::IsShutterAStateByte(command[3])) setShutterState(command[3]);
  if (code::IsShutterBStateByte(command[4])) setShutterState(command[4]);
}

// BD, then wheel A/B bytes, FC + wheel C byte and state bytes in any order,
// then BE; other bytes inside are passed over.
void ControllerModel::executeBatch(std::span<const uint8_t> command) {
  for (std::size_t i = 1; i + 1 < command.size(); ++i) {
    const uint8_t b = command[i];
    if (b == code::kWheelC) {
      setWheelC(command[++i]);
    } else if (code::IsWheelByte(b)) {
      setWheel(IsWheelBByte(b) ? Device::kWheelB : Device::kWheelA, b);
    } else if (code::IsShutterAStateByte(b) || code::IsShutterBStateByte(b)) {
      setShutterState(b);
    }
  }
}

// The FA commands set the Mono's one shutter.
void ControllerModel::executeMonoCommand(std::span<const uint8_t> command) {
  if (setup_.variant != Variant::kMono || !setup_.connected(Device::kShutterA)) return;
  const uint8_t second = command[1];
  if (second == code::kRepeatNumber) {
    state_.repeatNumber = static_cast<uint16_t>(command[2] << 8 | command[3]);
  } else if (second >= code::kFreeRunByPowerOn && second <= code::kFreeRunGo) {
    state_.freeRun = second;
  } else if (second >= 0xA0 && second <= 0xA4) {
    state_.ttlIn = second;
  } else if (second >= 0xB0 && second <= 0xB2) {
    state_.ttlOut = second;
  } else if (command.size() == 6) {
    TimeBlock block{command[1], command[2], command[3], command[4], command[5]};
    if ((second >> 4) == 0x1) state_.closedTime = block;
    if ((second >> 4) == 0x2) state_.exposureTime = block;
  }
}

}  // namespace emulator
