#include "wheel_command.h"

#include <gmock/gmock.h>

#include "byte_forms.h"
#include "encoder_test.h"

namespace {

using ::testing::ElementsAreArray;

constexpr char kFilterCannotBeNc[] = "** Invalid command **\nFilter number can not be NC.\n";

// Order of the six values: filter A, speed A, filter B, speed B, filter C, speed C.
struct WheelCase {
  const char* name;
  int32_t captured[kWheelFields];
  int32_t remembered[kWheelFields];
  Expected want;
  int32_t capturedAfter[kWheelFields];
};

void PrintTo(const WheelCase& c, std::ostream* os) { *os << c.name; }

class WheelCommandTest : public EncoderTest<WheelCase> {};

TEST_P(WheelCommandTest, EncodesTheFirstChangedWheel) {
  const WheelCase& c = GetParam();
  for (int i = 0; i < kWheelFields; ++i) {
    cycle.capture.wheel[i] = c.captured[i];
    icomm0[i] = c.remembered[i];
  }

  ExpectOutcome(EncodeWheelCommand(cycle), cycle, c.want);
  EXPECT_THAT(cycle.capture.wheel, ElementsAreArray(c.capturedAfter));
}

INSTANTIATE_TEST_SUITE_P(
    Moves, WheelCommandTest,
    ::testing::Values(
        WheelCase{"NothingChanged", {4, 1, 4, 1, 4, 1}, {4, 1, 4, 1, 4, 1}, SendsNothing(), {4, 1, 4, 1, 4, 1}},
        WheelCase{"WheelA", {3, 2, 0, 0, 0, 0}, {}, Sends("23"), {3, 2, 0, 0, 0, 0}},
        WheelCase{"WheelB", {0, 0, 3, 2, 0, 0}, {}, Sends("A3"), {0, 0, 3, 2, 0, 0}},
        WheelCase{"WheelC", {0, 0, 0, 0, 3, 2}, {}, Sends("FC 23"), {0, 0, 0, 0, 3, 2}},
        WheelCase{"WheelAToFilterZero", {0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0}, Sends("00"), {}},
        WheelCase{"WheelBToFilterZero", {0, 0, 0, 0, 0, 0}, {0, 0, 1, 0, 0, 0}, Sends("80"), {}},
        WheelCase{"SpeedBOnlyKeepsFilterB", {0, 0, 4, 3, 0, 0}, {0, 0, 4, 1, 0, 0}, Sends("B4"), {0, 0, 4, 3, 0, 0}},
        // Speed 8 on wheel B would wrap to 0x02, a move of wheel A.
        WheelCase{"SpeedPastTheListRefused", {0, 0, 2, 8, 0, 0}, {}, Refuses(kNoSuchWheelSetting), {0, 0, 0, 0, 0, 0}},
        WheelCase{"FilterPastTheListRefused", {11, 2, 0, 0, 0, 0}, {1, 2, 0, 0, 0, 0}, Refuses(kNoSuchWheelSetting),
                  {1, 2, 0, 0, 0, 0}},
        WheelCase{"AAndCChangedSendsA", {3, 2, 0, 0, 5, 1}, {}, Sends("23"), {3, 2, 0, 0, 0, 0}},
        WheelCase{"BChangedDropsC", {7, 7, 1, 1, 2, 2}, {7, 7, 0, 0, 0, 0}, Sends("91"), {7, 7, 1, 1, 0, 0}},
        WheelCase{"NcOnWheelA", {10, 5, 6, 6, 0, 0}, {1, 1, 0, 0, 0, 0}, Refuses(kFilterCannotBeNc), {1, 1, 0, 0, 0, 0}},
        WheelCase{"NcOnWheelB", {0, 0, 10, 3, 4, 4}, {0, 0, 2, 1, 0, 0}, Refuses(kFilterCannotBeNc), {0, 0, 2, 1, 0, 0}},
        WheelCase{"SpeedWhileWheelANotConnected",
                  {10, 3, 6, 6, 0, 0},
                  {10, 0, 0, 0, 0, 0},
                  Refuses("** Invalid command **\nWheel A is not connected.\n"),
                  {10, 0, 0, 0, 0, 0}},
        WheelCase{"SpeedWhileWheelBNotConnected",
                  {0, 0, 10, 2, 0, 0},
                  {0, 0, 10, 8, 0, 0},
                  Refuses("** Invalid command **\nWheel B is not connected.\n"),
                  {0, 0, 10, 0, 0, 0}},
        WheelCase{"FilterWhileWheelCNotConnected",
                  {0, 0, 0, 0, 4, 2},
                  {0, 0, 0, 0, 10, 8},
                  Refuses("** Invalid command **\nWheel C is not connected.\n"),
                  {0, 0, 0, 0, 10, 0}}),
    CaseName());

}  // namespace
