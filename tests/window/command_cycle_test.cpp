// The command cycle on the in-memory window, with the test playing the
// controller on a pseudo-terminal.
#include "command_cycle.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "window_line_fixture.h"

namespace {

const std::string kSeparatorLine = std::string(40, '*') + "\n";
const std::string kIgnored = "** Command Ignored **\nCurrently controller is on Local mode.\n";
const std::string kStatusFirst = "** Please send status command(CC)\n    first, then try again. **\n";

class CommandCycleTest : public WindowLineTest {
 protected:
  // One cycle against a controller that answers the expected command with its
  // echo and the closing byte; returns the bytes that reached the controller.
  Bytes SendAnswered(const Bytes& command) {
    Bytes reply = command;
    reply.push_back(0x0D);
    CannedReply controller(line, command.size(), reply);
    w.controller.communicate();
    return controller.Received();
  }

  // One cycle that should send nothing.
  void SendNothing() {
    w.controller.communicate();
    EXPECT_EQ(line.pending(), Bytes{}) << "a command went out";
  }
};

// ---- Cycles that send nothing -------------------------------------------------

TEST_F(CommandCycleTest, NothingChangedLogsTheSeparatorAndReturnsTheFocusToTheCommandList) {
  AttachLine();
  w.tMinute.type("0");  // reads as the remembered 0
  SendNothing();
  EXPECT_EQ(w.receivedView.text, kSeparatorLine);
  EXPECT_FALSE(w.receivedView.editable);
  EXPECT_EQ(w.statusView.text, "");
  EXPECT_EQ(w.tMinute.text, "") << "0 is shown as the empty text";
  EXPECT_EQ(w.focus.control, &w.otherCommand);
  EXPECT_TRUE(w.otherCommand.textSelected);

  SendNothing();
  EXPECT_EQ(w.receivedView.text, kSeparatorLine + kSeparatorLine);
}

TEST_F(CommandCycleTest, RemembersIndicesTheListsDoNotHoldWithoutSendingThem) {
  AttachLine();
  // As a decoded status reply leaves them: a wheel position past the list,
  // and a list cut to its not-connected entry.
  icomm0[kFilterA] = 12;
  icomm0[kSpeedB] = 3;
  w.speedB.items = {"Not connected"};
  w.filterA.selectItemAtIndex(12);
  w.speedB.selectItemAtIndex(3);

  SendNothing();
  SendNothing();
  EXPECT_EQ(w.filterA.indexOfSelectedItem(), 12);
  EXPECT_EQ(w.speedB.indexOfSelectedItem(), 3);
  EXPECT_EQ(icomm0[kFilterA], 12);
  EXPECT_EQ(w.receivedView.text, kSeparatorLine + kSeparatorLine);
}

// ---- The reply echo -----------------------------------------------------------

struct EchoCase {
  const char* what;
  MemoryComboBox MemoryWindow::*list;
  int32_t item;
  Bytes command;
  std::string echo;
};

class ReplyEchoCycleTest : public CommandCycleTest, public ::testing::WithParamInterface<EchoCase> {};

TEST_P(ReplyEchoCycleTest, EchoesEveryReplyByteThenTheSeparator) {
  const EchoCase& c = GetParam();
  AttachLine();
  (w.*c.list).choose(c.item);
  EXPECT_EQ(SendAnswered(c.command), c.command);
  EXPECT_EQ(w.receivedView.text, c.echo + kSeparatorLine);
  EXPECT_EQ((w.*c.list).indexOfSelectedItem(), c.item);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyEchoCycleTest,
    ::testing::Values(EchoCase{"OneDigit", &MemoryWindow::filterA, 5, {0x05}, "5           0x5\n13         0xD\n"},
                      EchoCase{"TwoDigits", &MemoryWindow::speedA, 2, {0x20}, "32         0x20\n13         0xD\n"},
                      EchoCase{"ThreeDigits", &MemoryWindow::filterB, 3, {0x83}, "131       0x83\n13         0xD\n"},
                      EchoCase{"TwoByteCommand", &MemoryWindow::filterC, 9, {0xFC, 0x09},
                               "252       0xFC\n9           0x9\n13         0xD\n"}),
    [](const auto& info) { return std::string(info.param.what); });

// ---- What is sent, and what is remembered -------------------------------------

TEST_F(CommandCycleTest, AWheelMoveIsSentOnceAndRemembered) {
  AttachLine();
  w.filterA.choose(3);
  w.speedA.choose(2);
  EXPECT_EQ(SendAnswered({0x23}), Bytes{0x23});
  EXPECT_EQ(mycomm[1], 0x0A) << "end marker after the command";
  EXPECT_EQ(icomm0[kFilterA], 3);
  EXPECT_EQ(icomm0[kSpeedA], 2);
  EXPECT_EQ(w.filterA.text, "Filter 3");
  EXPECT_EQ(w.speedA.text, "Speed 2");

  SendNothing();
}

struct OneCommandCase {
  const char* what;
  std::function<void(MemoryWindow&)> operatorDoes;
  Bytes sent;
};

class OneCommandPerCycleTest : public CommandCycleTest, public ::testing::WithParamInterface<OneCommandCase> {};

// Whatever else changed is remembered as it stands, and not sent later.
TEST_P(OneCommandPerCycleTest, SendsTheFirstChangeAndRemembersTheRest) {
  AttachLine();
  GetParam().operatorDoes(w);
  EXPECT_EQ(SendAnswered(GetParam().sent), GetParam().sent);
  const std::string afterFirst = w.receivedView.text;
  SendNothing();
  EXPECT_EQ(w.receivedView.text, afterFirst + kSeparatorLine);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, OneCommandPerCycleTest,
    ::testing::Values(OneCommandCase{"SettingBeforeWheel",
                                     [](MemoryWindow& w) {
                                       w.filterA.choose(3);
                                       w.shutterAstatus.choose(1);
                                     },
                                     {0xAA}},
                      OneCommandCase{"LowerSettingFirst",
                                     [](MemoryWindow& w) {
                                       w.shutterBstatus.choose(1);
                                       w.shutterAstatus.choose(2);
                                     },
                                     {0xAB}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(CommandCycleTest, ARefusedSettingLetsTheWheelMoveInTheSameCycle) {
  AttachLine();
  w.otherCommand.choose(8);  // needs the status reply first
  w.filterA.choose(3);
  EXPECT_EQ(SendAnswered({0x03}), Bytes{0x03});
  EXPECT_EQ(w.receivedView.text, kStatusFirst + "3           0x3\n13         0xD\n" + kSeparatorLine);
  EXPECT_EQ(w.otherCommand.indexOfSelectedItem(), 0);
}

TEST_F(CommandCycleTest, ARefusedChangeIsRememberedAndNotTriedAgain) {
  AttachLine();
  w.shutterAmode.choose(1);  // the mode list is not set up before the status reply
  SendNothing();
  EXPECT_EQ(w.receivedView.text, kStatusFirst + kSeparatorLine);
  EXPECT_EQ(scomm0[kShutterAmode], 1);
  EXPECT_EQ(w.shutterAmode.text, "Soft");
  SendNothing();
  EXPECT_EQ(w.receivedView.text, kStatusFirst + kSeparatorLine + kSeparatorLine);
}

TEST_F(CommandCycleTest, AGeneralCommandIsSentEachTimeItIsChosen) {
  AttachLine();
  for (int round = 0; round < 2; ++round) {
    w.otherCommand.choose(3);
    EXPECT_EQ(SendAnswered({0xEF}), Bytes{0xEF}) << "round " << round;
    EXPECT_EQ(scomm0[kOtherCommand], 0);
    EXPECT_EQ(w.otherCommand.text, w.otherCommand.items[0]);
  }
}

TEST_F(CommandCycleTest, CommandBytesEqualToTheEndMarkerAreSent) {
  AttachLine();
  w.repeatNumber.type("10");
  EXPECT_EQ(SendAnswered({0xFA, 0xF0, 0x00, 0x0A}), (Bytes{0xFA, 0xF0, 0x00, 0x0A}));
  EXPECT_EQ(mycomm[4], 0x0A);
  EXPECT_EQ(w.receivedView.text, "250       0xFA\n240       0xF0\n0           0x0\n10         0xA\n13         0xD\n" +
                                     kSeparatorLine);
  EXPECT_EQ(w.repeatNumber.text, "10");
}

struct RepeatCase {
  const char* typed;
  Bytes sent;
  const char* shown;
  int32_t remembered;
};

class RepeatNumberCycleTest : public CommandCycleTest, public ::testing::WithParamInterface<RepeatCase> {};

TEST_P(RepeatNumberCycleTest, AFreeRunWithoutEndIsShownAsContinuous) {
  const RepeatCase& c = GetParam();
  AttachLine();
  w.repeatNumber.type(c.typed);
  EXPECT_EQ(SendAnswered(c.sent), c.sent);
  EXPECT_EQ(w.repeatNumber.text, c.shown);
  EXPECT_EQ(scomm0[kRepeatNumber], c.remembered);
  SendNothing();
  EXPECT_EQ(w.repeatNumber.text, c.shown);
}

INSTANTIATE_TEST_SUITE_P(Texts, RepeatNumberCycleTest,
                         ::testing::Values(RepeatCase{"CONTINUOUS", {0xFA, 0xF0, 0xFF, 0xFF}, "Continuous", 65535},
                                           RepeatCase{"70000", {0xFA, 0xF0, 0xFF, 0xFF}, "Continuous", 65535},
                                           RepeatCase{"65001", {0xFA, 0xF0, 0xFF, 0xFF}, "Continuous", 65535},
                                           RepeatCase{"65000", {0xFA, 0xF0, 0xFD, 0xE8}, "65000", 65000}));

TEST_F(CommandCycleTest, ATimerTypeWithoutSelectionIsSentAndRememberedAsNone) {
  AttachLine();
  w.timerType.type("neither");
  // The timer command with the type -1: hours alone in the first time byte.
  EXPECT_EQ(SendAnswered({0xFA, 0x00, 0x00, 0x00, 0x00, 0x00}), (Bytes{0xFA, 0x00, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(scomm0[kTimerType], -1);
  EXPECT_EQ(w.timerType.indexOfSelectedItem(), -1);
  EXPECT_EQ(w.timerType.text, "");
  SendNothing();
  EXPECT_EQ(w.timerType.indexOfSelectedItem(), -1);
}

// ---- No reply -----------------------------------------------------------------

struct NoReplyCase {
  const char* what;
  bool portOpen;
  Bytes sent;
  std::string logged;  // before the separator
};

class NoReplyTest : public CommandCycleTest, public ::testing::WithParamInterface<NoReplyCase> {};

TEST_P(NoReplyTest, TheWindowReturnsToThePreviousValues) {
  if (GetParam().portOpen) AttachLine();
  // As the last answered cycle left the window.
  icomm0[kFilterA] = 2;
  scomm0[kRepeatNumber] = 5;
  w.filterA.choose(2);
  w.repeatNumber.type("5");

  w.filterA.choose(4);
  w.repeatNumber.type("7");
  w.otherCommand.type("typed");
  w.controller.communicate();

  EXPECT_EQ(line.pending(), GetParam().sent);
  EXPECT_EQ(w.receivedView.text, GetParam().logged + kSeparatorLine);
  EXPECT_EQ(icomm0[kFilterA], 2);
  EXPECT_EQ(scomm0[kRepeatNumber], 5);
  EXPECT_EQ(w.filterA.indexOfSelectedItem(), 2);
  EXPECT_EQ(w.filterA.text, "Filter 2");
  EXPECT_EQ(w.repeatNumber.text, "5");
  EXPECT_EQ(w.otherCommand.indexOfSelectedItem(), 0);
  EXPECT_EQ(w.focus.control, &w.otherCommand);
}

INSTANTIATE_TEST_SUITE_P(Lines, NoReplyTest,
                         ::testing::Values(NoReplyCase{"PortNotOpen", false, {}, "not sent: no port is open\n"},
                                           NoReplyCase{"ControllerSilent", true, {0xFA, 0xF0, 0x00, 0x07}, kIgnored}),
                         [](const auto& info) { return std::string(info.param.what); });

}  // namespace
