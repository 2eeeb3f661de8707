#include <gtest/gtest.h>

#include "line_pacer.h"

namespace emulator {
namespace {

using namespace std::chrono_literals;
using Clock = LinePacer::Clock;

const Clock::time_point kStart = Clock::time_point() + 1h;

TEST(LinePacer, TenBitsPerByte) {
  EXPECT_EQ(LinePacer(300).byteTime(), 33'333'333ns);
  EXPECT_EQ(LinePacer(9600).byteTime(), 1'041'666ns);
}

TEST(LinePacer, BurstIsScheduledFromItsStartWithoutDrift) {
  LinePacer pacer(300);
  for (int k = 1; k <= 30; ++k) {
    EXPECT_EQ(pacer.nextByte(kStart), kStart + k * pacer.byteTime()) << "byte " << k;
  }
}

TEST(LinePacer, IdleLineStartsAtTheNextReadyTime) {
  LinePacer pacer(300);
  pacer.nextByte(kStart);
  const Clock::time_point later = kStart + 1s;
  EXPECT_EQ(pacer.nextByte(later), later + pacer.byteTime());
}

TEST(LinePacer, DelayFollowsWhatIsBooked) {
  LinePacer pacer(300);
  const Clock::time_point echoDone = pacer.nextByte(kStart);
  pacer.delay(kStart, 100ms);
  EXPECT_EQ(pacer.nextByte(kStart), echoDone + 100ms + pacer.byteTime());
}

TEST(LinePacer, WithoutPacingOnlyDelaysHoldBytesBack) {
  LinePacer pacer(0);
  EXPECT_EQ(pacer.nextByte(kStart), kStart);
  EXPECT_EQ(pacer.nextByte(kStart), kStart);
  pacer.delay(kStart, 50ms);
  EXPECT_EQ(pacer.nextByte(kStart), kStart + 50ms);
}

}  // namespace
}  // namespace emulator
