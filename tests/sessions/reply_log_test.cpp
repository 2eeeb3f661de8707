// A status reply in the log, byte by byte, and in the status view: the same
// whether the controller answers at once or at the real line rate, and
// whatever its skipped places hold.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "session_fixture.h"

namespace {

using emulator::Variant;

struct LineRate {
  const char* what;
  int baud;
  std::optional<uint8_t> skippedByte = std::nullopt;
  // The log's line for that byte in each place the layout skips; nullptr for
  // the documented bytes.
  const char* skippedLine = nullptr;
};

void PrintTo(const LineRate& rate, std::ostream* out) { *out << rate.what; }

class StatusReplyLogTest : public SessionTest, public ::testing::WithParamInterface<LineRate> {};

TEST_P(StatusReplyLogTest, EchoesEveryByteOfTheReplyInTheThreeWidths) {
  const LineRate& rate = GetParam();
  emulator::EmulatorOptions options;
  options.variant = Variant::kTriad;
  options.baud = rate.baud;
  options.skippedByte = rate.skippedByte;
  ASSERT_NO_FATAL_FAILURE(Connect(options));
  const auto skipped = [&rate](const char* documented) {
    return std::string(rate.skippedLine ? rate.skippedLine : documented);
  };
  w.otherCommand.choose(1);
  // A Triad as it starts: wheels at filter 0, speed 0, shutters closed, fast.
  EXPECT_EQ(Send(), "204       0xCC\n"
                    "0           0x0\n"
                    "128       0x80\n" +
                        skipped("0           0x0\n") +
                        "0           0x0\n"
                        "172       0xAC\n"
                        "188       0xBC\n"
                        "220       0xDC\n" +
                        skipped("1           0x1\n") + "220       0xDC\n" + skipped("2           0x2\n") +
                        "13         0xD\n" + kSeparatorLine);
  EXPECT_EQ(TakeReceived(), Bytes{0xCC});
  EXPECT_EQ(w.statusView.text,
            "********  Triad Controller Current Status  ********\n"
            "- Wheel A :              Filter 0;    Speed 0\n"
            "- Wheel B :              Filter 0;    Speed 0\n"
            "- Wheel C :              Filter 0;    Speed 0\n"
            "- Shutter A status :  Close\n"
            "- Shutter B status :  Close\n"
            "- Shutter A mode :   Fast\n"
            "- Shutter B mode :   Fast\n");
}

INSTANTIATE_TEST_SUITE_P(Rates, StatusReplyLogTest,
                         ::testing::Values(LineRate{"Unpaced", 0}, LineRate{"At300Baud", 300},
                                           LineRate{"SkippedFC", 0, 0xFC, "252       0xFC\n"},
                                           LineRate{"Skipped55At300Baud", 300, 0x55, "85         0x55\n"}),
                         [](const auto& info) { return std::string(info.param.what); });

}  // namespace
