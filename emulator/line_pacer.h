// Timing of the bytes the controller sends on its serial line. Each byte is
// due one byte time after the previous one, or after it became ready when the
// line was idle. `ready` is when the byte's cause arrived (the read that
// brought the command), not when the sender woke up, so a late wake-up does
// not push the rest of the reply back.
#pragma once

#include <chrono>

namespace emulator {

class LinePacer {
 public:
  using Clock = std::chrono::steady_clock;

  // baud 0: bytes are due at once; only explicit delays hold them back.
  explicit LinePacer(int baud);

  // When the next byte has been fully sent; books the line until then.
  Clock::time_point nextByte(Clock::time_point ready);

  // Keeps the line quiet for `pause` after what is already booked.
  void delay(Clock::time_point ready, Clock::duration pause);

  Clock::duration byteTime() const { return byteTime_; }

 private:
  Clock::duration byteTime_;
  Clock::time_point lineFree_{};
};

}  // namespace emulator
