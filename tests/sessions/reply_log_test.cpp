// A status reply in the log, byte by byte, and in the status view: the same
// whether the controller answers at once or at the real line rate.
#include <ostream>
#include <string>

#include "session_fixture.h"

namespace {

using emulator::Variant;

struct LineRate {
  const char* what;
  int baud;
};

void PrintTo(const LineRate& rate, std::ostream* out) { *out << rate.what; }

class StatusReplyLogTest : public SessionTest, public ::testing::WithParamInterface<LineRate> {};

TEST_P(StatusReplyLogTest, EchoesEveryByteOfTheReplyInTheThreeWidths) {
  ASSERT_NO_FATAL_FAILURE(Connect(Variant::kTriad, GetParam().baud));
  w.otherCommand.choose(1);
  // A Triad as it starts: wheels at filter 0, speed 0, shutters closed, fast.
  EXPECT_EQ(Send(),
            "204       0xCC\n"
            "0           0x0\n"
            "128       0x80\n"
            "252       0xFC\n"
            "0           0x0\n"
            "172       0xAC\n"
            "188       0xBC\n"
            "220       0xDC\n"
            "1           0x1\n"
            "220       0xDC\n"
            "2           0x2\n"
            "13         0xD\n" +
                kSeparatorLine);
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
                         ::testing::Values(LineRate{"Unpaced", 0}, LineRate{"At300Baud", 300}),
                         [](const auto& info) { return std::string(info.param.what); });

}  // namespace
