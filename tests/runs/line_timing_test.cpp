// The emulator's modelled move times as the console measures them at the
// line, and the drift a burn-in's figures show of a worn wheel beside a
// steady one, driven through the command cycle as an operator would.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "command_cycle.h"
#include "cycle_row.h"
#include "exchange_notes.h"
#include "line_timing.h"
#include "move_timing.h"
#include "run_statistics.h"
#include "session_fixture.h"
#include "transaction.h"

namespace {

using namespace std::chrono_literals;
using emulator::Device;
using emulator::ModelledMoveTime;
using emulator::MoveTimes;
using Ms = std::chrono::duration<double, std::milli>;

const double kCharacterMs = Ms(kCharacterTime).count();

// The last cycle's row as a burn-in keeps it, in milliseconds.
CycleRow LastCycleRow(int64_t round, const char* setting, bool passed) {
  const CycleFacts& cycle = LastCycle();
  CycleRow row;
  row.round = round;
  row.setting = setting;
  row.sentBytes = static_cast<int32_t>(cycle.command.size());
  row.replyBytes = static_cast<int32_t>(cycle.reply.size());
  row.echoMs = cycle.times.echo < 0 || !cycle.echoed ? -1 : cycle.times.echo * 1000;
  row.replyMs = cycle.times.reply < 0 ? -1 : cycle.times.reply * 1000;
  row.passed = passed;
  return row;
}

struct MoveCase {
  const char* name;
  Bytes command;
  int32_t extraLength;  // answer bytes after the echo, as the cycle tells the transaction
  double modelledMs;    // the emulator's pause before the closing byte
};

using MoveTimeTest = SessionTest;

// At 300 baud each reply byte takes a character time on the line, and the
// closing byte waits for the move: the reply's last byte comes after its
// bytes' line time and the modelled move, within one character time.
TEST_F(MoveTimeTest, MeasuredRepliesAreTheLineTimePlusTheModelledMove) {
  emulator::EmulatorOptions options;
  options.baud = 300;
  options.moveTime = 100ms;
  options.positionTime = 20ms;
  ASSERT_NO_FATAL_FAILURE(Connect(options));
  const MoveTimes model{options.moveTime, options.positionTime, {}};
  const auto modelled = [&](Device wheel, int positions, int speed) {
    return Ms(ModelledMoveTime(model, wheel, positions, speed, 0)).count();
  };
  const MoveCase cases[] = {
      // Wheel A to filter 5 at speed 2: 5 positions.
      {"one-byte move", {0x25}, 0, modelled(Device::kWheelA, 5, 2)},
      // A back 2 positions at speed 0 while B goes 5 at speed 1: B is slower.
      {"batch of two wheels", {0xBD, 0x03, 0x95, 0xBE}, 0,
       std::max(modelled(Device::kWheelA, 2, 0), modelled(Device::kWheelB, 5, 1))},
      {"status query", {0xCC}, 0, 0},
  };
  for (const MoveCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::memcpy(mycomm, c.command.data(), c.command.size());
    mycomm[c.command.size()] = 0x0A;
    const int32_t received = Communicate(static_cast<int32_t>(c.command.size()), c.extraLength);
    ASSERT_GT(received, 0);
    EXPECT_EQ(Buffer[received - 1], 0x0D);
    const ExchangeTimes times = TimesOf(lineExchange);
    EXPECT_NEAR(times.echo * 1000, kCharacterMs, kCharacterMs);
    EXPECT_NEAR(times.reply * 1000, received * kCharacterMs + c.modelledMs, kCharacterMs)
        << received << " reply bytes";
  }
}

using DriftTest = SessionTest;

// Wheel A's motor wears (10 % slower every 10 moves), wheel B's does not.
// Rounds of A there and back, then B there and back; each setting's last
// tenth against its first shows A's wear and none on B.
TEST_F(DriftTest, AWornWheelShowsItsModelledDriftAndASteadyOneNone) {
  emulator::EmulatorOptions options;
  options.variant = emulator::Variant::kTriad;
  options.baud = 0;
  options.moveTime = 40ms;
  options.wear = {Device::kWheelA, 20, 10};
  ASSERT_NO_FATAL_FAILURE(Connect(options));

  struct Step {
    const char* setting;
    HeadlessComboBox MemoryWindow::*list;
    int filter;
  };
  const Step round[] = {{"wheelA.filter=1", &MemoryWindow::filterA, 1},
                        {"wheelA.filter=0", &MemoryWindow::filterA, 0},
                        {"wheelB.filter=1", &MemoryWindow::filterB, 1},
                        {"wheelB.filter=0", &MemoryWindow::filterB, 0}};
  constexpr int kRounds = 30;  // 60 moves a wheel: each setting's tenth is 3 moves
  RunStatistics run;
  for (int r = 1; r <= kRounds; ++r) {
    for (const Step& step : round) {
      (w.*step.list).choose(step.filter);
      Send();
      const std::vector<unsigned char>& reply = LastCycle().reply;
      const bool passed = LastCycle().echoed && reply.size() == 2 && reply[1] == 0x0D;
      run.add(LastCycleRow(r, step.setting, passed));
    }
  }
  EXPECT_EQ(run.failures(), 0);

  // A's first tenth is moves 0 to 5 of 60, unworn; its last is moves 54 to
  // 59, worn five times.
  const MoveTimes model{options.moveTime, 0ms, options.wear};
  const double unworn = Ms(ModelledMoveTime(model, Device::kWheelA, 1, 0, 0)).count();
  const double worn = Ms(ModelledMoveTime(model, Device::kWheelA, 1, 0, 59)).count();
  ASSERT_GT(worn - unworn, 50);
  // Wall times: the emulator takes at least each modelled time, and a loaded
  // machine only adds to it, by more than any fixed slack at times. So each
  // move is bounded below by its model, and the worn wheel is told from the
  // steady one by half the modelled drift: load would have to shift a median
  // of three moves by that much (tens of ms) to blur them.
  const double half = (worn - unworn) / 2;
  for (const SettingSummary& s : run.summaries()) {
    SCOPED_TRACE(s.setting);
    EXPECT_EQ(s.count, kRounds);
    EXPECT_GE(s.times.firstTenthMedian, unworn - 1);
    const double drift = s.times.lastTenthMedian - s.times.firstTenthMedian;
    if (s.setting.starts_with("wheelA")) {
      EXPECT_GE(s.times.lastTenthMedian, worn - 1);
      EXPECT_GT(drift, half);
    } else {
      EXPECT_LT(std::abs(drift), half);
    }
  }
}

}  // namespace
