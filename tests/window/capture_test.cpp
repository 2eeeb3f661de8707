#include "capture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "cycle_state.h"
#include "memory_window.h"

namespace {

struct CaptureCase {
  const char* what;
  std::function<void(MemoryWindow&)> operatorDoes;
  bool wheel;  // which part of the capture the field is in
  int field;
  int32_t expected;
};

class CaptureTest : public ::testing::TestWithParam<CaptureCase> {};

// Every other field keeps the value of the untouched window: 0.
TEST_P(CaptureTest, ReadsTheChangedControlIntoItsFieldOnly) {
  const CaptureCase& c = GetParam();
  MemoryWindow w;
  c.operatorDoes(w);
  const Capture capture = CaptureControls(w.controller);
  for (int i = 0; i < kWheelFields; ++i) {
    EXPECT_EQ(capture.wheel[i], c.wheel && i == c.field ? c.expected : 0) << "wheel field " << i;
  }
  for (int i = 0; i < kSettingFields; ++i) {
    EXPECT_EQ(capture.setting[i], !c.wheel && i == c.field ? c.expected : 0) << "setting field " << i;
  }
}

CaptureCase Wheel(const char* what, MemoryComboBox MemoryWindow::*list, int field, int32_t index) {
  return {what, [=](MemoryWindow& w) { (w.*list).choose(index); }, true, field, index};
}

CaptureCase Setting(const char* what, std::function<void(MemoryWindow&)> action, int field, int32_t expected) {
  return {what, std::move(action), false, field, expected};
}

INSTANTIATE_TEST_SUITE_P(
    Controls, CaptureTest,
    ::testing::Values(
        Wheel("filterA", &MemoryWindow::filterA, kFilterA, 3), Wheel("speedA", &MemoryWindow::speedA, kSpeedA, 2),
        Wheel("filterB", &MemoryWindow::filterB, kFilterB, 9), Wheel("speedB", &MemoryWindow::speedB, kSpeedB, 7),
        Wheel("filterC", &MemoryWindow::filterC, kFilterC, 10), Wheel("speedC", &MemoryWindow::speedC, kSpeedC, 8),
        Setting("otherCommand", [](MemoryWindow& w) { w.otherCommand.choose(23); }, kOtherCommand, 23),
        Setting("shutterAstatus", [](MemoryWindow& w) { w.shutterAstatus.choose(1); }, kShutterAstatus, 1),
        Setting("shutterAmode", [](MemoryWindow& w) { w.shutterAmode.choose(2); }, kShutterAmode, 2),
        Setting("shutterBstatus", [](MemoryWindow& w) { w.shutterBstatus.choose(2); }, kShutterBstatus, 2),
        Setting("shutterBmode", [](MemoryWindow& w) { w.shutterBmode.choose(3); }, kShutterBmode, 3),
        Setting("shutterAsteps", [](MemoryWindow& w) { w.shutterAsteps.type("144"); }, kShutterAsteps, 144),
        Setting("shutterBsteps", [](MemoryWindow& w) { w.shutterBsteps.type("-5"); }, kShutterBsteps, -5),
        Setting("repeatNumber", [](MemoryWindow& w) { w.repeatNumber.type("300"); }, kRepeatNumber, 300),
        Setting("tHour", [](MemoryWindow& w) { w.tHour.type("5"); }, kTHour, 5),
        Setting("tMinute", [](MemoryWindow& w) { w.tMinute.type("90"); }, kTMinute, 90),
        Setting("tSecond", [](MemoryWindow& w) { w.tSecond.type("59"); }, kTSecond, 59),
        Setting("tMsecond", [](MemoryWindow& w) { w.tMsecond.type("1500"); }, kTMsecond, 1500),
        Setting("tTenthmsecond", [](MemoryWindow& w) { w.tTenthmsecond.type("7"); }, kTTenthmsecond, 7),
        Setting("timerType", [](MemoryWindow& w) { w.timerType.choose(1); }, kTimerType, 1),
        // No selection counts as item 0, except in timerType.
        Setting("timerType typed", [](MemoryWindow& w) { w.timerType.type("later"); }, kTimerType, -1),
        Setting("every other list typed",
                [](MemoryWindow& w) {
                  for (MemoryComboBox* list : {&w.filterA, &w.speedA, &w.filterB, &w.speedB, &w.filterC, &w.speedC,
                                               &w.otherCommand, &w.shutterAstatus, &w.shutterAmode,
                                               &w.shutterBstatus, &w.shutterBmode}) {
                    list->type("?");
                  }
                },
                kOtherCommand, 0),
        // Only -1 is turned into 0: an index past the list, or another negative
        // one that a decoded status reply left, is read as it is.
        CaptureCase{"filterB negative", [](MemoryWindow& w) { w.filterB.selectItemAtIndex(-3); }, true, kFilterB, -3},
        Setting("shutterBmode past its list", [](MemoryWindow& w) { w.shutterBmode.selectItemAtIndex(12); },
                kShutterBmode, 12)),
    [](const auto& info) {
      std::string name = info.param.what;
      for (char& ch : name) if (ch == ' ') ch = '_';
      return name;
    });

struct RepeatCase {
  const char* typed;
  int32_t expected;
};

class RepeatNumberCaptureTest : public ::testing::TestWithParam<RepeatCase> {};

TEST_P(RepeatNumberCaptureTest, ReadsTheWordContinuousInAnyCaseElseTheNumber) {
  MemoryWindow w;
  w.repeatNumber.type(GetParam().typed);
  EXPECT_EQ(CaptureControls(w.controller).setting[kRepeatNumber], GetParam().expected) << '"' << GetParam().typed << '"';
}

INSTANTIATE_TEST_SUITE_P(Texts, RepeatNumberCaptureTest,
                         ::testing::Values(RepeatCase{"continuous", 65535}, RepeatCase{"Continuous", 65535},
                                           RepeatCase{"CONTINUOUS", 65535}, RepeatCase{"cOnTiNuOuS", 65535},
                                           RepeatCase{" continuous", 0}, RepeatCase{"continuous ", 0},
                                           RepeatCase{"continuously", 0}, RepeatCase{"continuou", 0},
                                           RepeatCase{"70000", 70000}, RepeatCase{"99999999999", 2147483647},
                                           RepeatCase{"-3", -3}, RepeatCase{"", 0}));

}  // namespace
