// Bad input on a Triad: the step fields, and every list with no selection or
// with an index it does not hold. The Triad is identified by a status query
// (which cuts the mode lists to their three modes) and every device is set
// away from its first item, so that a value read as 0 is a change.
#include <climits>
#include <ostream>
#include <tuple>

#include "input_fixture.h"

namespace {

using emulator::Variant;

const std::string kStepsOutOfRange = "** Invalid command **\nNeutral density steps\nmust be between 1-144.\n";
const std::string kStepsNeedNeutralDensity = "** Invalid command **\nSteps value is only for neutral density mode.\n";
const std::string kFilterCannotBeNc = "** Invalid command **\nFilter number can not be NC.\n";
const std::string kStatusFirst = "** Please send status command(CC)\n    first, then try again. **\n";
const std::string kNotACommand = "** Invalid command **\nThis is not a command.\n";
constexpr char kTriadPrompt[] = "Go to Wheel or Shutter Selection";

class TriadInputTest : public InputTest {
 protected:
  // Wheels A, B, C at filter 3, 4, 5 and speed 2, 1, 3; shutter A open and
  // soft, shutter B open on condition and in neutral density with 20 steps.
  void SetUp() override {
    InputTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(Connect(Variant::kTriad));
    QueryStatus();
    ASSERT_EQ(w.shutterAmode.numberOfItems(), 3);
    ASSERT_NO_FATAL_FAILURE(Prepare({
        {[](MemoryWindow& w) {
           w.filterA.choose(3);
           w.speedA.choose(2);
         },
         {0x23}},
        {[](MemoryWindow& w) {
           w.filterB.choose(4);
           w.speedB.choose(1);
         },
         {0x94}},
        {[](MemoryWindow& w) {
           w.filterC.choose(5);
           w.speedC.choose(3);
         },
         {0xFC, 0x35}},
        {[](MemoryWindow& w) { w.shutterAstatus.choose(1); }, {0xAA}},
        {[](MemoryWindow& w) { w.shutterBstatus.choose(2); }, {0xBB}},
        {[](MemoryWindow& w) { w.shutterAmode.choose(1); }, {0xDD, 0x01}},
        {[](MemoryWindow& w) {
           w.shutterBmode.choose(2);
           w.shutterBsteps.type("20");
         },
         {0xDE, 0x02, 0x14}},
    }));
  }
};

// ---- Step counts ---------------------------------------------------------------

struct StepsCase {
  const char* name;
  MemoryTextField MemoryWindow::*field;
  const char* typed;
  Outcome outcome;
  const char* shownAfter;
};

void PrintTo(const StepsCase& c, std::ostream* out) { *out << c.name; }

class StepsInputTest : public TriadInputTest, public ::testing::WithParamInterface<StepsCase> {};

TEST_P(StepsInputTest, IsSentWhenItReadsAsACountElseRefusedAndPutBack) {
  const StepsCase& c = GetParam();
  (w.*c.field).type(c.typed);
  ExpectCycle(c.outcome);
  EXPECT_EQ((w.*c.field).text, c.shownAfter);
}

// Shutter B is in neutral density with 20 steps; shutter A is soft, and has none.
INSTANTIATE_TEST_SUITE_P(
    Fields, StepsInputTest,
    ::testing::Values(
        StepsCase{"BText", &MemoryWindow::shutterBsteps, "abc", {kStepsOutOfRange, {}}, "20"},
        StepsCase{"BSpaces", &MemoryWindow::shutterBsteps, "   ", {kStepsOutOfRange, {}}, "20"},
        StepsCase{"BSpacedNumber", &MemoryWindow::shutterBsteps, " 12 ", {"", {0xDE, 0x02, 0x0C}}, "12"},
        StepsCase{"BPlusSign", &MemoryWindow::shutterBsteps, "+12", {"", {0xDE, 0x02, 0x0C}}, "12"},
        StepsCase{"BMinusSign", &MemoryWindow::shutterBsteps, "-12", {kStepsOutOfRange, {}}, "20"},
        StepsCase{"BHuge", &MemoryWindow::shutterBsteps, "99999999999", {kStepsOutOfRange, {}}, "20"},
        StepsCase{"BLowest", &MemoryWindow::shutterBsteps, "-2147483648", {kStepsOutOfRange, {}}, "20"},
        // A count that wraps to a valid byte is still out of range.
        StepsCase{"BWrapsToOneByte", &MemoryWindow::shutterBsteps, "257", {kStepsOutOfRange, {}}, "20"},
        StepsCase{"ASpacedNumber", &MemoryWindow::shutterAsteps, " 12 ", {kStepsNeedNeutralDensity, {}}, ""},
        StepsCase{"AMinusSign", &MemoryWindow::shutterAsteps, "-12", {kStepsNeedNeutralDensity, {}}, ""},
        StepsCase{"AHuge", &MemoryWindow::shutterAsteps, "99999999999", {kStepsNeedNeutralDensity, {}}, ""},
        // Reads as the 0 the empty field stands for: no change.
        StepsCase{"AText", &MemoryWindow::shutterAsteps, "abc", {"", {}}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A mode change to neutral density takes the step field as it stands.
TEST_F(TriadInputTest, NeutralDensityWithAStepFieldThatIsNoCountIsRefused) {
  w.shutterAsteps.type("-2147483648");
  w.shutterAmode.choose(2);
  ExpectCycle({"** Invalid command **\nNeutral Density steps\nmust be between 1-144.\n", {}});
  EXPECT_EQ(w.shutterAmode.text, "Soft");
  EXPECT_EQ(w.shutterAsteps.text, "");
}

// ---- Lists without a selection ---------------------------------------------------

// The operator typed a text that is no item, or the list was handed index -1:
// either reads as item 0.
enum class NoSelection { kTyped, kMinusOne };

struct NoSelectionCase {
  const char* name;
  MemoryComboBox MemoryWindow::*list;
  Bytes sent;
  const char* shownAfter;
};

void PrintTo(const NoSelectionCase& c, std::ostream* out) { *out << c.name; }

class NoSelectionTest : public TriadInputTest,
                        public ::testing::WithParamInterface<std::tuple<NoSelectionCase, NoSelection>> {};

TEST_P(NoSelectionTest, ReadsAsTheFirstItem) {
  const auto& [c, how] = GetParam();
  MemoryComboBox& list = w.*c.list;
  if (how == NoSelection::kTyped) {
    list.type("none of these");
  } else {
    list.selectItemAtIndex(-1);
  }
  ASSERT_EQ(list.indexOfSelectedItem(), -1);
  ExpectCycle({"", c.sent});
  EXPECT_EQ(list.text, c.shownAfter);
  EXPECT_EQ(list.indexOfSelectedItem(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, NoSelectionTest,
    ::testing::Combine(
        ::testing::Values(NoSelectionCase{"FilterA", &MemoryWindow::filterA, {0x20}, "Filter 0"},
                          NoSelectionCase{"SpeedA", &MemoryWindow::speedA, {0x03}, "Speed 0"},
                          NoSelectionCase{"FilterB", &MemoryWindow::filterB, {0x90}, "Filter 0"},
                          NoSelectionCase{"SpeedB", &MemoryWindow::speedB, {0x84}, "Speed 0"},
                          NoSelectionCase{"FilterC", &MemoryWindow::filterC, {0xFC, 0x30}, "Filter 0"},
                          NoSelectionCase{"SpeedC", &MemoryWindow::speedC, {0xFC, 0x05}, "Speed 0"},
                          NoSelectionCase{"ShutterAState", &MemoryWindow::shutterAstatus, {0xAC}, "Close"},
                          NoSelectionCase{"ShutterBState", &MemoryWindow::shutterBstatus, {0xBC}, "Close"},
                          NoSelectionCase{"ShutterAMode", &MemoryWindow::shutterAmode, {0xDC, 0x01}, "Fast"},
                          NoSelectionCase{"ShutterBMode", &MemoryWindow::shutterBmode, {0xDC, 0x02}, "Fast"},
                          // Entry 0 sends nothing.
                          NoSelectionCase{"GeneralCommand", &MemoryWindow::otherCommand, {}, kTriadPrompt}),
        ::testing::Values(NoSelection::kTyped, NoSelection::kMinusOne)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) +
             (std::get<1>(info.param) == NoSelection::kTyped ? "Typed" : "MinusOne");
    });

// ---- Lists handed an index they do not hold ----------------------------------------

struct UnheldIndexCase {
  const char* name;
  MemoryComboBox MemoryWindow::*list;
  int32_t index;
  std::string message;
  const char* shownAfter;  // nullptr: what the list shows is left open
};

void PrintTo(const UnheldIndexCase& c, std::ostream* out) { *out << c.name; }

class UnheldIndexTest : public TriadInputTest, public ::testing::WithParamInterface<UnheldIndexCase> {};

TEST_P(UnheldIndexTest, IsRefusedWithItsMessage) {
  const UnheldIndexCase& c = GetParam();
  MemoryComboBox& list = w.*c.list;
  ASSERT_GE(c.index, list.numberOfItems());
  list.selectItemAtIndex(c.index);
  ExpectCycle({c.message, {}});
  if (c.shownAfter != nullptr) {
    EXPECT_EQ(list.text, c.shownAfter);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, UnheldIndexTest,
    ::testing::Values(
        // One past the cut filter list is the not-connected index.
        UnheldIndexCase{"FilterA", &MemoryWindow::filterA, 10, kFilterCannotBeNc, "Filter 3"},
        UnheldIndexCase{"FilterB", &MemoryWindow::filterB, 10, kFilterCannotBeNc, "Filter 4"},
        UnheldIndexCase{"FilterC", &MemoryWindow::filterC, 10, kFilterCannotBeNc, "Filter 5"},
        UnheldIndexCase{"ShutterAMode", &MemoryWindow::shutterAmode, 3, kStatusFirst, nullptr},
        UnheldIndexCase{"ShutterBMode", &MemoryWindow::shutterBmode, 3, kStatusFirst, nullptr},
        UnheldIndexCase{"GeneralCommandPastTheTriadList", &MemoryWindow::otherCommand, 10, kStatusFirst,
                        kTriadPrompt},
        UnheldIndexCase{"GeneralCommandPastEveryList", &MemoryWindow::otherCommand, 1000, kNotACommand,
                        kTriadPrompt},
        UnheldIndexCase{"GeneralCommandHighest", &MemoryWindow::otherCommand, INT32_MAX, kNotACommand,
                        kTriadPrompt}),
    [](const auto& info) { return std::string(info.param.name); });

// An index no list holds (left by a decoded status reply, never picked by the
// operator) would go out as a byte that means something else: speed 8 on
// wheel A is 0x83, a move of wheel B; speed 8 on wheel B wraps to 0x04, a move
// of wheel A; shutter A state 19 is 0xBC, which closes shutter B; shutter B
// state 4 is 0xBD, which opens a Triad batch. It is refused instead.
struct ForeignByteCase {
  const char* name;
  MemoryComboBox MemoryWindow::*list;
  int32_t index;
  const char* remembered;
};

void PrintTo(const ForeignByteCase& c, std::ostream* out) { *out << c.name; }

class ForeignByteTest : public TriadInputTest, public ::testing::WithParamInterface<ForeignByteCase> {};

TEST_P(ForeignByteTest, IsRefusedAndNothingSent) {
  const ForeignByteCase& c = GetParam();
  MemoryComboBox& list = w.*c.list;
  list.selectItemAtIndex(c.index);
  const std::string logged = Send();
  EXPECT_TRUE(logged.starts_with("** Invalid command **\n")) << logged;
  EXPECT_TRUE(logged.ends_with(kSeparatorLine)) << logged;
  EXPECT_EQ(TakeReceived(), Bytes{});
  EXPECT_EQ(list.text, c.remembered);
}

INSTANTIATE_TEST_SUITE_P(IndicesPastTheList, ForeignByteTest,
                         ::testing::Values(ForeignByteCase{"FilterA", &MemoryWindow::filterA, 11, "Filter 3"},
                                           ForeignByteCase{"SpeedA", &MemoryWindow::speedA, 8, "Speed 2"},
                                           ForeignByteCase{"SpeedB", &MemoryWindow::speedB, 8, "Speed 1"},
                                           ForeignByteCase{"SpeedC", &MemoryWindow::speedC, 8, "Speed 3"},
                                           ForeignByteCase{"ShutterAState", &MemoryWindow::shutterAstatus, 19, "Open"},
                                           ForeignByteCase{"ShutterBState", &MemoryWindow::shutterBstatus, 4,
                                                           "Open conditional"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
