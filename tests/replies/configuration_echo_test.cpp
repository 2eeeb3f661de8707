// The configuration reply: its text in the log, and the controller it names.
#include "configuration_echo.h"

#include <string>

#include "reply_test_support.h"

namespace {

// FD, the characters, then the final byte.
Bytes ConfigurationReply(const std::string& characters, unsigned char last = 0x0D) {
  Bytes reply{0xFD};
  for (char c : characters) reply.push_back(static_cast<unsigned char>(c));
  reply.push_back(last);
  return reply;
}

const std::string kHeader = "253       0xFD\n";
const std::string kClosing = "13       0xD\n";

struct EchoCase {
  const char* name;
  int32_t itypeBefore;
  Bytes reply;
  std::string log;
  int32_t itypeAfter;
  int32_t commandItems;
};

void PrintTo(const EchoCase& c, std::ostream* os) { *os << c.name; }

class ConfigurationEchoTest : public ReplyTest, public ::testing::WithParamInterface<EchoCase> {};

TEST_P(ConfigurationEchoTest, EchoesTheTextInLinesByLengthAndIdentifiesOnce) {
  const EchoCase& c = GetParam();
  itype = c.itypeBefore;
  HandleConfigurationReply(c.reply, cycle, w.controller);
  EXPECT_EQ(cycle.logText, c.log);
  EXPECT_EQ(itype, c.itypeAfter);
  EXPECT_EQ(w.otherCommand.numberOfItems(), c.commandItems);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ConfigurationEchoTest,
    ::testing::Values(EchoCase{"Triad", kUnknown, ConfigurationReply("ABCDEFGHIJKLMNOPQRSTUVWXYZ012"),
                               kHeader + "ABCD\nEFGHI\nJKLMN\nOPQRS\nTUVWX\nYZ012\n" + kClosing, kTriad, 10},
                      EchoCase{"DuoWheelShutter", kUnknown, ConfigurationReply("1BCDEFGHIJKL"),
                               kHeader + "1BCD\nEFGH\nIJKL\n" + kClosing, kDuoWheelShutter, 8},
                      EchoCase{"Mono", kUnknown, ConfigurationReply("0BCDEFGHIJKL"),
                               kHeader + "0BCDEFGH\nIJKL\n" + kClosing, kMono, 22},
                      EchoCase{"DuoShutterShutter", kUnknown, ConfigurationReply("ABCDEFGHIJKLMN"),
                               kHeader + "ABCD\nEFGHI\nJKLMN\n" + kClosing, kDuoShutterShutter, 8},
                      // The closing line keeps its seven spaces below 100 too.
                      EchoCase{"FinalByteOneDigit", kUnknown, ConfigurationReply("1BCDEFGHIJKL", 0x05),
                               kHeader + "1BCD\nEFGH\nIJKL\n" + "5       0x5\n", kDuoWheelShutter, 8},
                      // Breaks follow positions; a line feed or other control byte goes in as it is.
                      EchoCase{"ControlCharacters", kUnknown, ConfigurationReply("0B\nDEFG\tIJKL"),
                               kHeader + "0B\nDEFG\t\nIJKL\n" + kClosing, kMono, 22},
                      EchoCase{"ByteAbove127AsLatin1", kUnknown, ConfigurationReply("0BCDEFG\xE9IJKL"),
                               kHeader + "0BCDEFG\xC3\xA9\nIJKL\n" + kClosing, kMono, 22},
                      EchoCase{"OtherLengthHeaderOnly", kUnknown, ConfigurationReply("ABCDEFGHIJKLM"), kHeader,
                               kUnknown, 24},
                      EchoCase{"EchoOnlyByteZero", kUnknown, Bytes{0xFD}, kHeader, kUnknown, 24},
                      // Once identified, the reply's own length still decides the lines.
                      EchoCase{"LaterReplyOnlyEchoed", kMono, ConfigurationReply("ABCDEFGHIJKLMN"),
                               kHeader + "ABCD\nEFGHI\nJKLMN\n" + kClosing, kMono, 24}),
    CaseName());

TEST_F(ReplyTest, ConfigurationReplyOfAnUnknownLengthLeavesTheNextReplyToIdentify) {
  HandleConfigurationReply(ConfigurationReply("ABCDEFGHIJKLM"), cycle, w.controller);
  EXPECT_EQ(w.controllerTitle.title, "");
  HandleConfigurationReply(ConfigurationReply("ABCDEFGHIJKLMNOPQRSTUVWXYZ012"), cycle, w.controller);
  EXPECT_EQ(itype, kTriad);
  EXPECT_EQ(w.controllerTitle.title, "Korvel Triad Controller:");
}

}  // namespace
