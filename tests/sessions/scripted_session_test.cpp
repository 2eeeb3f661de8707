// Scripted sessions: an operator identifies the controller with a status
// query, then works through its devices one send at a time; at the end the
// controller holds what the operator chose, and the window shows it, also
// after a last status query reports it back.
#include <functional>
#include <string>
#include <vector>

#include "session_fixture.h"

namespace {

using emulator::ControllerState;
using emulator::ShutterState;
using emulator::Variant;

struct Step {
  const char* what;
  std::function<void(MemoryWindow&)> operatorDoes;
  Bytes command;
};

class ScriptedSessionTest : public SessionTest {
 protected:
  // Each step is one send, answered with the command's echo and the closing
  // byte.
  void Run(const std::vector<Step>& script) {
    for (const Step& step : script) {
      SCOPED_TRACE(step.what);
      step.operatorDoes(w);
      const std::string log = Send();
      EXPECT_EQ(TakeReceived(), step.command);
      // No message, and a reply that closed.
      EXPECT_EQ(log.find("** "), std::string::npos) << log;
      EXPECT_TRUE(log.ends_with("13         0xD\n" + kSeparatorLine)) << log;
    }
  }
};

TEST_F(ScriptedSessionTest, TriadWheelsAndShutters) {
  ASSERT_NO_FATAL_FAILURE(Connect(Variant::kTriad));
  QueryStatus();
  Run({
      {"wheel A to filter 4, speed 1",
       [](MemoryWindow& w) {
         w.filterA.choose(4);
         w.speedA.choose(1);
       },
       {0x14}},
      {"wheel B to filter 7, speed 3",
       [](MemoryWindow& w) {
         w.filterB.choose(7);
         w.speedB.choose(3);
       },
       {0xB7}},
      {"wheel C to filter 9, speed 5",
       [](MemoryWindow& w) {
         w.filterC.choose(9);
         w.speedC.choose(5);
       },
       {0xFC, 0x59}},
      {"wheel A faster", [](MemoryWindow& w) { w.speedA.choose(6); }, {0x64}},
      {"open shutter A", [](MemoryWindow& w) { w.shutterAstatus.choose(1); }, {0xAA}},
      {"open shutter B", [](MemoryWindow& w) { w.shutterBstatus.choose(1); }, {0xBA}},
      {"close shutter A", [](MemoryWindow& w) { w.shutterAstatus.choose(0); }, {0xAC}},
      {"close shutter B", [](MemoryWindow& w) { w.shutterBstatus.choose(0); }, {0xBC}},
      {"open shutter B on condition", [](MemoryWindow& w) { w.shutterBstatus.choose(2); }, {0xBB}},
  });

  ControllerState expected;
  expected.wheels = {{{4, 6}, {7, 3}, {9, 5}}};
  expected.shutters[1].state = ShutterState::kOpenConditional;
  EXPECT_EQ(controller->state(), expected);

  const auto shown = [this] {
    EXPECT_EQ(w.filterA.text, "Filter 4");
    EXPECT_EQ(w.speedA.text, "Speed 6");
    EXPECT_EQ(w.filterB.text, "Filter 7");
    EXPECT_EQ(w.speedB.text, "Speed 3");
    EXPECT_EQ(w.filterC.text, "Filter 9");
    EXPECT_EQ(w.speedC.text, "Speed 5");
    EXPECT_EQ(w.shutterAstatus.text, "Close");
    EXPECT_EQ(w.shutterBstatus.text, "Open conditional");
  };
  shown();
  w.statusView.text.clear();
  QueryStatus();
  shown();
  EXPECT_NE(w.statusView.text.find("- Wheel C :              Filter 9;    Speed 5\n"), std::string::npos)
      << w.statusView.text;
  EXPECT_EQ(controller->state(), expected);
}

TEST_F(ScriptedSessionTest, MonoTimersAndRepeatNumber) {
  ASSERT_NO_FATAL_FAILURE(Connect(Variant::kMono));
  QueryStatus();
  // The status reply leaves the time fields on the exposure timer.
  ASSERT_EQ(w.timerType.text, "Exposure time");
  Run({
      {"switch to the closed timer", [](MemoryWindow& w) { w.timerType.choose(0); },
       {0xFA, 0x10, 0x00, 0x00, 0x00, 0x00}},
      {"closed time 1 h 2 min 3 s 456.7 ms",
       [](MemoryWindow& w) {
         w.tHour.type("1");
         w.tMinute.type("2");
         w.tSecond.type("3");
         w.tMsecond.type("456");
         w.tTenthmsecond.type("7");
       },
       {0xFA, 0x11, 0x02, 0x03, 0x45, 0x67}},
      {"switch to the exposure timer", [](MemoryWindow& w) { w.timerType.choose(1); },
       {0xFA, 0x21, 0x02, 0x03, 0x45, 0x67}},
      {"exposure time 90 min more, carried into the hours",
       [](MemoryWindow& w) {
         w.tMinute.type("90");
         w.tSecond.type("");
         w.tMsecond.type("5");
         w.tTenthmsecond.type("");
       },
       {0xFA, 0x22, 0x1E, 0x00, 0x00, 0x50}},
      {"repeat number 10", [](MemoryWindow& w) { w.repeatNumber.type("10"); }, {0xFA, 0xF0, 0x00, 0x0A}},
      {"repeat without end", [](MemoryWindow& w) { w.repeatNumber.type("continuous"); }, {0xFA, 0xF0, 0xFF, 0xFF}},
  });

  ControllerState expected;
  expected.closedTime = {0x11, 0x02, 0x03, 0x45, 0x67};
  expected.exposureTime = {0x22, 0x1E, 0x00, 0x00, 0x50};
  expected.repeatNumber = 0xFFFF;
  EXPECT_EQ(controller->state(), expected);

  const auto shown = [this] {
    EXPECT_EQ(w.timerType.text, "Exposure time");
    EXPECT_EQ(w.tHour.text, "2");
    EXPECT_EQ(w.tMinute.text, "30");
    EXPECT_EQ(w.tSecond.text, "");
    EXPECT_EQ(w.tMsecond.text, "5");
    EXPECT_EQ(w.tTenthmsecond.text, "");
    EXPECT_EQ(w.repeatNumber.text, "Continuous");
  };
  shown();
  w.statusView.text.clear();
  QueryStatus();
  shown();
  EXPECT_NE(w.statusView.text.find("- Shutter Closed Time :       1 hrs : 2 mins : 3 s : 456.7 ms\n"),
            std::string::npos)
      << w.statusView.text;
  EXPECT_NE(w.statusView.text.find("- Shutter Free Run :            Repeat Number is 65535\n"), std::string::npos)
      << w.statusView.text;
  EXPECT_EQ(controller->state(), expected);
}

}  // namespace
