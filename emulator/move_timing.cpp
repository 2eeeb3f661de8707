#include "move_timing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace emulator {

namespace {

constexpr Device kWheels[] = {Device::kWheelA, Device::kWheelB, Device::kWheelC};

}  // namespace

int PositionsBetween(int from, int to) {
  const int ahead = std::abs(to - from) % kWheelPositions;
  return std::min(ahead, kWheelPositions - ahead);
}

std::chrono::microseconds ModelledMoveTime(const MoveTimes& times, Device wheel, int positions, int speed,
                                           int earlierMoves) {
  using Micro = std::chrono::duration<double, std::micro>;
  // Speed index s takes s + 1 times as long per position as speed 0.
  Micro time = Micro(times.fixed) + Micro(times.perPosition) * positions * (speed + 1);
  const MotorWear& wear = times.wear;
  if (wear.percent > 0 && wear.wheel == wheel) {
    time *= std::pow(1.0 + wear.percent / 100.0, earlierMoves / wear.everyMoves);
  }
  return std::chrono::round<std::chrono::microseconds>(time);
}

std::chrono::microseconds MoveClock::pauseFor(const ControllerState& before, const ControllerState& after) {
  std::chrono::microseconds longest{0};
  for (Device wheel : kWheels) {
    const std::size_t i = WheelIndex(wheel);
    const WheelSetting& from = before.wheels[i];
    const WheelSetting& to = after.wheels[i];
    if (from.filter == to.filter) continue;
    const int positions = PositionsBetween(from.filter, to.filter);
    longest = std::max(longest, ModelledMoveTime(times_, wheel, positions, to.speed, moves_[i]));
    ++moves_[i];
  }
  return longest;
}

}  // namespace emulator
