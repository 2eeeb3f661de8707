#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line.h"

namespace emulator {
namespace {

using namespace std::chrono_literals;
using Arguments = std::vector<std::string>;

TEST(CommandLine, DefaultsServeAnAnnouncedTriadAt300Baud) {
  const CommandLine line = ParseCommandLine({});
  ASSERT_EQ(line.error, "");
  EXPECT_EQ(line.options.variant, Variant::kTriad);
  EXPECT_TRUE(line.options.notConnected.empty());
  EXPECT_EQ(line.options.baud, 300);
  EXPECT_EQ(line.options.latency, 0ms);
  EXPECT_EQ(line.options.moveTime, 0ms);
  EXPECT_EQ(line.options.latencyTimer, 0ms);
  EXPECT_TRUE(line.options.announce);
  EXPECT_FALSE(line.options.skippedByte.has_value());
  EXPECT_FALSE(line.help);
}

TEST(CommandLine, SkippedByteInHexadecimal) {
  EXPECT_EQ(ParseCommandLine({"--skipped-byte", "FC"}).options.skippedByte, 0xFC);
  EXPECT_EQ(ParseCommandLine({"--skipped-byte=0x55"}).options.skippedByte, 0x55);
  EXPECT_EQ(ParseCommandLine({"--skipped-byte", "0"}).options.skippedByte, 0x00);
  EXPECT_EQ(ParseCommandLine({"--skipped-byte", "fc", "--skipped-byte", "ff"}).options.skippedByte, 0xFF);
}

TEST(CommandLine, EveryOptionInBothSpellings) {
  const CommandLine line =
      ParseCommandLine({"--variant", "duo-ss", "--not-connected=shutterA,shutterB", "--baud=9600", "--latency", "50",
                        "--move-time=200", "--latency-timer", "16", "--no-announce"});
  ASSERT_EQ(line.error, "");
  EXPECT_EQ(line.options.variant, Variant::kDuoShutterShutter);
  EXPECT_EQ(line.options.notConnected, (std::set<Device>{Device::kShutterA, Device::kShutterB}));
  EXPECT_EQ(line.options.baud, 9600);
  EXPECT_EQ(line.options.latency, 50ms);
  EXPECT_EQ(line.options.moveTime, 200ms);
  EXPECT_EQ(line.options.latencyTimer, 16ms);
  EXPECT_FALSE(line.options.announce);
}

TEST(CommandLine, VariantNamesAndFlags) {
  EXPECT_EQ(ParseCommandLine({"--variant", "duo-ws"}).options.variant, Variant::kDuoWheelShutter);
  EXPECT_EQ(ParseCommandLine({"--variant", "mono"}).options.variant, Variant::kMono);
  EXPECT_EQ(ParseCommandLine({"--no-pacing"}).options.baud, 0);
  EXPECT_TRUE(ParseCommandLine({"--help"}).help);
  EXPECT_TRUE(ParseCommandLine({"--version"}).version);
}

TEST(CommandLine, ALaterOptionWinsAndNotConnectedListsAddUp) {
  EXPECT_EQ(ParseCommandLine({"--no-pacing", "--baud", "9600"}).options.baud, 9600);
  EXPECT_EQ(ParseCommandLine({"--baud=9600", "--no-pacing"}).options.baud, 0);
  EXPECT_EQ(ParseCommandLine({"--latency", "5", "--latency=7"}).options.latency, 7ms);
  EXPECT_EQ(ParseCommandLine({"--variant", "mono", "--variant", "duo-ss"}).options.variant, Variant::kDuoShutterShutter);
  EXPECT_EQ(ParseCommandLine({"--not-connected", "wheelA", "--not-connected=shutterB"}).options.notConnected,
            (std::set<Device>{Device::kWheelA, Device::kShutterB}));
}

TEST(CommandLine, MoveTimeModelAndAWornWheel) {
  const CommandLine line = ParseCommandLine({"--position-time", "120", "--wear=wheelC:3:250"});
  ASSERT_EQ(line.error, "");
  EXPECT_EQ(line.options.moveTime, 0ms);
  EXPECT_EQ(line.options.positionTime, 120ms);
  EXPECT_EQ(line.options.wear.wheel, Device::kWheelC);
  EXPECT_EQ(line.options.wear.percent, 3);
  EXPECT_EQ(line.options.wear.everyMoves, 250);
  EXPECT_EQ(ParseCommandLine({}).options.wear.percent, 0);
}

TEST(CommandLine, AStuckWheel) {
  const CommandLine line = ParseCommandLine({"--stuck", "wheelB:9"});
  ASSERT_EQ(line.error, "");
  EXPECT_EQ(line.options.stuck.wheel, Device::kWheelB);
  EXPECT_EQ(line.options.stuck.filter, 9);
  EXPECT_EQ(ParseCommandLine({}).options.stuck.filter, -1);
}

TEST(CommandLine, AShutterIgnoringAModeAndAControllerFallingSilent) {
  const CommandLine line = ParseCommandLine({"--ignore-mode", "shutterB:nd", "--silent-after", "40"});
  ASSERT_EQ(line.error, "");
  EXPECT_EQ(line.options.ignoredMode.shutter, Device::kShutterB);
  EXPECT_EQ(line.options.ignoredMode.mode, static_cast<int>(ShutterMode::kNeutralDensity));
  EXPECT_EQ(line.options.silentAfter, 40);
  EXPECT_EQ(ParseCommandLine({}).options.ignoredMode.mode, -1);
  EXPECT_EQ(ParseCommandLine({}).options.silentAfter, 0);
}

struct ListenCase {
  Arguments arguments;
  std::string host;
  uint16_t port;
  bool rfc2217;
};

// A port alone listens on the loopback address; a later --listen or
// --listen-raw wins over an earlier one.
TEST(CommandLine, ListenTakesAnOptionalHostAndAPort) {
  const ListenCase cases[] = {
      {{"--listen", "4001"}, "127.0.0.1", 4001, true},
      {{"--listen=0"}, "127.0.0.1", 0, true},
      {{"--listen", "0.0.0.0:65535"}, "0.0.0.0", 65535, true},
      {{"--listen", "localhost:7"}, "localhost", 7, true},
      {{"--listen", "[::1]:4001"}, "::1", 4001, true},
      {{"--listen-raw", "4002"}, "127.0.0.1", 4002, false},
      {{"--listen-raw", "4002", "--listen", "4001"}, "127.0.0.1", 4001, true},
  };
  for (const ListenCase& c : cases) {
    const CommandLine line = ParseCommandLine(c.arguments);
    ASSERT_EQ(line.error, "") << c.arguments[0];
    ASSERT_TRUE(line.options.listen.has_value());
    EXPECT_EQ(line.options.listen->host, c.host);
    EXPECT_EQ(line.options.listen->port, c.port);
    EXPECT_EQ(line.options.listen->rfc2217, c.rfc2217);
  }
  EXPECT_FALSE(ParseCommandLine({}).options.listen.has_value());
}

TEST(CommandLine, UsageNamesEveryOption) {
  const std::string usage = UsageText();
  EXPECT_EQ(usage.rfind("Usage: korvel-emulator [options]\n", 0), 0u);
  for (const char* option : {"--variant triad|duo-ws|duo-ss|mono", "--not-connected LIST", "--no-pacing", "--baud N",
                             "--latency MS", "--move-time MS", "--position-time MS", "--wear WHEEL:PERCENT:N",
                             "--stuck WHEEL:FILTER", "--ignore-mode SHUTTER:MODE", "--silent-after N", "--skipped-byte HEX", "--no-announce", "--listen [HOST:]PORT",
                             "--listen-raw [HOST:]PORT", "--count N", "--fault-on K", "--link PATH", "--help", "--version"}) {
    EXPECT_NE(usage.find(std::string("\n  ") + option + "  "), std::string::npos) << option;
  }
}

class BadCommandLine : public testing::TestWithParam<Arguments> {};

TEST_P(BadCommandLine, IsRefusedWithAReason) { EXPECT_NE(ParseCommandLine(GetParam()).error, ""); }

INSTANTIATE_TEST_SUITE_P(Cases, BadCommandLine,
                         testing::Values(Arguments{"--variant", "quad"}, Arguments{"--variant"},
                                         Arguments{"--baud", "0"}, Arguments{"--baud", "12x"},
                                         Arguments{"--baud", "99999999999999999999"}, Arguments{"--latency", "-1"},
                                         Arguments{"--move-time", ""}, Arguments{"--latency-timer", "0"},
                                         Arguments{"--latency-timer=256"}, Arguments{"--not-connected", "wheelD"},
                                         Arguments{"--not-connected", "wheelA,"},
                                         Arguments{"--variant", "mono", "--not-connected", "wheelA"},
                                         Arguments{"--not-connected", "shutterB", "--variant", "duo-ws"},
                                         Arguments{"--position-time", "-5"}, Arguments{"--wear", "wheelA:5"},
                                         Arguments{"--wear", "shutterA:5:10"}, Arguments{"--wear", "wheelA:0:10"},
                                         Arguments{"--wear", "wheelA:101:10"}, Arguments{"--wear", "wheelA:5:0"},
                                         Arguments{"--wear", "wheelA:5:10:2"}, Arguments{"--wear", "wheelB:5:10", "--variant", "duo-ws"},
                                         Arguments{"--stuck", "wheelA"}, Arguments{"--stuck", "wheelA:10"},
                                         Arguments{"--stuck", "shutterA:1"}, Arguments{"--stuck", "wheelC:1", "--variant", "duo-ws"},
                                         Arguments{"--ignore-mode", "shutterA"}, Arguments{"--ignore-mode", "shutterA:slow"},
                                         Arguments{"--ignore-mode", "wheelA:fast"}, Arguments{"--ignore-mode", "shutterB:soft", "--variant", "mono"},
                                         Arguments{"--silent-after", "0"}, Arguments{"--silent-after", "x"},
                                         Arguments{"--skipped-byte", "100"}, Arguments{"--skipped-byte", "0x"},
                                         Arguments{"--skipped-byte", "-1"}, Arguments{"--skipped-byte", "G0"},
                                         Arguments{"--listen", ""}, Arguments{"--listen", "65536"},
                                         Arguments{"--listen", "port"}, Arguments{"--listen", ":4001"},
                                         Arguments{"--listen", "host:"}, Arguments{"--listen", "::1:4001"},
                                         Arguments{"--listen", "[::1]4001"}, Arguments{"--listen", "[]:4001"},
                                         Arguments{"--listen-raw", "-1"}, Arguments{"--listen"},
                                         Arguments{"--count", "0"}, Arguments{"--count", "65"},
                                         Arguments{"--count", "two"}, Arguments{"--count", "2", "--listen", "0"},
                                         Arguments{"--listen-raw", "0", "--count=2"}, Arguments{"--fault-on", "0"},
                                         Arguments{"--fault-on", "3", "--count", "2"}, Arguments{"--fault-on", "2"},
                                         Arguments{"--link", ""}, Arguments{"--link", "/tmp/k", "--listen", "0"},
                                         Arguments{"--frobnicate"}, Arguments{"--help=yes"}, Arguments{"mono"}));

}  // namespace
}  // namespace emulator
