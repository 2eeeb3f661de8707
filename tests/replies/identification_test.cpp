// Identification from the first configuration or status reply, and the
// window's reshaping on each path.
#include "identification.h"

#include <initializer_list>
#include <string>
#include <utility>

#include "configuration_echo.h"
#include "layout_items.h"
#include "reply_test_support.h"

namespace {

// ---- Which variant a status reply names -------------------------------------

struct StatusRuleCase {
  const char* name;
  Bytes reply;
  int32_t variant;
};

void PrintTo(const StatusRuleCase& c, std::ostream* os) { *os << c.name; }

class StatusRuleTest : public ReplyTest, public ::testing::WithParamInterface<StatusRuleCase> {};

TEST_P(StatusRuleTest, BytesOneAndTwoNameTheVariantFirstMatchWins) {
  const StatusRuleCase& c = GetParam();
  IdentifyFromStatusReply(c.reply, cycle, w.controller);
  EXPECT_EQ(itype, c.variant);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, StatusRuleTest,
    ::testing::Values(StatusRuleCase{"ShutterStatesUpToDA", {0xCC, 0xAA, 0xDA, 0x0D}, kDuoShutterShutter},
                      StatusRuleCase{"ShutterBClosed", {0xCC, 0xAC, 0xBC, 0x0D}, kDuoShutterShutter},
                      StatusRuleCase{"StateThenModeDB", {0xCC, 0xAA, 0xDB, 0x0D}, kMono},
                      StatusRuleCase{"StateThenFF", {0xCC, 0xAB, 0xFF, 0x0D}, kMono},
                      StatusRuleCase{"WheelThenState", {0xCC, 0xA9, 0xAC, 0x0D}, kDuoWheelShutter},
                      StatusRuleCase{"NeitherIsAState", {0xCC, 0xAD, 0xAD, 0x0D}, kTriad},
                      StatusRuleCase{"NoClosingByte", {0xCC, 0xAC, 0xBC}, kDuoShutterShutter},
                      // Too short to hold bytes 1 and 2: nothing to tell the variant by.
                      StatusRuleCase{"OnlyByteOne", {0xCC, 0xAA, 0x0D}, kUnknown},
                      StatusRuleCase{"ClosingByteIsNoSetting", {0xCC, 0x0D, 0x0D}, kUnknown},
                      StatusRuleCase{"EchoOnly", {0xCC}, kUnknown}),
    CaseName());

TEST_F(ReplyTest, AStatusReplyTooShortToIdentifyLeavesTheWindowAsItWas) {
  IdentifyFromStatusReply(Bytes{0xCC, 0xAA, 0x0D}, cycle, w.controller);
  EXPECT_EQ(itype, kUnknown);
  EXPECT_EQ(w.controllerTitle.title, "");
  EXPECT_EQ(w.otherCommand.numberOfItems(), 24);
  EXPECT_EQ(HiddenControls(w), std::set<std::string>{});
  ExpectCapture(cycle.capture, {});
}

TEST_F(ReplyTest, TheFirstIdentificationStandsForTheRestOfTheRun) {
  IdentifyFromStatusReply(Bytes{0xCC, 0x00, 0x80, 0x0D}, cycle, w.controller);
  ASSERT_EQ(itype, kTriad);
  const std::vector<std::string> triadCommands = w.otherCommand.items;

  IdentifyFromStatusReply(Bytes{0xCC, 0xAC, 0xDC, 0x0D}, cycle, w.controller);
  HandleConfigurationReply(Bytes{0xFD, '0', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 0x0D}, cycle,
                           w.controller);
  EXPECT_EQ(itype, kTriad);
  EXPECT_EQ(w.controllerTitle.title, "Korvel Triad Controller:");
  EXPECT_EQ(w.otherCommand.items, triadCommands);
  EXPECT_FALSE(w.filterA.hidden);
}

// ---- The window after identification ---------------------------------------

const Bytes kTriadConfiguration = [] {
  Bytes reply(31, 'x');
  reply.front() = 0xFD;
  reply.back() = 0x0D;
  return reply;
}();
const Bytes kDuoWheelShutterConfiguration = {0xFD, '1', 'W', '1', 'S', ' ', 'D', 'u', 'o', ' ', '1', '.', '0', 0x0D};
const Bytes kMonoConfiguration = {0xFD, 'M', 'o', 'n', 'o', ' ', 'f', 'w', ' ', '1', '.', '0', '7', 0x0D};
const Bytes kDuoShutterShutterConfiguration = {0xFD, '2', 'S', ' ', 'D', 'u', 'o', ' ',
                                               'f',  'w', ' ', '1', '.', '0', '7', 0x0D};

const Bytes kTriadStatus = {0xCC, 0x00, 0x80, 0x00, 0x00, 0xAC, 0xBC, 0xDC, 0x01, 0xDC, 0x02, 0x0D};
const Bytes kDuoWheelShutterStatus = {0xCC, 0x00, 0xAC, 0xDC, 0x0D};
const Bytes kDuoShutterShutterStatus = {0xCC, 0xAC, 0xBC, 0xDC, 0x01, 0xDC, 0x02, 0x0D};
const Bytes kMonoStatus = {0xCC, 0xAC, 0xDC, 0x00, 0xA0, 0xB0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0, 0, 0x0D};

// The prompt, then the layout's command entries first to last of each range.
std::vector<std::string> Commands(const char* prompt, std::initializer_list<std::pair<int, int>> ranges) {
  std::vector<std::string> items{prompt};
  for (const auto& [first, last] : ranges) {
    for (int i = first; i <= last; ++i) items.push_back(kOtherCommandItems[static_cast<std::size_t>(i)]);
  }
  return items;
}

std::set<std::string> Names(std::initializer_list<std::set<std::string>> groups) {
  std::set<std::string> names;
  for (const auto& group : groups) names.insert(group.begin(), group.end());
  return names;
}

const std::set<std::string> kTimerControls = {"repeatNumber", "timerType", "hourText",    "tHour",
                                              "minuteText",   "tMinute",   "secondsText", "tSecond",
                                              "msecondsText", "tMsecond",  "tenthmsText", "tTenthmsecond"};
const std::set<std::string> kWheelBCAndShutterBControls = {
    "wheelBText",       "wheelCText",        "filterBText",    "filterCText",  "speedBText",   "speedCText",
    "filterB",          "filterC",           "speedB",         "speedC",       "shutterBText", "shutterBstatusText",
    "shutterBmodeText", "shutterBstepsText", "shutterBstatus", "shutterBmode", "shutterBsteps"};
const std::set<std::string> kMonoHidden = {"wheelAText",
                                           "wheelBText",
                                           "wheelCText",
                                           "filterAText",
                                           "filterBText",
                                           "filterCText",
                                           "filterA",
                                           "filterB",
                                           "filterC",
                                           "speedAText",
                                           "speedBText",
                                           "speedCText",
                                           "speedA",
                                           "speedB",
                                           "speedC",
                                           "shutterBText",
                                           "shutterBstatusText",
                                           "shutterBstatus",
                                           "shutterBmodeText",
                                           "shutterBmode",
                                           "shutterBstepsText",
                                           "shutterBsteps"};
const std::set<std::string> kWheelLists = {"filterA", "speedA", "filterB", "speedB", "filterC", "speedC"};

const std::vector<CapturedValue> kTimerValuesCleared = {
    InSetting(kRepeatNumber, 0), InSetting(kTHour, 0),         InSetting(kTMinute, 0),  InSetting(kTSecond, 0),
    InSetting(kTMsecond, 0),     InSetting(kTTenthmsecond, 0), InSetting(kTimerType, 0)};

const std::vector<CapturedValue> kShutterBCleared = {InSetting(kShutterBstatus, 0), InSetting(kShutterBmode, 0),
                                                     InSetting(kShutterBsteps, 0)};
const std::vector<CapturedValue> kWheelsBCCleared = {InWheel(kFilterB, 0), InWheel(kSpeedB, 0), InWheel(kFilterC, 0),
                                                     InWheel(kSpeedC, 0)};
const std::vector<CapturedValue> kWheelsCleared = {InWheel(kFilterA, 0), InWheel(kSpeedA, 0),  InWheel(kFilterB, 0),
                                                   InWheel(kSpeedB, 0),  InWheel(kFilterC, 0), InWheel(kSpeedC, 0)};

constexpr char kWheelOrShutter[] = "Go to Wheel or Shutter Selection";
constexpr char kShutterOnly[] = "Go to Shutter Selection";
constexpr char kMonoPrompt[] = "Go to Repeat Number, Timer or Shutter Selection";

struct WindowShape {
  int32_t variant;
  const char* title;
  std::vector<std::string> commands;
  std::set<std::string> hidden;
  std::set<std::string> gray;
  ListCounts counts;
  int32_t shutterBstatusItems;
  bool shutterBstepsEditable;
  const char* sectionTitles[2];  // freerunText, timerText
  const char* shutterATitle;
  std::vector<CapturedValue> cleared;
};

struct ShapeCase {
  const char* name;
  Bytes reply;
  WindowShape shape;
};

void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.name; }

class WindowShapeTest : public ReplyTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(WindowShapeTest, IdentifiesAndReshapesTheWindowForTheVariant) {
  const ShapeCase& c = GetParam();
  if (c.reply.front() == 0xFD) {
    HandleConfigurationReply(c.reply, cycle, w.controller);
  } else {
    IdentifyFromStatusReply(c.reply, cycle, w.controller);
  }
  const WindowShape& s = c.shape;
  EXPECT_EQ(itype, s.variant);
  EXPECT_EQ(w.controllerTitle.title, s.title);
  EXPECT_EQ(w.otherCommand.items, s.commands);
  EXPECT_EQ(HiddenControls(w), s.hidden);
  EXPECT_EQ(GrayControls(w), s.gray);
  EXPECT_EQ(CountsOf(w), s.counts);
  EXPECT_EQ(w.shutterBstatus.numberOfItems(), s.shutterBstatusItems);
  EXPECT_EQ(w.shutterBsteps.editable, s.shutterBstepsEditable);
  EXPECT_EQ(w.freerunText.title, s.sectionTitles[0]);
  EXPECT_EQ(w.timerText.title, s.sectionTitles[1]);
  EXPECT_EQ(w.shutterAText.title, s.shutterATitle);
  ExpectCapture(cycle.capture, s.cleared);
}

constexpr ListCounts kLayoutCounts{};
constexpr ListCounts kWheelsBCEmptied{.filterB = 1, .speedB = 1, .filterC = 1, .speedC = 1, .shutterBmode = 1};
constexpr ListCounts kWheelsEmptied{.filterA = 1, .speedA = 1, .filterB = 1, .speedB = 1, .filterC = 1, .speedC = 1};

// The Triad and the Mono get the same window from either reply.
const WindowShape kTriadShape{kTriad,
                              "Korvel Triad Controller:",
                              Commands(kWheelOrShutter, {{1, 9}}),
                              kTimerControls,
                              {},
                              kLayoutCounts,
                              3,
                              true,
                              {"Wheel Selection:", "Shutter Selection:"},
                              "",
                              kTimerValuesCleared};
// The Mono keeps its timers, the section titles and its wheel values.
const WindowShape kMonoShape{kMono,
                             "Korvel Mono Controller:",
                             Commands(kMonoPrompt, {{1, 7}, {10, 23}}),
                             kMonoHidden,
                             {},
                             kLayoutCounts,
                             3,
                             true,
                             {"", ""},
                             "Shutter:",
                             kShutterBCleared};

INSTANTIATE_TEST_SUITE_P(
    Variants, WindowShapeTest,
    ::testing::Values(ShapeCase{"TriadByConfiguration", kTriadConfiguration, kTriadShape},
                      ShapeCase{"TriadByStatus", kTriadStatus, kTriadShape},
                      // Wheels B and C and shutter B go out of sight, lists and values as they were.
                      ShapeCase{"DuoWheelShutterByConfiguration",
                                kDuoWheelShutterConfiguration,
                                {kDuoWheelShutter,
                                 "Korvel Duo Controller - Wheel/Shutter:",
                                 Commands(kWheelOrShutter, {{1, 7}}),
                                 Names({kTimerControls, kWheelBCAndShutterBControls}),
                                 {},
                                 kLayoutCounts,
                                 3,
                                 true,
                                 {"Wheel Selection:", "Shutter Selection:"},
                                 "",
                                 Join({kShutterBCleared, kTimerValuesCleared})}},
                      // They stay in sight, emptied and grey.
                      ShapeCase{"DuoWheelShutterByStatus",
                                kDuoWheelShutterStatus,
                                {kDuoWheelShutter,
                                 "Korvel Duo Controller - Wheel/Shutter:",
                                 Commands(kWheelOrShutter, {{1, 7}}),
                                 kTimerControls,
                                 {"filterB", "speedB", "filterC", "speedC", "shutterBstatus", "shutterBmode",
                                  "shutterBsteps"},
                                 kWheelsBCEmptied,
                                 0,
                                 false,
                                 {"Wheel Selection:", "Shutter Selection:"},
                                 "",
                                 Join({kWheelsBCCleared, kShutterBCleared, kTimerValuesCleared})}},
                      ShapeCase{"DuoShutterShutterByConfiguration",
                                kDuoShutterShutterConfiguration,
                                {kDuoShutterShutter,
                                 "Korvel Duo Controller - Shutter/Shutter:",
                                 Commands(kShutterOnly, {{1, 7}}),
                                 Names({kTimerControls, {"timerText"}}),
                                 kWheelLists,
                                 kWheelsEmptied,
                                 3,
                                 true,
                                 {"Wheel Selection:", "Shutter Selection:"},
                                 "",
                                 Join({kWheelsCleared, kTimerValuesCleared})}},
                      ShapeCase{"DuoShutterShutterByStatus",
                                kDuoShutterShutterStatus,
                                {kDuoShutterShutter,
                                 "Korvel Duo Controller - Shutter/Shutter:",
                                 Commands(kShutterOnly, {{1, 7}}),
                                 kTimerControls,
                                 kWheelLists,
                                 kWheelsEmptied,
                                 3,
                                 true,
                                 {"Wheel Selection:", "Shutter Selection:"},
                                 "",
                                 Join({kWheelsCleared, kTimerValuesCleared})}},
                      ShapeCase{"MonoByConfiguration", kMonoConfiguration, kMonoShape},
                      ShapeCase{"MonoByStatus", kMonoStatus, kMonoShape}),
    CaseName());

}  // namespace
