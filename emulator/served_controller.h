// The emulated controller on its serial line, whatever carries the line's
// bytes to the console (a pseudo-terminal, a network connection): it hears
// the console's bytes and puts its echoes and answers on the line at the
// line's pace, after the delays the options ask for, through a USB serial
// adapter's bursts when asked, and falls silent when asked. Its callers own
// the thread that serves; received() and state() may be asked from any other.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "adapter_delivery.h"
#include "controller_model.h"
#include "emulator_options.h"
#include "line_pacer.h"
#include "move_timing.h"

namespace emulator {

// The carrier's end of the line, as the serving thread uses it.
class LineEnd {
 public:
  using Clock = LinePacer::Clock;
  virtual ~LineEnd() = default;
  // Hands on bytes that have crossed the line. False ends serving.
  virtual bool deliver(const std::vector<uint8_t>& bytes) = 0;
  // Waits until `deadline`. False ends serving (a stop, or a failure).
  virtual bool waitUntil(Clock::time_point deadline) = 0;
};

class ServedController {
 public:
  using Clock = LinePacer::Clock;

  explicit ServedController(const EmulatorOptions& options);

  // One byte from the console that arrived at `ready`. False when the line
  // end asked to end serving.
  bool hear(uint8_t byte, Clock::time_point ready, LineEnd& line);
  // Hands on what an adapter holds once its tick has come; bytes go on at
  // their tick also while no command comes.
  bool deliverDue(LineEnd& line);
  // When the held bytes are due; only while holding().
  bool holding() const { return adapter_.holding(); }
  Clock::time_point due() const { return adapter_.due(); }

  // The bytes heard since the start or the last clearReceived() (at most the
  // latest kReceivedLogLimit of them).
  std::vector<uint8_t> received() const;
  void clearReceived();
  ControllerState state() const;

  static constexpr std::size_t kReceivedLogLimit = 1 << 16;

 private:
  bool send(uint8_t byte, Clock::time_point ready, LineEnd& line);
  bool deliverHeld(LineEnd& line);

  const EmulatorOptions options_;
  LinePacer pacer_;
  AdapterDelivery adapter_;
  MoveClock moveClock_;
  int answered_ = 0;  // whole commands answered; under mutex_

  mutable std::mutex mutex_;  // guards the members below
  ControllerModel model_;
  std::vector<uint8_t> received_;
};

}  // namespace emulator
