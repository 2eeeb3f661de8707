// One command cycle at a time against the emulated controller: what reaches
// the controller, what it then holds, what the log says and what the window
// shows afterwards.
#include <functional>
#include <ostream>
#include <string>

#include "cycle_state.h"
#include "session_fixture.h"

namespace {

using emulator::ControllerState;
using emulator::ShutterMode;
using emulator::ShutterState;
using emulator::Variant;

const std::string kIgnored = "** Command Ignored **\nCurrently controller is on Local mode.\n";
const std::string kStatusFirst = "** Please send status command(CC)\n    first, then try again. **\n";

using CycleTest = SessionTest;

TEST_F(CycleTest, NothingChangedSendsNothingAndLogsTheSeparatorOnly) {
  ASSERT_NO_FATAL_FAILURE(Connect(Variant::kTriad));
  EXPECT_EQ(Send(), kSeparatorLine);
  EXPECT_EQ(Send(), kSeparatorLine);
  EXPECT_EQ(TakeReceived(), Bytes{});
  EXPECT_EQ(controller->state(), ControllerState{});
}

TEST_F(CycleTest, ASettingGoesOutAndAWheelChangedWithItIsRememberedUnsent) {
  ASSERT_NO_FATAL_FAILURE(Connect(Variant::kTriad));
  w.filterA.choose(3);
  w.speedA.choose(2);
  w.shutterAstatus.choose(1);
  EXPECT_EQ(Send(), "170       0xAA\n13         0xD\n" + kSeparatorLine);
  EXPECT_EQ(TakeReceived(), Bytes{0xAA});

  ControllerState expected;
  expected.shutters[0].state = ShutterState::kOpen;
  EXPECT_EQ(controller->state(), expected);
  EXPECT_EQ(w.filterA.text, "Filter 3");
  EXPECT_EQ(w.speedA.text, "Speed 2");
  EXPECT_EQ(w.shutterAstatus.text, "Open");

  // The wheel's new value counts as sent: the next cycle has nothing to do.
  EXPECT_EQ(Send(), kSeparatorLine);
  EXPECT_EQ(TakeReceived(), Bytes{});
  EXPECT_EQ(controller->state(), expected);
}

struct RefusalCase {
  const char* what;
  std::function<void(MemoryWindow&)> operatorDoes;
  std::string message;
  std::function<std::string(const MemoryWindow&)> refusedControl;
  std::string shownAfter;
};

void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.what; }

class RefusalWithWheelTest : public SessionTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalWithWheelTest, LogsTheRefusalAndMovesTheWheelInTheSameCycle) {
  const RefusalCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(Connect(Variant::kTriad));
  c.operatorDoes(w);
  w.filterB.choose(3);
  w.speedB.choose(2);

  EXPECT_EQ(Send(), c.message + "163       0xA3\n13         0xD\n" + kSeparatorLine);
  EXPECT_EQ(TakeReceived(), Bytes{0xA3});
  ControllerState expected;
  expected.wheels[1] = {3, 2};
  EXPECT_EQ(controller->state(), expected);
  EXPECT_EQ(c.refusedControl(w), c.shownAfter);
  EXPECT_EQ(w.filterB.text, "Filter 3");
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusalWithWheelTest,
    ::testing::Values(
        // The mode list is set up by the first status reply; the refused
        // choice is still remembered, as every captured value is.
        RefusalCase{"ModeBeforeTheStatusReply", [](MemoryWindow& w) { w.shutterAmode.choose(1); }, kStatusFirst,
                    [](const MemoryWindow& w) { return w.shutterAmode.text; }, "Soft"},
        RefusalCase{"NegativeRepeatNumber", [](MemoryWindow& w) { w.repeatNumber.type("-5"); },
                    "** Invalid command **\nRepeat number must be greater than 0.\n",
                    [](const MemoryWindow& w) { return w.repeatNumber.text; }, ""},
        RefusalCase{"TimeAboveFiveHours", [](MemoryWindow& w) { w.tHour.type("6"); },
                    "** Invalid value **\nMaximum time value is 5hrs.\n",
                    [](const MemoryWindow& w) { return w.tHour.text; }, ""}),
    [](const auto& info) { return std::string(info.param.what); });

// The controller goes away in the middle of the session and comes back.
TEST_F(CycleTest, WithoutAReplyTheWindowReturnsAndTheChangeIsTriedAgain) {
  ASSERT_NO_FATAL_FAILURE(Connect(Variant::kTriad));
  w.filterA.choose(2);
  Send();
  ASSERT_EQ(TakeReceived(), Bytes{0x02});

  controller->stop();
  w.filterA.choose(5);
  w.repeatNumber.type("7");
  EXPECT_EQ(Send(), "not sent: the port went away\n" + kSeparatorLine);
  EXPECT_EQ(w.filterA.text, "Filter 2");
  EXPECT_EQ(w.filterA.indexOfSelectedItem(), 2);
  EXPECT_EQ(w.repeatNumber.text, "");
  EXPECT_EQ(icomm0[kFilterA], 2);

  ASSERT_NO_FATAL_FAILURE(Connect(Variant::kTriad));
  w.filterA.choose(5);
  EXPECT_EQ(Send(), "5           0x5\n13         0xD\n" + kSeparatorLine);
  EXPECT_EQ(TakeReceived(), Bytes{0x05});
  EXPECT_EQ(controller->state().wheels[0].filter, 5);
  EXPECT_EQ(w.filterA.text, "Filter 5");
}

// ---- Command bytes equal to the end marker 0x0A ------------------------------

struct EndMarkerCase {
  const char* what;
  Variant variant;
  bool statusFirst;  // the mode list works once a status reply has set it up
  std::function<void(MemoryWindow&)> operatorDoes;
  Bytes command;
  std::string echo;
  std::function<void(ControllerState&)> expectedChange;
  std::function<std::string(const MemoryWindow&)> field;
};

void PrintTo(const EndMarkerCase& c, std::ostream* out) { *out << c.what; }

class EndMarkerByteTest : public SessionTest, public ::testing::WithParamInterface<EndMarkerCase> {};

TEST_P(EndMarkerByteTest, ReachesTheControllerWithTheWholeCommand) {
  const EndMarkerCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(Connect(c.variant));
  if (c.statusFirst) QueryStatus();
  ControllerState expected = controller->state();
  c.expectedChange(expected);

  c.operatorDoes(w);
  EXPECT_EQ(Send(), c.echo + kSeparatorLine);
  EXPECT_EQ(TakeReceived(), c.command);
  EXPECT_EQ(controller->state(), expected);
  EXPECT_EQ(c.field(w), "10");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, EndMarkerByteTest,
    ::testing::Values(
        EndMarkerCase{"MonoClosedTimeOfTenMinutes", Variant::kMono, false,
                      [](MemoryWindow& w) { w.tMinute.type("10"); },
                      {0xFA, 0x10, 0x0A, 0x00, 0x00, 0x00},
                      "250       0xFA\n16         0x10\n10         0xA\n0           0x0\n0           0x0\n"
                      "0           0x0\n13         0xD\n",
                      [](ControllerState& s) { s.closedTime = {0x10, 0x0A, 0x00, 0x00, 0x00}; },
                      [](const MemoryWindow& w) { return w.tMinute.text; }},
        EndMarkerCase{"MonoRepeatNumberTen", Variant::kMono, false, [](MemoryWindow& w) { w.repeatNumber.type("10"); },
                      {0xFA, 0xF0, 0x00, 0x0A},
                      "250       0xFA\n240       0xF0\n0           0x0\n10         0xA\n13         0xD\n",
                      [](ControllerState& s) { s.repeatNumber = 10; },
                      [](const MemoryWindow& w) { return w.repeatNumber.text; }},
        EndMarkerCase{"TriadNeutralDensityTenSteps", Variant::kTriad, true,
                      [](MemoryWindow& w) {
                        w.shutterAmode.choose(2);
                        w.shutterAsteps.type("10");
                      },
                      {0xDE, 0x01, 0x0A}, "222       0xDE\n1           0x1\n10         0xA\n13         0xD\n",
                      [](ControllerState& s) { s.shutters[0] = {ShutterState::kClosed, ShutterMode::kNeutralDensity, 10}; },
                      [](const MemoryWindow& w) { return w.shutterAsteps.text; }}),
    [](const auto& info) { return std::string(info.param.what); });

// ---- The Triad's batch of changed settings -----------------------------------

TEST_F(CycleTest, ATriadBatchCarriesTheChangesOnceThenOnlyItsFrame) {
  ASSERT_NO_FATAL_FAILURE(Connect(Variant::kTriad));
  QueryStatus();
  // The batch is entry 9 of the Triad's list of 10 entries, which the status
  // reply's identification leaves; the full list refuses it.
  ASSERT_EQ(w.otherCommand.numberOfItems(), 10);

  w.filterA.choose(3);
  w.speedA.choose(2);
  w.speedB.choose(4);  // a wheel whose filter stays
  w.filterC.choose(5);
  w.shutterBstatus.choose(1);
  w.otherCommand.choose(9);
  EXPECT_EQ(Send(),
            "189       0xBD\n35         0x23\n192       0xC0\n252       0xFC\n5           0x5\n186       0xBA\n"
            "190       0xBE\n13         0xD\n" +
                kSeparatorLine);
  EXPECT_EQ(TakeReceived(), (Bytes{0xBD, 0x23, 0xC0, 0xFC, 0x05, 0xBA, 0xBE}));
  ControllerState expected;
  expected.wheels[0] = {3, 2};
  expected.wheels[1] = {0, 4};
  expected.wheels[2] = {5, 0};
  expected.shutters[1].state = ShutterState::kOpen;
  EXPECT_EQ(controller->state(), expected);
  EXPECT_EQ(w.filterC.text, "Filter 5");
  EXPECT_EQ(w.shutterBstatus.text, "Open");
  EXPECT_EQ(w.otherCommand.indexOfSelectedItem(), 0);

  w.otherCommand.choose(9);
  EXPECT_EQ(Send(), "189       0xBD\n190       0xBE\n13         0xD\n" + kSeparatorLine);
  EXPECT_EQ(TakeReceived(), (Bytes{0xBD, 0xBE}));
  EXPECT_EQ(controller->state(), expected);
}

}  // namespace
