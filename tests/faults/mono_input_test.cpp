// Bad input on a Mono: the repeat number, the five time fields and the timer
// type. The closed time is set to 1 h 2 min 3 s 456.7 ms and the repeat number
// to 5 first, so that a value read as 0 is a change.
#include <array>
#include <ostream>

#include "input_fixture.h"

namespace {

using emulator::Variant;

const std::string kRepeatNotPositive = "** Invalid command **\nRepeat number must be greater than 0.\n";
const std::string kAboveFiveHours = "** Invalid value **\nMaximum time value is 5hrs.\n";

// The closed time as the preparation leaves it: FA, then T M S P Q.
const Bytes kClosedTime = {0xFA, 0x11, 0x02, 0x03, 0x45, 0x67};

using TimeTexts = std::array<const char*, 5>;
constexpr TimeTexts kPreparedTime = {"1", "2", "3", "456", "7"};

class MonoInputTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(Connect(Variant::kMono));
    ASSERT_NO_FATAL_FAILURE(Prepare({
        {[](MemoryWindow& w) {
           w.tHour.type("1");
           w.tMinute.type("2");
           w.tSecond.type("3");
           w.tMsecond.type("456");
           w.tTenthmsecond.type("7");
         },
         kClosedTime},
        {[](MemoryWindow& w) { w.repeatNumber.type("5"); }, {0xFA, 0xF0, 0x00, 0x05}},
    }));
  }

  TimeTexts ShownTime() const {
    return {w.tHour.text.c_str(), w.tMinute.text.c_str(), w.tSecond.text.c_str(), w.tMsecond.text.c_str(),
            w.tTenthmsecond.text.c_str()};
  }

  void ExpectTimeShown(const TimeTexts& expected) const {
    const TimeTexts shown = ShownTime();
    for (std::size_t i = 0; i < shown.size(); ++i) EXPECT_STREQ(shown[i], expected[i]) << "time field " << i;
  }
};

// ---- Repeat number -------------------------------------------------------------

struct RepeatCase {
  const char* name;
  const char* typed;
  Outcome outcome;
  const char* shownAfter;
};

void PrintTo(const RepeatCase& c, std::ostream* out) { *out << c.name; }

class RepeatNumberInputTest : public MonoInputTest, public ::testing::WithParamInterface<RepeatCase> {};

TEST_P(RepeatNumberInputTest, IsSentWhenAboveZeroElseRefusedAndPutBack) {
  const RepeatCase& c = GetParam();
  w.repeatNumber.type(c.typed);
  ExpectCycle(c.outcome);
  EXPECT_EQ(w.repeatNumber.text, c.shownAfter);
}

const Bytes kRepeatTwelve = {0xFA, 0xF0, 0x00, 0x0C};
const Bytes kRepeatContinuous = {0xFA, 0xF0, 0xFF, 0xFF};

INSTANTIATE_TEST_SUITE_P(
    Texts, RepeatNumberInputTest,
    ::testing::Values(
        RepeatCase{"Text", "abc", {kRepeatNotPositive, {}}, "5"},
        RepeatCase{"Spaces", "   ", {kRepeatNotPositive, {}}, "5"},
        RepeatCase{"SpacedNumber", " 12 ", {"", kRepeatTwelve}, "12"},
        RepeatCase{"PlusSign", "+12", {"", kRepeatTwelve}, "12"},
        RepeatCase{"MinusSign", "-12", {kRepeatNotPositive, {}}, "5"},
        RepeatCase{"Huge", "99999999999", {"", kRepeatContinuous}, "Continuous"},
        RepeatCase{"Lowest", "-2147483648", {kRepeatNotPositive, {}}, "5"},
        // The word counts only on its own: with a space it reads as a number, 0.
        RepeatCase{"ContinuousAfterASpace", " continuous", {kRepeatNotPositive, {}}, "5"},
        RepeatCase{"ContinuousBeforeASpace", "continuous ", {kRepeatNotPositive, {}}, "5"},
        RepeatCase{"ContinuousInMixedCase", "cOnTiNuOuS", {"", kRepeatContinuous}, "Continuous"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Time fields -----------------------------------------------------------------

struct TimeCase {
  const char* name;
  MemoryTextField MemoryWindow::*field;
  const char* typed;
  Outcome outcome;
  TimeTexts shownAfter;
};

void PrintTo(const TimeCase& c, std::ostream* out) { *out << c.name; }

class TimeInputTest : public MonoInputTest, public ::testing::WithParamInterface<TimeCase> {};

TEST_P(TimeInputTest, IsNormalisedAndSentOrRefusedAndPutBack) {
  const TimeCase& c = GetParam();
  (w.*c.field).type(c.typed);
  ExpectCycle(c.outcome);
  ExpectTimeShown(c.shownAfter);
}

// Text reads as 0, which has no lower bound to fail; a huge number is far
// above 5 hours once carried up; a carry goes from the changed field upward.
INSTANTIATE_TEST_SUITE_P(
    Fields, TimeInputTest,
    ::testing::Values(
        TimeCase{"HourText", &MemoryWindow::tHour, "abc", {"", {0xFA, 0x10, 0x02, 0x03, 0x45, 0x67}},
                 {"", "2", "3", "456", "7"}},
        TimeCase{"HourSpacedSigned", &MemoryWindow::tHour, " +4", {"", {0xFA, 0x14, 0x02, 0x03, 0x45, 0x67}},
                 {"4", "2", "3", "456", "7"}},
        TimeCase{"HourHuge", &MemoryWindow::tHour, "99999999999", {kAboveFiveHours, {}}, kPreparedTime},
        TimeCase{"MinuteText", &MemoryWindow::tMinute, "abc", {"", {0xFA, 0x11, 0x00, 0x03, 0x45, 0x67}},
                 {"1", "", "3", "456", "7"}},
        TimeCase{"MinuteSpacedCarry", &MemoryWindow::tMinute, "  75 ", {"", {0xFA, 0x12, 0x0F, 0x03, 0x45, 0x67}},
                 {"2", "15", "3", "456", "7"}},
        TimeCase{"MinuteHuge", &MemoryWindow::tMinute, "99999999999", {kAboveFiveHours, {}}, kPreparedTime},
        TimeCase{"SecondText", &MemoryWindow::tSecond, "abc", {"", {0xFA, 0x11, 0x02, 0x00, 0x45, 0x67}},
                 {"1", "2", "", "456", "7"}},
        TimeCase{"SecondSignedCarry", &MemoryWindow::tSecond, "+125", {"", {0xFA, 0x11, 0x04, 0x05, 0x45, 0x67}},
                 {"1", "4", "5", "456", "7"}},
        TimeCase{"SecondHuge", &MemoryWindow::tSecond, "99999999999", {kAboveFiveHours, {}}, kPreparedTime},
        TimeCase{"MillisecondText", &MemoryWindow::tMsecond, "abc", {"", {0xFA, 0x11, 0x02, 0x03, 0x00, 0x07}},
                 {"1", "2", "3", "", "7"}},
        TimeCase{"MillisecondSignedCarry", &MemoryWindow::tMsecond, "+1500",
                 {"", {0xFA, 0x11, 0x02, 0x04, 0x50, 0x07}}, {"1", "2", "4", "500", "7"}},
        TimeCase{"MillisecondHuge", &MemoryWindow::tMsecond, "99999999999", {kAboveFiveHours, {}}, kPreparedTime},
        TimeCase{"TenthText", &MemoryWindow::tTenthmsecond, "abc", {"", {0xFA, 0x11, 0x02, 0x03, 0x45, 0x60}},
                 {"1", "2", "3", "456", ""}},
        TimeCase{"TenthSpacedCarry", &MemoryWindow::tTenthmsecond, " 25", {"", {0xFA, 0x11, 0x02, 0x03, 0x45, 0x85}},
                 {"1", "2", "3", "458", "5"}},
        TimeCase{"TenthHuge", &MemoryWindow::tTenthmsecond, "99999999999", {kAboveFiveHours, {}}, kPreparedTime}),
    [](const auto& info) { return std::string(info.param.name); });

// A negative time would go out as its low byte: -1 minutes as 255 minutes,
// -4 hours as the byte 0x0C, which is no timer code, -2147483648 hours as 0
// hours. It is refused and the fields are put back.
class NegativeTimeTest : public MonoInputTest, public ::testing::WithParamInterface<TimeCase> {};

TEST_P(NegativeTimeTest, IsRefusedAndPutBack) {
  const TimeCase& c = GetParam();
  (w.*c.field).type(c.typed);
  const std::string logged = Send();
  EXPECT_TRUE(logged.starts_with("** Invalid value **\n")) << logged;
  EXPECT_EQ(TakeReceived(), Bytes{});
  ExpectTimeShown(kPreparedTime);
}

INSTANTIATE_TEST_SUITE_P(
    BelowZero, NegativeTimeTest,
    ::testing::Values(TimeCase{"Hour", &MemoryWindow::tHour, "-4", {}, {}},
                      TimeCase{"HourLowest", &MemoryWindow::tHour, "-2147483648", {}, {}},
                      TimeCase{"Minute", &MemoryWindow::tMinute, "-1", {}, {}},
                      TimeCase{"MinuteLowest", &MemoryWindow::tMinute, "-2147483648", {}, {}},
                      TimeCase{"Second", &MemoryWindow::tSecond, "-1", {}, {}},
                      TimeCase{"Millisecond", &MemoryWindow::tMsecond, "-1", {}, {}},
                      TimeCase{"Tenth", &MemoryWindow::tTenthmsecond, "-1", {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Timer type --------------------------------------------------------------------

// No selection, typed or handed -1, stays -1: the time goes out under no
// timer, its hour byte carrying the hours alone.
TEST_F(MonoInputTest, TimerTypeWithoutSelectionSendsTheTimeWithoutATimer) {
  const Bytes withoutTimer = {0xFA, 0x01, 0x02, 0x03, 0x45, 0x67};
  w.timerType.type("none of these");
  ExpectCycle({"", withoutTimer});
  EXPECT_EQ(w.timerType.indexOfSelectedItem(), -1);
  w.timerType.choose(0);
  ExpectCycle({"", kClosedTime});
  w.timerType.selectItemAtIndex(-1);
  ExpectCycle({"", withoutTimer});
}

// Index 2 of the two timer types would go out as the hour byte 0x31, which is
// no timer code.
TEST_F(MonoInputTest, TimerTypePastTheListIsRefused) {
  w.timerType.selectItemAtIndex(2);
  const std::string logged = Send();
  EXPECT_TRUE(logged.starts_with("** Invalid command **\n")) << logged;
  EXPECT_EQ(TakeReceived(), Bytes{});
  EXPECT_EQ(w.timerType.text, "Closed time");
}

}  // namespace
