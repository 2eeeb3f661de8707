#include <gtest/gtest.h>

#include "adapter_delivery.h"

namespace emulator {
namespace {

using namespace std::chrono_literals;
using Clock = AdapterDelivery::Clock;
using Bytes = std::vector<uint8_t>;

const Clock::time_point kEpoch = Clock::time_point() + 1h;

TEST(AdapterDelivery, HoldsBytesUntilTheNextTickAndHandsThemOnTogether) {
  AdapterDelivery adapter(100ms, kEpoch);
  EXPECT_FALSE(adapter.holding());
  adapter.hold(0xCC, kEpoch + 133ms);
  adapter.hold(0x41, kEpoch + 166ms);
  EXPECT_TRUE(adapter.holding());
  EXPECT_EQ(adapter.due(), kEpoch + 200ms);
  EXPECT_EQ(adapter.take(), (Bytes{0xCC, 0x41}));
  EXPECT_FALSE(adapter.holding());

  // A byte that arrives on a tick goes with it.
  adapter.hold(0x0D, kEpoch + 300ms);
  EXPECT_EQ(adapter.due(), kEpoch + 300ms);
}

TEST(AdapterDelivery, AFullPacketGoesOnAtOnce) {
  AdapterDelivery adapter(255ms, kEpoch);
  for (int i = 1; i < static_cast<int>(AdapterDelivery::kPacketBytes); ++i) {
    adapter.hold(0x41, kEpoch + i * 1ms);
  }
  EXPECT_EQ(adapter.due(), kEpoch + 255ms);
  adapter.hold(0x42, kEpoch + 62ms);
  EXPECT_EQ(adapter.due(), kEpoch + 62ms);
  EXPECT_EQ(adapter.take().size(), AdapterDelivery::kPacketBytes);
}

TEST(AdapterDelivery, WithoutATimerEveryByteGoesOnAsItArrives) {
  AdapterDelivery adapter(Clock::duration::zero(), kEpoch);
  adapter.hold(0x23, kEpoch + 33ms);
  EXPECT_EQ(adapter.due(), kEpoch + 33ms);
}

}  // namespace
}  // namespace emulator
