#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "controller_model.h"
#include "emulator_test_support.h"

namespace emulator {
namespace {

constexpr Variant kTriad = Variant::kTriad;
constexpr Variant kDuoWS = Variant::kDuoWheelShutter;
constexpr Variant kDuoSS = Variant::kDuoShutterShutter;
constexpr Variant kMono = Variant::kMono;

using StateChange = std::function<void(ControllerState&)>;

struct CommandCase {
  std::string name;
  ControllerSetup setup;
  Bytes input;
  Bytes output;       // echo, answers and closing bytes
  StateChange change;  // applied to the initial state; nullptr: unchanged
};

void PrintTo(const CommandCase& c, std::ostream* out) { *out << c.name; }

class CommandTest : public testing::TestWithParam<CommandCase> {};

TEST_P(CommandTest, EchoesClosesAndChangesState) {
  const CommandCase& c = GetParam();
  ControllerModel model(c.setup);
  EXPECT_EQ(Transcript(model, c.input), c.output);
  ControllerState expected;
  if (c.change) c.change(expected);
  EXPECT_EQ(model.state(), expected);
}

const CommandCase kWheelAndShutterCases[] = {
    {"WheelA", {kTriad}, {0x23}, {0x23, 0x0D}, [](auto& s) { s.wheels[0] = {3, 2}; }},
    {"WheelB", {kTriad}, {0xA3}, {0xA3, 0x0D}, [](auto& s) { s.wheels[1] = {3, 2}; }},
    {"WheelC", {kTriad}, {0xFC, 0x79}, {0xFC, 0x79, 0x0D}, [](auto& s) { s.wheels[2] = {9, 7}; }},
    {"WheelCByteEqualToLineFeed", {kTriad}, {0xFC, 0x0A, 0xEE}, {0xFC, 0x0A, 0x0D, 0xEE, 0x0D}, nullptr},
    {"ShutterStates",
     {kTriad},
     {0xAA, 0xBB, 0xAB},
     {0xAA, 0x0D, 0xBB, 0x0D, 0xAB, 0x0D},
     [](auto& s) {
       s.shutters[0].state = ShutterState::kOpenConditional;
       s.shutters[1].state = ShutterState::kOpenConditional;
     }},
    {"CloseAfterOpen", {kTriad}, {0xBA, 0xBC}, {0xBA, 0x0D, 0xBC, 0x0D}, nullptr},
    {"NeutralDensityTenSteps",
     {kTriad},
     {0xDE, 0x01, 0x0A},
     {0xDE, 0x01, 0x0A, 0x0D},
     [](auto& s) { s.shutters[0] = {ShutterState::kClosed, ShutterMode::kNeutralDensity, 10}; }},
    {"NeutralDensityThirteenStepsOnShutterB",
     {kTriad},
     {0xDE, 0x02, 0x0D},
     {0xDE, 0x02, 0x0D, 0x0D},
     [](auto& s) { s.shutters[1] = {ShutterState::kClosed, ShutterMode::kNeutralDensity, 13}; }},
    {"SoftDropsSteps",
     {kDuoSS},
     {0xDE, 0x02, 0x05, 0xDD, 0x02},
     {0xDE, 0x02, 0x05, 0x0D, 0xDD, 0x02, 0x0D},
     [](auto& s) { s.shutters[1].mode = ShutterMode::kSoft; }},
    {"StepsOutsideRangeIgnored",
     {kTriad},
     {0xDE, 0x01, 0x91, 0xDE, 0x01, 0x00},
     {0xDE, 0x01, 0x91, 0x0D, 0xDE, 0x01, 0x00, 0x0D},
     nullptr},
    {"UnknownShutterNumberIgnored", {kTriad}, {0xDD, 0x03}, {0xDD, 0x03, 0x0D}, nullptr},
    {"SingleShutterModeHasNoNumber",
     {kDuoWS},
     {0xDD, 0xDE, 0x19},
     {0xDD, 0x0D, 0xDE, 0x19, 0x0D},
     [](auto& s) { s.shutters[0] = {ShutterState::kClosed, ShutterMode::kNeutralDensity, 25}; }},
};
INSTANTIATE_TEST_SUITE_P(WheelsAndShutters, CommandTest, testing::ValuesIn(kWheelAndShutterCases),
                         [](const auto& info) { return info.param.name; });

const CommandCase kTriadCompoundCases[] = {
    {"Combined",
     {kTriad},
     {0xDF, 0x23, 0x81, 0xAA, 0xBC},
     {0xDF, 0x23, 0x81, 0xAA, 0xBC, 0x0D},
     [](auto& s) {
       s.wheels[0] = {3, 2};
       s.wheels[1] = {1, 0};
       s.shutters[0].state = ShutterState::kOpen;
     }},
    {"CombinedSkipsMisplacedBytes",
     {kTriad},
     {0xDF, 0x0A, 0x23, 0xBA, 0xAA},
     {0xDF, 0x0A, 0x23, 0xBA, 0xAA, 0x0D},
     nullptr},
    {"EmptyBatch", {kTriad}, {0xBD, 0xBE}, {0xBD, 0xBE, 0x0D}, nullptr},
    {"FullBatch",
     {kTriad},
     {0xBD, 0x23, 0xA1, 0xFC, 0x45, 0xAB, 0xBA, 0xBE},
     {0xBD, 0x23, 0xA1, 0xFC, 0x45, 0xAB, 0xBA, 0xBE, 0x0D},
     [](auto& s) {
       s.wheels = {{{3, 2}, {1, 2}, {5, 4}}};
       s.shutters[0].state = ShutterState::kOpenConditional;
       s.shutters[1].state = ShutterState::kOpen;
     }},
    {"BatchWheelCByteIsNeverItsEnd",
     {kTriad},
     {0xBD, 0xFC, 0xBE, 0x47, 0xBE},
     {0xBD, 0xFC, 0xBE, 0x47, 0xBE, 0x0D},
     [](auto& s) { s.wheels[0] = {7, 4}; }},
    {"OverlongBatchDropped",
     {kTriad},
     [] {
       Bytes b{0xBD};
       b.insert(b.end(), 19, 0x11);
       b.push_back(0xEE);
       return b;
     }(),
     [] {
       Bytes b{0xBD};
       b.insert(b.end(), 19, 0x11);
       b.insert(b.end(), {0xEE, 0x0D});
       return b;
     }(),
     nullptr},
};
INSTANTIATE_TEST_SUITE_P(TriadCompound, CommandTest, testing::ValuesIn(kTriadCompoundCases),
                         [](const auto& info) { return info.param.name; });

const CommandCase kMonoCases[] = {
    {"RepeatNumber", {kMono}, {0xFA, 0xF0, 0x01, 0xF4}, {0xFA, 0xF0, 0x01, 0xF4, 0x0D}, [](auto& s) {
       s.repeatNumber = 500;
     }},
    {"RepeatNumberTen", {kMono}, {0xFA, 0xF0, 0x00, 0x0A}, {0xFA, 0xF0, 0x00, 0x0A, 0x0D}, [](auto& s) {
       s.repeatNumber = 10;
     }},
    {"FreeRunByPowerOnCloses", {kMono}, {0xFA, 0xF1}, {0xFA, 0xF1, 0x0D}, [](auto& s) { s.freeRun = 0xF1; }},
    {"FreeRunByTriggerHasNoClosing", {kMono}, {0xFA, 0xF2}, {0xFA, 0xF2}, [](auto& s) { s.freeRun = 0xF2; }},
    {"FreeRunGoHasNoClosing", {kMono}, {0xFA, 0xF3}, {0xFA, 0xF3}, [](auto& s) { s.freeRun = 0xF3; }},
    {"TtlIn", {kMono}, {0xFA, 0xA4}, {0xFA, 0xA4, 0x0D}, [](auto& s) { s.ttlIn = 0xA4; }},
    {"TtlOut", {kMono}, {0xFA, 0xB2}, {0xFA, 0xB2, 0x0D}, [](auto& s) { s.ttlOut = 0xB2; }},
    {"C0AndC1ChangeNothing", {kMono}, {0xFA, 0xC0, 0xFA, 0xC1}, {0xFA, 0xC0, 0x0D, 0xFA, 0xC1, 0x0D}, nullptr},
    {"ClosedTimeOfTenMinutes",
     {kMono},
     {0xFA, 0x10, 0x0A, 0x00, 0x00, 0x00},
     {0xFA, 0x10, 0x0A, 0x00, 0x00, 0x00, 0x0D},
     [](auto& s) { s.closedTime = {0x10, 0x0A, 0x00, 0x00, 0x00}; }},
    {"ExposureTime",
     {kMono},
     {0xFA, 0x21, 0x02, 0x03, 0x45, 0x67},
     {0xFA, 0x21, 0x02, 0x03, 0x45, 0x67, 0x0D},
     [](auto& s) { s.exposureTime = {0x21, 0x02, 0x03, 0x45, 0x67}; }},
    {"TimerWithoutTimerTypeIgnored",
     {kMono},
     {0xFA, 0x01, 0x02, 0x03, 0x04, 0x05},
     {0xFA, 0x01, 0x02, 0x03, 0x04, 0x05, 0x0D},
     nullptr},
};
INSTANTIATE_TEST_SUITE_P(Mono, CommandTest, testing::ValuesIn(kMonoCases),
                         [](const auto& info) { return info.param.name; });

const CommandCase kPlainCommandCases[] = {
    {"OnLine", {kTriad}, {0xEE}, {0xEE, 0x0D}, nullptr},
    {"OneShotCommands",
     {kMono},
     {0xEF, 0xCF, 0xCE, 0xFB},
     {0xEF, 0x0D, 0xCF, 0x0D, 0xCE, 0x0D, 0xFB, 0x0D},
     nullptr},
    {"BFHasNoClosing", {kMono}, {0xBF}, {0xBF}, nullptr},
    {"UnknownBytesOnlyEchoed", {kTriad}, {0x0A, 0xBE, 0xFF, 0xEE}, {0x0A, 0xBE, 0xFF, 0xEE, 0x0D}, nullptr},
};
INSTANTIATE_TEST_SUITE_P(PlainCommands, CommandTest, testing::ValuesIn(kPlainCommandCases),
                         [](const auto& info) { return info.param.name; });

// Commands to a device that is not connected, or that the variant lacks, are
// answered as usual but change nothing.
const CommandCase kMissingDeviceCases[] = {
    {"NotConnectedWheelB", {kTriad, {Device::kWheelB}}, {0xA3}, {0xA3, 0x0D}, nullptr},
    {"NotConnectedWheelC", {kTriad, {Device::kWheelC}}, {0xFC, 0x23}, {0xFC, 0x23, 0x0D}, nullptr},
    {"NotConnectedShutterA",
     {kTriad, {Device::kShutterA}},
     {0xAA, 0xDE, 0x01, 0x05},
     {0xAA, 0x0D, 0xDE, 0x01, 0x05, 0x0D},
     nullptr},
    {"CombinedSetsOnlyConnectedDevices",
     {kTriad, {Device::kWheelA, Device::kShutterB}},
     {0xDF, 0x23, 0x81, 0xAA, 0xBA},
     {0xDF, 0x23, 0x81, 0xAA, 0xBA, 0x0D},
     [](auto& s) {
       s.wheels[1] = {1, 0};
       s.shutters[0].state = ShutterState::kOpen;
     }},
    {"MonoSettingsOfNotConnectedShutter",
     {kMono, {Device::kShutterA}},
     {0xFA, 0xF0, 0x00, 0x05, 0xFA, 0xA1},
     {0xFA, 0xF0, 0x00, 0x05, 0x0D, 0xFA, 0xA1, 0x0D},
     nullptr},
    {"WheelOnDuoShutterShutter", {kDuoSS}, {0x23}, {0x23, 0x0D}, nullptr},
    {"ShutterBOnMono", {kMono}, {0xBA}, {0xBA, 0x0D}, nullptr},
    {"MonoCommandOnTriad", {kTriad}, {0xFA, 0xA1}, {0xFA, 0xA1, 0x0D}, nullptr},
};
INSTANTIATE_TEST_SUITE_P(MissingDevices, CommandTest, testing::ValuesIn(kMissingDeviceCases),
                         [](const auto& info) { return info.param.name; });

TEST(WheelMoved, OnlyWhenAFilterChanges) {
  struct Step {
    Bytes command;
    bool moved;
  };
  ControllerModel model({kTriad, {Device::kWheelB}});
  const Step steps[] = {
      {{0x23}, true},  {{0x13}, false},           {{0xFC, 0x05}, true}, {{0xA5}, false},
      {{0xAA}, false}, {{0xBD, 0x24, 0xBE}, true}, {{0xCC}, false},
  };
  for (const Step& step : steps) {
    Reply last;
    for (uint8_t b : step.command) last = model.feed(b);
    EXPECT_TRUE(last.complete);
    EXPECT_EQ(last.wheelMoved, step.moved) << "command starting " << int(step.command[0]);
  }
}

}  // namespace
}  // namespace emulator
