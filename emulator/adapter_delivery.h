// How a USB serial adapter hands the bytes it receives from the line to the
// computer: not one by one, but all it holds at each tick of its latency
// timer, or at once when it holds a full packet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "line_pacer.h"

namespace emulator {

class AdapterDelivery {
 public:
  using Clock = LinePacer::Clock;

  // A USB packet of 64 bytes carries two status bytes and 62 received bytes.
  static constexpr std::size_t kPacketBytes = 62;

  // Ticks fall at epoch + k * period. A period of zero hands every byte on
  // as it arrives.
  AdapterDelivery(Clock::duration period, Clock::time_point epoch);

  // Takes a byte that has arrived from the line; bytes arrive in order.
  void hold(uint8_t byte, Clock::time_point arrived);
  bool holding() const { return !held_.empty(); }
  // When the held bytes are handed on: at the first tick at or after the
  // first of them arrived, or when the packet filled. Only while holding.
  Clock::time_point due() const { return due_; }
  // The held bytes, which the adapter no longer holds.
  std::vector<uint8_t> take();

 private:
  Clock::time_point tickAtOrAfter(Clock::time_point t) const;

  Clock::duration period_;
  Clock::time_point epoch_;
  std::vector<uint8_t> held_;
  Clock::time_point due_{};
};

}  // namespace emulator
