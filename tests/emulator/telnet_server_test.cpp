#include <gtest/gtest.h>

#include <string>

#include "emulator_test_support.h"
#include "telnet_server.h"

namespace emulator {
namespace {

// The server's offers and requests as a connection opens: WILL BINARY,
// WILL SUPPRESS-GO-AHEAD, DO BINARY, DO SUPPRESS-GO-AHEAD, DO COM-PORT-OPTION.
const Bytes kGreeting{0xFF, 0xFB, 0x00, 0xFF, 0xFB, 0x03, 0xFF, 0xFD, 0x00, 0xFF, 0xFD, 0x03, 0xFF, 0xFD, 0x2C};

// IAC SB COM-PORT-OPTION <bytes> IAC SE, as they go on the connection.
Bytes ComPort(Bytes bytes) {
  bytes.insert(bytes.begin(), {0xFF, 0xFA, 0x2C});
  bytes.insert(bytes.end(), {0xFF, 0xF0});
  return bytes;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

struct TelnetCase {
  std::string name;
  Bytes fromClient;  // after the server's greeting
  Bytes data;        // what reaches the controller
  Bytes answers;     // what the server says at once
};

void PrintTo(const TelnetCase& c, std::ostream* out) { *out << c.name; }

class TelnetServerTest : public testing::TestWithParam<TelnetCase> {};

TEST_P(TelnetServerTest, PassesDataOnAndAnswersTheRest) {
  const TelnetCase& c = GetParam();
  ComPortSettings settings;
  TelnetServer server(settings);
  ASSERT_EQ(server.greeting(), kGreeting);
  Bytes data;
  Bytes answers;
  for (uint8_t byte : c.fromClient) server.take(byte, data, answers);
  EXPECT_EQ(data, c.data);
  EXPECT_EQ(answers, c.answers);
}

const TelnetCase kTelnetCases[] = {
    {"DataPassUnchangedAndADoubledFFIsOneDataByte", {0xEE, 0x0D, 0x0A, 0x00, 0xFF, 0xFF, 0xCC}, {0xEE, 0x0D, 0x0A, 0x00, 0xFF, 0xCC}, {}},
    // What the server asked for and offered is in effect once agreed: no answer.
    {"AgreementsToItsOwnOffersAreNotAnswered",
     {0xFF, 0xFD, 0x00, 0xFF, 0xFD, 0x03, 0xFF, 0xFB, 0x00, 0xFF, 0xFB, 0x03, 0xFF, 0xFB, 0x2C}, {}, {}},
    {"OtherOptionsAreRefused",
     {0xFF, 0xFD, 0x01, 0xFF, 0xFB, 0x18, 0xFF, 0xFD, 0x2C},
     {},
     {0xFF, 0xFC, 0x01, 0xFF, 0xFE, 0x18, 0xFF, 0xFC, 0x2C}},
    {"BinaryTurnedOffAfterItWasOnIsConfirmedOnce",
     {0xFF, 0xFD, 0x00, 0xFF, 0xFE, 0x00, 0xFF, 0xFE, 0x00},
     {},
     {0xFF, 0xFC, 0x00}},
    {"ARefusalOfItsRequestIsNotAnswered", {0xFF, 0xFC, 0x2C, 0xFF, 0xFE, 0x03}, {}, {}},
    {"CommandsAmongTheDataAreConsumed",
     {0xEE, 0xFF, 0xF1, 0xFF, 0xF6, 0xFF, 0xF3, 0xCC, 0xFF, 0xFA, 0x18, 0x00, 0x78, 0xFF, 0xF0, 0xFD},
     {0xEE, 0xCC, 0xFD},
     {}},
    {"TheLineSettingsAreEachAnsweredWithTheServersCodeAndTheValueSet",
     Join({ComPort({0x01, 0x00, 0x00, 0x01, 0x2C}), ComPort({0x02, 0x08}), ComPort({0x03, 0x01}),
           ComPort({0x04, 0x01}), ComPort({0x05, 0x01})}),
     {},
     Join({ComPort({0x65, 0x00, 0x00, 0x01, 0x2C}), ComPort({0x66, 0x08}), ComPort({0x67, 0x01}),
           ComPort({0x68, 0x01}), ComPort({0x69, 0x01})})},
    {"AnotherRateIsKeptAndToldWhenAskedFor",
     Join({ComPort({0x01, 0x00, 0x00, 0x25, 0x80}), ComPort({0x01, 0x00, 0x00, 0x00, 0x00})}),
     {},
     Join({ComPort({0x65, 0x00, 0x00, 0x25, 0x80}), ComPort({0x65, 0x00, 0x00, 0x25, 0x80})})},
    {"A255InAValueIsDoubledBothWays",
     ComPort({0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF}),
     {},
     ComPort({0x65, 0x00, 0x00, 0x00, 0xFF, 0xFF})},
    {"ASizeNoPortHasIsNotTakenTheOneInUseIsTold",
     Join({ComPort({0x02, 0x09}), ComPort({0x03, 0x06}), ComPort({0x04, 0x00})}),
     {},
     Join({ComPort({0x66, 0x08}), ComPort({0x67, 0x01}), ComPort({0x68, 0x01})})},
    {"ModemLinesAndPurgeAreAnswered",
     Join({ComPort({0x05, 0x09}), ComPort({0x05, 0x07}), ComPort({0x05, 0x0B}), ComPort({0x0C, 0x03})}),
     {},
     Join({ComPort({0x69, 0x09}), ComPort({0x69, 0x09}), ComPort({0x69, 0x0B}), ComPort({0x70, 0x03})})},
    {"ItsSignatureWhenAskedFor",
     ComPort({0x00}),
     {},
     ComPort({0x64, 'k', 'o', 'r', 'v', 'e', 'l', '-', 'e', 'm', 'u', 'l', 'a', 't', 'o', 'r'})},
    {"FlowControlSuspendAndAClientsSignatureHaveNoAnswer", Join({ComPort({0x08}), ComPort({0x00, 'x'})}), {}, {}},
    {"DataGoOnAfterASubnegotiation", Join({{0xCC}, ComPort({0x02, 0x08}), {0xFD}}), {0xCC, 0xFD}, ComPort({0x66, 0x08})},
};

INSTANTIATE_TEST_SUITE_P(Cases, TelnetServerTest, testing::ValuesIn(kTelnetCases),
                         [](const auto& info) { return info.param.name; });

TEST(TelnetServer, KeepsTheSettingsInThePortsRecordForTheNextConnection) {
  ComPortSettings settings;
  Bytes data;
  Bytes answers;
  {
    TelnetServer first(settings);
    first.greeting();
    for (uint8_t byte : Join({ComPort({0x01, 0x00, 0x00, 0x25, 0x80}), ComPort({0x02, 0x07})})) {
      first.take(byte, data, answers);
    }
  }
  EXPECT_EQ(settings.baud, 9600u);
  EXPECT_EQ(settings.dataSize, 7);
  TelnetServer second(settings);
  second.greeting();
  answers.clear();
  for (uint8_t byte : ComPort({0x01, 0x00, 0x00, 0x00, 0x00})) second.take(byte, data, answers);
  EXPECT_EQ(answers, ComPort({0x65, 0x00, 0x00, 0x25, 0x80}));
  EXPECT_TRUE(data.empty());
}

TEST(TelnetServer, EncodesADataFFAsTwo) {
  const Bytes data = {0xF0, 0xFF, 0x0D};
  Bytes out;
  telnet::AppendEscaped(data.data(), data.size(), out);
  EXPECT_EQ(out, (Bytes{0xF0, 0xFF, 0xFF, 0x0D}));
}

}  // namespace
}  // namespace emulator
