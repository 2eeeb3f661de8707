#include "served_controller.h"

#include "protocol_codes.h"

namespace emulator {

namespace {

ControllerSetup SetupOf(const EmulatorOptions& options) {
  ControllerSetup setup{options.variant, options.notConnected};
  setup.stuck = options.stuck;
  setup.ignoredMode = options.ignoredMode;
  setup.skippedByte = options.skippedByte;
  return setup;
}

MoveTimes MoveTimesOf(const EmulatorOptions& options) {
  return {options.moveTime, options.positionTime, options.wear};
}

}  // namespace

ServedController::ServedController(const EmulatorOptions& options)
    : options_(options),
      pacer_(options_.baud),
      adapter_(options_.latencyTimer, Clock::now()),
      moveClock_(MoveTimesOf(options_)),
      model_(SetupOf(options_)) {}

std::vector<uint8_t> ServedController::received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

void ServedController::clearReceived() {
  std::lock_guard lock(mutex_);
  received_.clear();
}

ControllerState ServedController::state() const {
  std::lock_guard lock(mutex_);
  return model_.state();
}

bool ServedController::hear(uint8_t byte, Clock::time_point ready, LineEnd& line) {
  Reply reply;
  ControllerState before;
  ControllerState after;
  {
    std::lock_guard lock(mutex_);
    if (received_.size() >= kReceivedLogLimit) {
      received_.erase(received_.begin(), received_.begin() + kReceivedLogLimit / 2);
    }
    received_.push_back(byte);
    // A controller gone silent hears nothing more and says nothing.
    if (options_.silentAfter > 0 && answered_ >= options_.silentAfter) return true;
    before = model_.state();
    reply = model_.feed(byte);
    after = model_.state();
    if (reply.complete) ++answered_;
  }
  if (!send(reply.echo, ready, line)) return false;
  if (!reply.complete || (reply.answer.empty() && !reply.closes)) return true;
  pacer_.delay(ready, options_.latency);
  for (uint8_t b : reply.answer) {
    if (!send(b, ready, line)) return false;
  }
  if (!reply.closes) return true;
  if (reply.wheelMoved) pacer_.delay(ready, moveClock_.pauseFor(before, after));
  return send(code::kClosing, ready, line);
}

bool ServedController::deliverDue(LineEnd& line) {
  return !adapter_.holding() || Clock::now() < adapter_.due() || deliverHeld(line);
}

// A byte goes on at once when it has crossed the line, unless an adapter
// holds it for its next tick; what the adapter held before goes first.
bool ServedController::send(uint8_t byte, Clock::time_point ready, LineEnd& line) {
  const Clock::time_point arrived = pacer_.nextByte(ready);
  if (adapter_.holding() && adapter_.due() < arrived && !deliverHeld(line)) return false;
  adapter_.hold(byte, arrived);
  return adapter_.due() > arrived || deliverHeld(line);
}

bool ServedController::deliverHeld(LineEnd& line) {
  return line.waitUntil(adapter_.due()) && line.deliver(adapter_.take());
}

}  // namespace emulator
