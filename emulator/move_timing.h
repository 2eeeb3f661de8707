// How long the emulated wheels take to move: a fixed part for every move, a
// part for each filter position passed, slower at higher speed indices, and
// optionally one wheel whose motor wears, growing slower as it moves.
#pragma once

#include <array>
#include <chrono>

#include "controller_types.h"

namespace emulator {

// One wheel's motor wears: every `everyMoves` moves of `wheel`, its move
// time grows by `percent` of what it was.
struct MotorWear {
  Device wheel = Device::kWheelA;
  int percent = 0;  // 0: no wear
  int everyMoves = 1;
};

struct MoveTimes {
  std::chrono::milliseconds fixed{0};        // each move, however far
  std::chrono::milliseconds perPosition{0};  // each position passed at speed 0
  MotorWear wear;
};

// The ten positions sit on a circle; a wheel takes the shorter way round.
constexpr int kWheelPositions = 10;
int PositionsBetween(int from, int to);

// A move of `positions` at speed index `speed` (0 the fastest), made after
// `earlierMoves` moves of the same wheel, as the model times it.
std::chrono::microseconds ModelledMoveTime(const MoveTimes& times, Device wheel, int positions, int speed,
                                           int earlierMoves);

// Times the moves of a running controller: counts each wheel's moves for the
// wear. Wheels moved by one command move together, so the command waits for
// the slowest of them.
class MoveClock {
 public:
  explicit MoveClock(MoveTimes times) : times_(times) {}

  // The pause before the closing byte of a command that took the controller
  // from `before` to `after`; zero when no wheel's filter changed.
  std::chrono::microseconds pauseFor(const ControllerState& before, const ControllerState& after);

 private:
  MoveTimes times_;
  std::array<int, 3> moves_{};  // per wheel A, B, C
};

}  // namespace emulator
