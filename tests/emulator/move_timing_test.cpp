#include <gtest/gtest.h>

#include <chrono>

#include "move_timing.h"

namespace emulator {
namespace {

using namespace std::chrono_literals;
using std::chrono::microseconds;

TEST(MoveTiming, AWheelTakesTheShorterWayRound) {
  struct Case {
    int from, to, positions;
  };
  for (const Case& c : {Case{0, 0, 0}, Case{0, 1, 1}, Case{3, 8, 5}, Case{8, 3, 5}, Case{0, 9, 1}, Case{9, 0, 1},
                        Case{1, 7, 4}, Case{2, 6, 4}}) {
    EXPECT_EQ(PositionsBetween(c.from, c.to), c.positions) << c.from << " to " << c.to;
  }
}

TEST(MoveTiming, ModelledTimeFromDistanceSpeedAndWear) {
  const MoveTimes times{100ms, 20ms, {Device::kWheelB, 10, 5}};
  struct Case {
    Device wheel;
    int positions, speed, earlierMoves;
    microseconds expected;
  };
  const Case cases[] = {
      {Device::kWheelA, 1, 0, 0, 120ms},
      {Device::kWheelA, 5, 0, 0, 200ms},
      {Device::kWheelA, 5, 7, 0, 900ms},     // 100 + 5 * 20 * 8
      {Device::kWheelA, 2, 3, 999, 260ms},   // only wheel B wears
      {Device::kWheelB, 1, 0, 4, 120ms},     // not yet worn
      {Device::kWheelB, 1, 0, 5, 132ms},     // 10 % slower after 5 moves
      {Device::kWheelB, 1, 0, 14, 145200us},  // and again after 10: 1.1^2
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ModelledMoveTime(times, c.wheel, c.positions, c.speed, c.earlierMoves), c.expected)
        << "wheel " << int(c.wheel) << ", " << c.positions << " positions at speed " << c.speed << " after "
        << c.earlierMoves << " moves";
  }
}

TEST(MoveTiming, ACommandWaitsForItsSlowestWheelAndEachMoveCountsForTheWear) {
  MoveClock clock({0ms, 10ms, {Device::kWheelA, 50, 1}});
  ControllerState before;
  ControllerState after = before;
  after.wheels[0].filter = 2;  // 2 positions, speed 0: 20 ms
  after.wheels[1] = {5, 1};    // 5 positions, speed 1: 100 ms
  EXPECT_EQ(clock.pauseFor(before, after), 100ms);

  // Wheel A's second move is worn by half: 2 positions take 30 ms.
  ControllerState back = after;
  back.wheels[0].filter = 0;
  EXPECT_EQ(clock.pauseFor(after, back), 30ms);
  // A new speed alone moves nothing.
  ControllerState faster = back;
  faster.wheels[1].speed = 0;
  EXPECT_EQ(clock.pauseFor(back, faster), 0ms);
}

}  // namespace
}  // namespace emulator
