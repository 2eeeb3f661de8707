#include <gtest/gtest.h>

#include <string>

#include "emulator_test_support.h"

namespace emulator {
namespace {

struct StatusCase {
  std::string name;
  ControllerSetup setup;
  Bytes commands;
  Bytes reply;  // CC echo, layout, closing 0D
};

void PrintTo(const StatusCase& c, std::ostream* out) { *out << c.name; }

class StatusLayoutTest : public testing::TestWithParam<StatusCase> {};

TEST_P(StatusLayoutTest, AnswersStatusQueryInTheVariantsLayout) {
  const StatusCase& c = GetParam();
  EXPECT_EQ(StatusReplyAfter(c.setup, c.commands), c.reply);
}

Bytes MonoReply(Bytes head, Bytes tail) {
  head.insert(head.end(), 10, 0x00);
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

ControllerSetup Skipping(uint8_t skipped, ControllerSetup setup) {
  setup.skippedByte = skipped;
  return setup;
}

const StatusCase kStatusCases[] = {
    {"TriadInitial",
     {Variant::kTriad},
     {},
     {0xCC, 0x00, 0x80, 0x00, 0x00, 0xAC, 0xBC, 0xDC, 0x01, 0xDC, 0x02, 0x0D}},
    {"TriadWheelCNotConnectedShutterBNeutralDensity",
     {Variant::kTriad, {Device::kWheelC}},
     {0x41, 0xB2, 0xAA, 0xBA, 0xDD, 0x01, 0xDE, 0x02, 0x90},
     {0xCC, 0x41, 0xB2, 0x00, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDE, 0x02, 0x90, 0x0D}},
    {"TriadShutterAThirteenSteps",
     {Variant::kTriad},
     {0xFC, 0x79, 0xDE, 0x01, 0x0D},
     {0xCC, 0x00, 0x80, 0x00, 0x79, 0xAC, 0xBC, 0xDE, 0x01, 0x0D, 0xDC, 0x02, 0x0D}},
    {"TriadWheelBAndShutterBNotConnected",
     {Variant::kTriad, {Device::kWheelB, Device::kShutterB}},
     {0xA3, 0xDE, 0x02, 0x05},
     {0xCC, 0x00, 0x8A, 0x00, 0x00, 0xAC, 0xBC, 0xDC, 0x01, 0xDB, 0x02, 0x0D}},
    // Another byte in every skipped place, and nowhere else.
    {"TriadSkippedFC",
     Skipping(0xFC, {Variant::kTriad, {Device::kWheelC}}),
     {0x41, 0xB2, 0xAA, 0xBA, 0xDD, 0x01, 0xDE, 0x02, 0x90},
     {0xCC, 0x41, 0xB2, 0xFC, 0x0A, 0xAA, 0xBA, 0xDD, 0xFC, 0xDE, 0xFC, 0x90, 0x0D}},
    {"DuoShutterShutterSkipped55",
     Skipping(0x55, {Variant::kDuoShutterShutter, {Device::kShutterA}}),
     {0xDE, 0x02, 0x0A},
     {0xCC, 0xAC, 0xBC, 0xDB, 0x55, 0xDE, 0x55, 0x0A, 0x0D}},
    {"DuoWheelShutterHasNoSkippedPlace",
     Skipping(0x55, {Variant::kDuoWheelShutter}),
     {0x32, 0xAA, 0xDE, 0x19},
     {0xCC, 0x32, 0xAA, 0xDE, 0x19, 0x0D}},
    {"MonoSkipped55",
     Skipping(0x55, {Variant::kMono}),
     {0xAA, 0xDE, 0x0A},
     MonoReply({0xCC, 0xAA, 0xDE, 0x0A, 0x55, 0xA0, 0xB0}, {0xF0, 0x00, 0x00, 0x0D})},
    {"DuoWheelShutterNeutralDensity",
     {Variant::kDuoWheelShutter},
     {0x32, 0xAA, 0xDE, 0x19},
     {0xCC, 0x32, 0xAA, 0xDE, 0x19, 0x0D}},
    {"DuoWheelShutterNothingConnected",
     {Variant::kDuoWheelShutter, {Device::kWheelA, Device::kShutterA}},
     {0x32, 0xAA},
     {0xCC, 0x0A, 0xAC, 0xDB, 0x0D}},
    {"DuoShutterShutterStepsShiftShutterB",
     {Variant::kDuoShutterShutter},
     {0xAB, 0xBC, 0xDE, 0x01, 0x40, 0xDC, 0x02},
     {0xCC, 0xAB, 0xBC, 0xDE, 0x01, 0x40, 0xDC, 0x02, 0x0D}},
    {"DuoShutterShutterTenStepsOnShutterB",
     {Variant::kDuoShutterShutter},
     {0xDE, 0x02, 0x0A},
     {0xCC, 0xAC, 0xBC, 0xDC, 0x01, 0xDE, 0x02, 0x0A, 0x0D}},
    {"DuoShutterShutterShutterANotConnected",
     {Variant::kDuoShutterShutter, {Device::kShutterA}},
     {},
     {0xCC, 0xAC, 0xBC, 0xDB, 0x01, 0xDC, 0x02, 0x0D}},
    {"MonoEverySetting",
     {Variant::kMono},
     {0xAA, 0xDE, 0x0A, 0xFA, 0xA2, 0xFA, 0xB2, 0xFA, 0x11, 0x1E, 0x2D, 0x12, 0x34, 0xFA, 0x22,
      0x00, 0x05, 0x00, 0x07, 0xFA, 0xF3, 0xFA, 0xF0, 0x01, 0xF4},
     {0xCC, 0xAA, 0xDE, 0x0A, 0x00, 0xA2, 0xB2, 0x11, 0x1E, 0x2D, 0x12, 0x34,
      0x22, 0x00, 0x05, 0x00, 0x07, 0xF3, 0x01, 0xF4, 0x0D}},
    {"MonoInitial", {Variant::kMono}, {}, MonoReply({0xCC, 0xAC, 0xDC, 0x00, 0xA0, 0xB0}, {0xF0, 0x00, 0x00, 0x0D})},
    {"MonoContinuous",
     {Variant::kMono},
     {0xFA, 0xF0, 0xFF, 0xFF},
     MonoReply({0xCC, 0xAC, 0xDC, 0x00, 0xA0, 0xB0}, {0xF0, 0xFF, 0xFF, 0x0D})},
    {"MonoShutterNotConnected", {Variant::kMono, {Device::kShutterA}}, {0xFA, 0xF3}, {0xCC, 0xAC, 0xDB, 0x0D}},
};
INSTANTIATE_TEST_SUITE_P(Variants, StatusLayoutTest, testing::ValuesIn(kStatusCases),
                         [](const auto& info) { return info.param.name; });

struct ConfigurationCase {
  std::string name;
  Variant variant;
  std::size_t length;  // echo, characters and closing byte
};

void PrintTo(const ConfigurationCase& c, std::ostream* out) { *out << c.name; }

class ConfigurationReplyTest : public testing::TestWithParam<ConfigurationCase> {};

TEST_P(ConfigurationReplyTest, HasTheLengthConsolesIdentifyTheVariantBy) {
  const ConfigurationCase& c = GetParam();
  ControllerModel model(c.variant);
  const Bytes reply = Transcript(model, {0xFD});
  ASSERT_EQ(reply.size(), c.length);
  EXPECT_EQ(reply.front(), 0xFD);
  EXPECT_EQ(reply.back(), 0x0D);
  for (std::size_t i = 1; i + 1 < reply.size(); ++i) {
    EXPECT_TRUE(reply[i] >= 0x20 && reply[i] < 0x7F) << "byte " << i;
  }
  // At 14 bytes only the first character tells a Duo wheel/shutter ('1') from a Mono.
  if (c.length == 14) {
    EXPECT_EQ(reply[1] == '1', c.variant == Variant::kDuoWheelShutter);
  }
}

INSTANTIATE_TEST_SUITE_P(Variants, ConfigurationReplyTest,
                         testing::Values(ConfigurationCase{"Triad", Variant::kTriad, 31},
                                         ConfigurationCase{"DuoWheelShutter", Variant::kDuoWheelShutter, 14},
                                         ConfigurationCase{"DuoShutterShutter", Variant::kDuoShutterShutter, 16},
                                         ConfigurationCase{"Mono", Variant::kMono, 14}),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace emulator
