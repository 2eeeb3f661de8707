#include "shutter_command.h"

#include <gmock/gmock.h>

#include "byte_forms.h"
#include "encoder_test.h"

namespace {

using ::testing::ElementsAreArray;

constexpr char kModeStepsOutOfRange[] = "** Invalid command **\nNeutral Density steps\nmust be between 1-144.\n";
constexpr char kStepsOutOfRange[] = "** Invalid command **\nNeutral density steps\nmust be between 1-144.\n";
constexpr char kStepsNeedNeutralDensity[] = "** Invalid command **\nSteps value is only for neutral density mode.\n";

// Mode-list lengths: as the window opens (with the not-connected entry), cut
// to the three modes, and cut to the not-connected entry alone.
constexpr int kUncut = 4;
constexpr int kModes = 3;
constexpr int kNotConnected = 1;

// The six shutter values in scan order: state A, mode A, state B, mode B,
// steps A, steps B.
constexpr int kShutterValues = kShutterBsteps - kShutterAstatus + 1;

struct ShutterCase {
  const char* name;
  SettingField field;
  int32_t variant;
  int modesA;
  int modesB;
  int32_t captured[kShutterValues];
  int32_t remembered[kShutterValues];
  Expected want;
  int32_t capturedAfter[kShutterValues];
};

void PrintTo(const ShutterCase& c, std::ostream* os) { *os << c.name; }

class ShutterCommandTest : public EncoderTest<ShutterCase> {};

TEST_P(ShutterCommandTest, EncodesOrRefusesTheChange) {
  const ShutterCase& c = GetParam();
  itype = c.variant;
  w.shutterAmode.items.resize(c.modesA);
  w.shutterBmode.items.resize(c.modesB);
  SeedSettings(kShutterAstatus, c.captured, c.remembered);

  ExpectOutcome(EncodeShutterCommand(c.field, cycle, w.controller), cycle, c.want);
  EXPECT_THAT(CapturedSettings(kShutterAstatus, kShutterValues), ElementsAreArray(c.capturedAfter));
}

INSTANTIATE_TEST_SUITE_P(
    States, ShutterCommandTest,
    ::testing::Values(
        // No precondition: works before the variant is known.
        ShutterCase{"AOpenBeforeIdentification", kShutterAstatus, kUnknown, kUncut, kUncut,
                    {1, 0, 0, 0, 0, 0}, {}, Sends("AA"), {1, 0, 0, 0, 0, 0}},
        ShutterCase{"AClose", kShutterAstatus, kMono, kModes, kNotConnected,
                    {0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0}, Sends("AC"), {}},
        ShutterCase{"AOpenConditional", kShutterAstatus, kTriad, kModes, kModes,
                    {2, 0, 0, 0, 0, 0}, {}, Sends("AB"), {2, 0, 0, 0, 0, 0}},
        // State 19 on shutter A would be 0xBC, which closes shutter B.
        ShutterCase{"AStatePastTheListRefused", kShutterAstatus, kTriad, kModes, kModes,
                    {19, 0, 0, 0, 0, 0}, {}, Refuses(kNoSuchShutterState), {0, 0, 0, 0, 0, 0}},
        ShutterCase{"BOpen", kShutterBstatus, kTriad, kModes, kModes,
                    {0, 0, 1, 0, 0, 0}, {}, Sends("BA"), {0, 0, 1, 0, 0, 0}},
        ShutterCase{"BClose", kShutterBstatus, kDuoShutterShutter, kModes, kModes,
                    {0, 0, 0, 0, 0, 0}, {0, 0, 2, 0, 0, 0}, Sends("BC"), {}},
        ShutterCase{"BOpenConditional", kShutterBstatus, kUnknown, kUncut, kUncut,
                    {0, 0, 2, 0, 0, 0}, {}, Sends("BB"), {0, 0, 2, 0, 0, 0}}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    Modes, ShutterCommandTest,
    ::testing::Values(
        // The step byte equals the end marker's value and is sent all the same.
        ShutterCase{"ANeutralDensityTriad", kShutterAmode, kTriad, kModes, kModes,
                    {0, 2, 0, 0, 10, 0}, {}, Sends("DE 01 0A"), {0, 2, 0, 0, 10, 0}},
        ShutterCase{"BNeutralDensity144Triad", kShutterBmode, kTriad, kModes, kModes,
                    {0, 0, 0, 2, 0, 144}, {}, Sends("DE 02 90"), {0, 0, 0, 2, 0, 144}},
        ShutterCase{"ANeutralDensityOneStepMono", kShutterAmode, kMono, kModes, kNotConnected,
                    {0, 2, 0, 0, 1, 0}, {}, Sends("DE 01"), {0, 2, 0, 0, 1, 0}},
        ShutterCase{"BNeutralDensity145Refused", kShutterBmode, kTriad, kModes, kModes,
                    {0, 0, 0, 2, 0, 145}, {0, 0, 0, 1, 0, 0}, Refuses(kModeStepsOutOfRange), {0, 0, 0, 1, 0, 0}},
        ShutterCase{"ANeutralDensityNegativeStepsRefused", kShutterAmode, kDuoWheelShutter, kModes, kUncut,
                    {1, 2, 0, 0, -3, 0}, {1, 1, 0, 0, 0, 0}, Refuses(kModeStepsOutOfRange), {1, 1, 0, 0, 0, 0}},
        ShutterCase{"AFastEmptiesStepsDuoWheelShutter", kShutterAmode, kDuoWheelShutter, kModes, kUncut,
                    {0, 0, 0, 0, 20, 0}, {0, 2, 0, 0, 20, 0}, Sends("DC"), {0, 0, 0, 0, 0, 0}},
        ShutterCase{"ASoftDuoShutterShutter", kShutterAmode, kDuoShutterShutter, kModes, kModes,
                    {0, 1, 0, 0, 20, 0}, {0, 2, 0, 0, 20, 0}, Sends("DD 01"), {0, 1, 0, 0, 0, 0}},
        ShutterCase{"BFastTriad", kShutterBmode, kTriad, kModes, kModes,
                    {0, 0, 0, 0, 5, 7}, {0, 0, 0, 1, 5, 0}, Sends("DC 02"), {0, 0, 0, 0, 5, 0}},
        ShutterCase{"AModeBeforeStatusReply", kShutterAmode, kUnknown, kUncut, kUncut,
                    {0, 2, 0, 0, 200, 0}, {}, Refuses(kSendStatusFirstMessage), {0, 2, 0, 0, 200, 0}},
        // Lists that look cut while no reply has told the variant: DD alone
        // would leave a two-shutter controller waiting for the shutter number.
        ShutterCase{"AModeWhileTheVariantIsUnknown", kShutterAmode, kUnknown, kModes, kModes,
                    {0, 1, 0, 0, 0, 0}, {}, Refuses(kSendStatusFirstMessage), {0, 1, 0, 0, 0, 0}},
        ShutterCase{"BModeWhileNotConnected", kShutterBmode, kTriad, kModes, kNotConnected,
                    {0, 0, 0, 1, 0, 0}, {}, Refuses(kSendStatusFirstMessage), {0, 0, 0, 1, 0, 0}},
        // An index no mode list offers; its byte would start another command.
        ShutterCase{"AModeBeyondTheModes", kShutterAmode, kTriad, kModes, kModes,
                    {0, 3, 0, 0, 0, 0}, {}, Refuses(kSendStatusFirstMessage), {0, 3, 0, 0, 0, 0}}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    Steps, ShutterCommandTest,
    ::testing::Values(
        ShutterCase{"ATriad", kShutterAsteps, kTriad, kModes, kModes,
                    {0, 2, 0, 0, 50, 0}, {0, 2, 0, 0, 30, 0}, Sends("DE 01 32"), {0, 2, 0, 0, 50, 0}},
        ShutterCase{"A144Mono", kShutterAsteps, kMono, kModes, kNotConnected,
                    {0, 2, 0, 0, 144, 0}, {0, 2, 0, 0, 1, 0}, Sends("DE 90"), {0, 2, 0, 0, 144, 0}},
        ShutterCase{"BTenDuoShutterShutter", kShutterBsteps, kDuoShutterShutter, kModes, kModes,
                    {0, 0, 0, 2, 0, 10}, {0, 0, 0, 2, 0, 3}, Sends("DE 02 0A"), {0, 0, 0, 2, 0, 10}},
        ShutterCase{"AZeroRefused", kShutterAsteps, kTriad, kModes, kModes,
                    {0, 2, 0, 0, 0, 0}, {0, 2, 0, 0, 30, 0}, Refuses(kStepsOutOfRange), {0, 2, 0, 0, 30, 0}},
        ShutterCase{"ANegativeRefused", kShutterAsteps, kMono, kModes, kNotConnected,
                    {0, 2, 0, 0, -5, 0}, {0, 2, 0, 0, 0, 0}, Refuses(kStepsOutOfRange), {0, 2, 0, 0, 0, 0}},
        ShutterCase{"B145Refused", kShutterBsteps, kTriad, kModes, kModes,
                    {0, 0, 0, 2, 0, 145}, {0, 0, 0, 2, 0, 12}, Refuses(kStepsOutOfRange), {0, 0, 0, 2, 0, 12}},
        ShutterCase{"BWhileSoftRefused", kShutterBsteps, kTriad, kModes, kModes,
                    {0, 0, 0, 1, 0, 20}, {0, 0, 0, 1, 0, 0}, Refuses(kStepsNeedNeutralDensity), {0, 0, 0, 1, 0, 0}},
        ShutterCase{"ABeforeStatusReply", kShutterAsteps, kUnknown, kUncut, kUncut,
                    {0, 2, 0, 0, 20, 0}, {0, 2, 0, 0, 0, 0}, Refuses(kSendStatusFirstMessage), {0, 2, 0, 0, 20, 0}},
        ShutterCase{"BWhileTheVariantIsUnknown", kShutterBsteps, kUnknown, kModes, kModes,
                    {0, 0, 0, 2, 0, 20}, {0, 0, 0, 2, 0, 0}, Refuses(kSendStatusFirstMessage), {0, 0, 0, 2, 0, 20}}),
    CaseName());

}  // namespace
