// The line as real set-ups make it: a USB serial adapter that hands the
// controller's bytes on in bursts, at each tick of its latency timer, and
// wheel moves that outlast the console's bounds. Every reply is read whole
// and credited to its own command.
#include <chrono>
#include <cstring>
#include <ostream>
#include <string>
#include <tuple>

#include "controller_model.h"
#include "cycle_state.h"
#include "line_timing.h"
#include "log_lines.h"
#include "serial_state.h"
#include "transaction.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Model = emulator::Variant;

// What the emulated controller answers to a status query once it has
// received the settings.
Bytes StatusReplyAfter(Model variant, const Bytes& settings) {
  const emulator::ControllerSetup setup(variant);
  emulator::ControllerModel model(setup);
  for (uint8_t b : settings) model.feed(b);
  const emulator::Reply reply = model.feed(0xCC);
  Bytes bytes{reply.echo};
  for (uint8_t b : reply.answer) bytes.push_back(b);
  bytes.push_back(0x0D);
  return bytes;
}

emulator::EmulatorOptions At300Baud(Model variant) {
  emulator::EmulatorOptions options;
  options.variant = variant;
  options.baud = 300;
  return options;
}

// One reply that a burst may cut: the settings that shape it, sent before,
// the general command list entry that asks for it, and the controller it
// identifies.
struct BurstCase {
  const char* name;
  Model variant;
  Bytes settings;
  int entry;  // 1 status query, 2 configuration query
  int32_t identifies;
};

void PrintTo(const BurstCase& c, std::ostream* out) { *out << c.name; }

const BurstCase kBurstCases[] = {
    {"Triad31ByteConfiguration", Model::kTriad, {}, 2, kTriad},
    {"DuoShutterShutter16ByteConfiguration", Model::kDuoShutterShutter, {}, 2, kDuoShutterShutter},
    // DE 0D: neutral density, 13 steps; the step count is the reply's last data byte.
    {"StatusWithNeutralDensity13Steps", Model::kDuoWheelShutter, {0xDE, 0x0D}, 1, kDuoWheelShutter},
    // FA 10 0D 00 00 00: a closed time of 13 minutes, the eighth byte of the reply.
    {"MonoStatusWith13Minutes", Model::kMono, {0xFA, 0x10, 0x0D, 0x00, 0x00, 0x00}, 1, kMono},
};

// Latency timer periods: the shortest, the common default, and longer ones
// up to the longest an adapter takes.
constexpr int kTickMilliseconds[] = {1, 16, 40, 100, 255};

class BurstDeliveryTest : public SessionTest, public ::testing::WithParamInterface<std::tuple<BurstCase, int>> {
 protected:
  // Sends a setting straight through the serial link, so that the window's
  // first cycle is the query under test; it is answered by its echo and the
  // closing byte.
  void Set(const Bytes& command) {
    std::memcpy(mycomm, command.data(), command.size());
    mycomm[command.size()] = 0x0A;
    const auto length = static_cast<int32_t>(command.size());
    ASSERT_EQ(Communicate(length, 0), length + 1);
  }
};

TEST_P(BurstDeliveryTest, ReplyIsReadWholeAndIdentifiesTheController) {
  const auto& [c, tick] = GetParam();
  emulator::EmulatorOptions options = At300Baud(c.variant);
  options.latencyTimer = std::chrono::milliseconds(tick);
  ASSERT_NO_FATAL_FAILURE(Connect(options));
  if (!c.settings.empty()) {
    ASSERT_NO_FATAL_FAILURE(Set(c.settings));
  }

  w.otherCommand.choose(c.entry);
  const std::string logged = Send();
  EXPECT_EQ(itype, c.identifies) << logged;
  if (c.entry == 1) {
    EXPECT_EQ(logged, Logged(StatusReplyAfter(c.variant, c.settings)));
  }
}

INSTANTIATE_TEST_SUITE_P(Adapters, BurstDeliveryTest,
                         ::testing::Combine(::testing::ValuesIn(kBurstCases), ::testing::ValuesIn(kTickMilliseconds)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "_Tick" +
                                  std::to_string(std::get<1>(info.param)) + "ms";
                         });

using SlowMoveTest = SessionTest;

// Each move takes longer than the 5 s once allowed for a closing byte; each
// closing byte belongs to its own move.
TEST_F(SlowMoveTest, MovesOfOverFiveSecondsInARowAreEachCreditedToTheirOwnCommand) {
  emulator::EmulatorOptions options = At300Baud(Model::kTriad);
  options.moveTime = 5300ms;
  ASSERT_NO_FATAL_FAILURE(Connect(options));
  for (unsigned char filter : {3, 5, 7}) {
    w.filterA.choose(filter);
    EXPECT_EQ(Send(), Logged({filter, 0x0D})) << "filter " << int{filter};
  }
  w.otherCommand.choose(1);
  EXPECT_EQ(Send(), Logged(StatusReplyAfter(Model::kTriad, {0x03, 0x05, 0x07})));
  EXPECT_NE(w.statusView.text.find("- Wheel A :              Filter 7;"), std::string::npos) << w.statusView.text;
}

// A move that outlasts even the bound for a closing byte: its cycle ends with
// the echo alone, and the closing byte that comes later is waited for and
// dropped before the next command goes out, not taken as that one's reply.
TEST_F(SlowMoveTest, MoveOutlastingTheClosingBoundOwesItsClosingByteToNoLaterCommand) {
  emulator::EmulatorOptions options = At300Baud(Model::kTriad);
  options.moveTime = kMoveClosingTimeout + 1500ms;
  ASSERT_NO_FATAL_FAILURE(Connect(options));
  w.filterA.choose(3);
  const auto start = Clock::now();
  EXPECT_EQ(Send(), Logged({0x03}));
  EXPECT_GE(Clock::now() - start, kMoveClosingTimeout);

  w.otherCommand.choose(1);
  EXPECT_EQ(Send(), Logged(StatusReplyAfter(Model::kTriad, {0x03})));
  EXPECT_EQ(itype, kTriad);
  EXPECT_NE(w.statusView.text.find("- Wheel A :              Filter 3;"), std::string::npos) << w.statusView.text;
  w.otherCommand.choose(3);
  EXPECT_EQ(Send(), Logged({0xEF, 0x0D}));
  EXPECT_EQ(TakeReceived(), (Bytes{0x03, 0xCC, 0xEF}));
}

}  // namespace
