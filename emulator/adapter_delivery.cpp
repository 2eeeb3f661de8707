#include "adapter_delivery.h"

#include <algorithm>
#include <utility>

namespace emulator {

AdapterDelivery::AdapterDelivery(Clock::duration period, Clock::time_point epoch)
    : period_(period), epoch_(epoch) {}

AdapterDelivery::Clock::time_point AdapterDelivery::tickAtOrAfter(Clock::time_point t) const {
  if (period_ <= Clock::duration::zero()) return t;
  if (t <= epoch_) return epoch_;
  const auto ticks = (t - epoch_ + period_ - Clock::duration(1)) / period_;
  return epoch_ + ticks * period_;
}

void AdapterDelivery::hold(uint8_t byte, Clock::time_point arrived) {
  if (held_.empty()) due_ = tickAtOrAfter(arrived);
  held_.push_back(byte);
  if (held_.size() >= kPacketBytes) due_ = std::min(due_, arrived);
}

std::vector<uint8_t> AdapterDelivery::take() { return std::exchange(held_, {}); }

}  // namespace emulator
