#include "timing_command.h"

#include <gmock/gmock.h>

#include <cstdint>
#include <limits>

#include "encoder_test.h"

namespace {

using ::testing::ElementsAreArray;

constexpr char kRepeatNumberNotPositive[] = "** Invalid command **\nRepeat number must be greater than 0.\n";
constexpr char kTimeAboveLimit[] = "** Invalid value **\nMaximum time value is 5hrs.\n";
constexpr char kTimeNegative[] = "** Invalid value **\nTime values can not be negative.\n";
constexpr char kNoSuchTimerType[] = "** Invalid command **\nNo such timer type.\n";

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

// The timer-type list as the window opens (cut later) and cut otherwise.
constexpr int kTimerTypes = 2;

// The seven values in scan order: repeat number, hours, minutes, seconds,
// milliseconds, tenths of a millisecond, timer type (0 closed, 1 exposure).
constexpr int kTimingValues = kTimerType - kRepeatNumber + 1;

struct TimingCase {
  const char* name;
  SettingField field;
  int32_t captured[kTimingValues];
  int32_t remembered[kTimingValues];
  Expected want;
  int32_t capturedAfter[kTimingValues];
  int timerTypes = kTimerTypes;
};

void PrintTo(const TimingCase& c, std::ostream* os) { *os << c.name; }

class TimingCommandTest : public EncoderTest<TimingCase> {};

TEST_P(TimingCommandTest, EncodesOrRefusesTheChange) {
  const TimingCase& c = GetParam();
  w.timerType.items.resize(c.timerTypes);
  SeedSettings(kRepeatNumber, c.captured, c.remembered);

  ExpectOutcome(EncodeTimingCommand(c.field, cycle, w.controller), cycle, c.want);
  EXPECT_THAT(CapturedSettings(kRepeatNumber, kTimingValues), ElementsAreArray(c.capturedAfter));
}

INSTANTIATE_TEST_SUITE_P(
    RepeatNumber, TimingCommandTest,
    ::testing::Values(
        TimingCase{"One", kRepeatNumber, {1}, {}, Sends("FA F0 00 01"), {1}},
        TimingCase{"TenSendsTheMarkerValue", kRepeatNumber, {10}, {}, Sends("FA F0 00 0A"), {10}},
        TimingCase{"ThreeHundred", kRepeatNumber, {300}, {}, Sends("FA F0 01 2C"), {300}},
        TimingCase{"LargestCount", kRepeatNumber, {65000}, {}, Sends("FA F0 FD E8"), {65000}},
        TimingCase{"AboveLargestCountIsContinuous", kRepeatNumber, {65001}, {}, Sends("FA F0 FF FF"), {65001}},
        TimingCase{"Continuous", kRepeatNumber, {kContinuous}, {}, Sends("FA F0 FF FF"), {kContinuous}},
        TimingCase{"Int32Max", kRepeatNumber, {kMax}, {}, Sends("FA F0 FF FF"), {kMax}},
        TimingCase{"ZeroRestoresRemembered", kRepeatNumber, {0, 1}, {300}, Refuses(kRepeatNumberNotPositive), {300, 1}},
        TimingCase{"NegativeRestoresRemembered", kRepeatNumber, {-7}, {kContinuous}, Refuses(kRepeatNumberNotPositive),
                   {kContinuous}},
        TimingCase{"Int32MinRefused", kRepeatNumber, {kMin}, {5}, Refuses(kRepeatNumberNotPositive), {5}},
        TimingCase{"TimerListNotCut", kRepeatNumber, {5}, {}, Refuses(kSendStatusFirstMessage), {5}, 3}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    Time, TimingCommandTest,
    ::testing::Values(
        TimingCase{"ClosedTenMinutes", kTMinute, {0, 0, 10}, {}, Sends("FA 10 0A 00 00 00"), {0, 0, 10}},
        TimingCase{"ClosedEveryDigit", kTTenthmsecond, {0, 1, 2, 3, 456, 7, 0}, {0, 1, 2, 3, 456, 0, 0},
                   Sends("FA 11 02 03 45 67"), {0, 1, 2, 3, 456, 7, 0}},
        TimingCase{"ExposureEveryDigit", kTTenthmsecond, {0, 1, 2, 3, 456, 7, 1}, {0, 1, 2, 3, 456, 0, 1},
                   Sends("FA 21 02 03 45 67"), {0, 1, 2, 3, 456, 7, 1}},
        TimingCase{"ExposureFiveMilliseconds", kTMsecond, {0, 0, 0, 0, 5, 0, 1}, {0, 0, 0, 0, 0, 0, 1},
                   Sends("FA 20 00 00 00 50"), {0, 0, 0, 0, 5, 0, 1}},
        TimingCase{"FiveHoursExactly", kTHour, {0, 5}, {}, Sends("FA 15 00 00 00 00"), {0, 5}},
        TimingCase{"FiveHoursAndATenthRefused", kTTenthmsecond, {0, 5, 0, 0, 0, 1}, {0, 5, 0, 0, 0, 0},
                   Refuses(kTimeAboveLimit), {0, 5, 0, 0, 0, 0}},
        // Finer fields keep what was typed.
        TimingCase{"SixHoursRestoresHoursOnly", kTHour, {0, 6, 30, 1, 2, 3}, {0, 2, 15}, Refuses(kTimeAboveLimit),
                   {0, 2, 30, 1, 2, 3}},
        TimingCase{"NinetyMinutesCarryIntoHours", kTMinute, {0, 1, 90}, {0, 1}, Sends("FA 12 1E 00 00 00"), {0, 2, 30}},
        TimingCase{"MillisecondsCarryTwoFieldsUp", kTMsecond, {0, 0, 0, 59, 1500}, {0, 0, 0, 59},
                   Sends("FA 10 01 00 50 00"), {0, 0, 1, 0, 500}},
        TimingCase{"TenthsCarryUpToHours", kTTenthmsecond, {0, 0, 59, 59, 999, 10}, {0, 0, 59, 59, 999},
                   Sends("FA 11 00 00 00 00"), {0, 1, 0, 0, 0, 0}},
        TimingCase{"SecondsCarryAboveLimitRestoresCoarser", kTSecond, {0, 4, 59, 75, 123, 4}, {0, 1, 2, 3, 9, 9},
                   Refuses(kTimeAboveLimit), {0, 1, 2, 3, 123, 4}},
        TimingCase{"FinerFieldEncodedAsTyped", kTMinute, {0, 0, 70, 0, 1500}, {}, Sends("FA 11 0A 00 F0 00"),
                   {0, 1, 10, 0, 1500}},
        TimingCase{"CoarserFieldWithoutCarryStays", kTSecond, {0, 0, 90, 30}, {0, 0, 90}, Sends("FA 10 5A 1E 00 00"),
                   {0, 0, 90, 30}},
        // Below zero a field would go out as its low byte (-15 ms as FF B0).
        TimingCase{"NegativeMillisecondsRefused", kTMsecond, {0, 1, 0, 0, -15}, {0, 1}, Refuses(kTimeNegative),
                   {0, 1, 0, 0, 0}},
        // -1 minute beside 4 hours would pass the 5-hour limit as 4 h 255 min.
        TimingCase{"NegativeFinerFieldRefused", kTHour, {0, 4, -1}, {0, 3, -1}, Refuses(kTimeNegative),
                   {0, 3, -1}},
        TimingCase{"TimerListNotCut", kTSecond, {0, 9, 0, 1}, {}, Refuses(kSendStatusFirstMessage), {0, 9, 0, 1}, 1}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    TimerType, TimingCommandTest,
    ::testing::Values(
        TimingCase{"SwitchWithoutLimitOrCarry", kTimerType, {0, 6, 75, 0, 0, 0, 1}, {0, 6, 75},
                   Sends("FA 26 4B 00 00 00"), {0, 6, 75, 0, 0, 0, 1}},
        TimingCase{"NoSelection", kTimerType, {0, 3, 0, 0, 0, 0, -1}, {0, 3}, Sends("FA 03 00 00 00 00"),
                   {0, 3, 0, 0, 0, 0, -1}},
        TimingCase{"ListNotCut", kTimerType, {0, 3, 0, 0, 0, 0, 1}, {0, 3}, Refuses(kSendStatusFirstMessage),
                   {0, 3, 0, 0, 0, 0, 1}, 0}),
    CaseName());

// Values at the ends of the 32-bit range are refused or encoded like any
// other; the carries must not overflow on the way.
INSTANTIATE_TEST_SUITE_P(
    Extremes, TimingCommandTest,
    ::testing::Values(
        TimingCase{"HoursInt32Max", kTHour, {0, kMax}, {0, 1}, Refuses(kTimeAboveLimit), {0, 1}},
        TimingCase{"MinutesCarryOntoInt32MaxHours", kTMinute, {0, kMax, kMax}, {0, 2, 3}, Refuses(kTimeAboveLimit),
                   {0, 2, 3}},
        TimingCase{"TenthsInt32MaxCarryUp", kTTenthmsecond, {0, 0, 0, 0, 0, kMax}, {}, Refuses(kTimeAboveLimit),
                   {0, 0, 0, 0, 0, 0}},
        TimingCase{"MillisecondsInt32MaxOntoInt32MaxSeconds", kTMsecond, {0, 4, kMax, kMax, kMax}, {0, 4, 1, 2, 3},
                   Refuses(kTimeAboveLimit), {0, 4, 1, 2, 3}},
        TimingCase{"CarryOntoInt32MinHoursRefused", kTMinute, {0, kMin, 120}, {0, kMin}, Refuses(kTimeNegative),
                   {0, kMin, 0}},
        // The switch sends the fields as they stand, without carry or limit,
        // but hours past the timer byte's nibble would make another command.
        TimingCase{"SwitchWithExtremeFieldsRefused", kTimerType, {0, kMax, kMax, kMax, kMax, kMax, 1},
                   {0, kMax, kMax, kMax, kMax, kMax, 0}, Refuses(kTimeAboveLimit),
                   {0, kMax, kMax, kMax, kMax, kMax, 0}},
        TimingCase{"SwitchWithFifteenHoursSent", kTimerType, {0, 15, 0, 0, 0, 0, 1}, {0, 15}, Sends("FA 2F 00 00 00 00"),
                   {0, 15, 0, 0, 0, 0, 1}},
        TimingCase{"SwitchWithHoursThatWouldBeTtlOutputHighRefused", kTimerType, {0, 145, 0, 0, 0, 0, 1}, {0, 145},
                   Refuses(kTimeAboveLimit), {0, 145, 0, 0, 0, 0, 0}},
        TimingCase{"SwitchWithANegativeFieldRefused", kTimerType, {0, 1, kMin, 0, 0, 0, 1}, {0, 1, kMin},
                   Refuses(kTimeNegative), {0, 1, kMin, 0, 0, 0, 0}},
        TimingCase{"TimerTypePastTheListRefused", kTimerType, {0, 1, 0, 0, 0, 0, kMax}, {0, 1},
                   Refuses(kNoSuchTimerType), {0, 1, 0, 0, 0, 0, 0}}),
    CaseName());

}  // namespace
