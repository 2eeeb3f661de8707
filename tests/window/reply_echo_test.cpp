#include "reply_echo.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct EchoCase {
  unsigned char byte;
  const char* line;
};

class EchoLineTest : public ::testing::TestWithParam<EchoCase> {};

TEST_P(EchoLineTest, PrintsDecimalThenUpperCaseHexadecimal) { EXPECT_EQ(EchoLine(GetParam().byte), GetParam().line); }

// The gap is 11 spaces up to 9, 9 spaces up to 99, 7 spaces above.
INSTANTIATE_TEST_SUITE_P(Bytes, EchoLineTest,
                         ::testing::Values(EchoCase{0, "0           0x0\n"}, EchoCase{5, "5           0x5\n"},
                                           EchoCase{9, "9           0x9\n"}, EchoCase{10, "10         0xA\n"},
                                           EchoCase{13, "13         0xD\n"}, EchoCase{99, "99         0x63\n"},
                                           EchoCase{100, "100       0x64\n"}, EchoCase{204, "204       0xCC\n"},
                                           EchoCase{255, "255       0xFF\n"}));

TEST(ReplyEcho, AppendsOneLinePerByteInOrder) {
  const unsigned char reply[] = {0x23, 0x0D, 0xFF};
  std::string log = "before\n";
  AppendReplyEcho(reply, 2, log);
  EXPECT_EQ(log, "before\n35         0x23\n13         0xD\n");
}

}  // namespace
