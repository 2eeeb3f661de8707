#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "emulator_test_support.h"
#include "network_server.h"
#include "pty_server.h"
#include "telnet_server.h"

namespace emulator {
namespace {

using namespace std::chrono_literals;

// Far above any reply's line time here, and bounded.
constexpr auto kReplyWait = 5s;

// The server's offers and requests as a connection opens.
const Bytes kGreeting{0xFF, 0xFB, 0x00, 0xFF, 0xFB, 0x03, 0xFF, 0xFD, 0x00, 0xFF, 0xFD, 0x03, 0xFF, 0xFD, 0x2C};

enum class Carrier { kRfc2217, kRaw };

EmulatorOptions OnTheNetwork(Carrier carrier, Variant variant = Variant::kTriad) {
  EmulatorOptions options;
  options.variant = variant;
  options.baud = 0;
  options.announce = false;
  options.listen = ListenAddress{"127.0.0.1", 0, carrier == Carrier::kRfc2217};
  return options;
}

// Bytes as they travel on the connection.
Bytes OnTheWire(Carrier carrier, const Bytes& bytes) {
  if (carrier == Carrier::kRaw) return bytes;
  Bytes out;
  telnet::AppendEscaped(bytes.data(), bytes.size(), out);
  return out;
}

// A client connected and taken by the server: by RFC 2217 it has read the
// greeting; by plain TCP the on-line byte was answered.
NetworkClient Connected(const NetworkServer& server, Carrier carrier) {
  NetworkClient client(server.address());
  if (carrier == Carrier::kRfc2217) {
    EXPECT_EQ(client.read(kGreeting.size(), kReplyWait), kGreeting);
  } else {
    EXPECT_TRUE(client.write({0xEE}));
    EXPECT_EQ(client.read(2, kReplyWait), (Bytes{0xEE, 0x0D}));
  }
  return client;
}

const char* CarrierName(Carrier carrier) { return carrier == Carrier::kRfc2217 ? "Rfc2217" : "Raw"; }

TEST(NetworkServer, PrintsTheLoopbackAddressWithThePortThatWasPicked) {
  NetworkServer telnet(OnTheNetwork(Carrier::kRfc2217));
  NetworkServer raw(OnTheNetwork(Carrier::kRaw));
  ASSERT_TRUE(telnet.start()) << telnet.error();
  ASSERT_TRUE(raw.start()) << raw.error();
  EXPECT_EQ(telnet.address().rfind("rfc2217://127.0.0.1:", 0), 0u) << telnet.address();
  EXPECT_EQ(raw.address().rfind("tcp://127.0.0.1:", 0), 0u) << raw.address();
  EXPECT_NE(telnet.address().substr(telnet.address().rfind(':')), ":0");
  EXPECT_FALSE(telnet.start());
}

TEST(NetworkServer, RefusesAnAddressThatIsInUse) {
  NetworkServer first(OnTheNetwork(Carrier::kRaw));
  ASSERT_TRUE(first.start()) << first.error();
  EmulatorOptions options = OnTheNetwork(Carrier::kRaw);
  options.listen->port = static_cast<uint16_t>(std::stoi(first.address().substr(first.address().rfind(':') + 1)));
  NetworkServer second(options);
  EXPECT_FALSE(second.start());
  EXPECT_NE(second.error().find("Address already in use"), std::string::npos) << second.error();
}

struct StatusCase {
  Variant variant;
  Carrier carrier;
};

std::string VariantName(Variant variant) {
  constexpr const char* kNames[] = {"Triad", "DuoWheelShutter", "DuoShutterShutter", "Mono"};
  return kNames[static_cast<int>(variant)];
}

class NetworkStatusTest : public testing::TestWithParam<StatusCase> {};

TEST_P(NetworkStatusTest, AnswersAStatusQueryByteForByteAsOnTheDevice) {
  const StatusCase& c = GetParam();
  NetworkServer server(OnTheNetwork(c.carrier, c.variant));
  ASSERT_TRUE(server.start()) << server.error();
  NetworkClient client = Connected(server, c.carrier);
  const Bytes expected = StatusReplyAfter({c.variant, {}}, {0xEE});
  ASSERT_TRUE(client.write({0xCC}));
  EXPECT_EQ(client.read(expected.size(), kReplyWait), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, NetworkStatusTest,
    testing::Values(StatusCase{Variant::kTriad, Carrier::kRfc2217}, StatusCase{Variant::kTriad, Carrier::kRaw},
                    StatusCase{Variant::kDuoWheelShutter, Carrier::kRfc2217},
                    StatusCase{Variant::kDuoWheelShutter, Carrier::kRaw},
                    StatusCase{Variant::kDuoShutterShutter, Carrier::kRfc2217},
                    StatusCase{Variant::kDuoShutterShutter, Carrier::kRaw},
                    StatusCase{Variant::kMono, Carrier::kRfc2217}, StatusCase{Variant::kMono, Carrier::kRaw}),
    [](const auto& info) { return VariantName(info.param.variant) + CarrierName(info.param.carrier); });

class NetworkCarrierTest : public testing::TestWithParam<Carrier> {};

// A Mono set to repeat without end reports the repeat number FF FF; by
// RFC 2217 every data FF travels doubled, the client's as the server's, and
// the controller hears each once.
TEST_P(NetworkCarrierTest, CarriesFFDataBytes) {
  const Carrier carrier = GetParam();
  NetworkServer server(OnTheNetwork(carrier, Variant::kMono));
  ASSERT_TRUE(server.start()) << server.error();
  NetworkClient client = Connected(server, carrier);
  server.clearReceived();
  const Bytes commands{0xFA, 0xF0, 0xFF, 0xFF, 0xCC};
  ControllerModel model(Variant::kMono);
  Transcript(model, {0xEE});
  const Bytes reply = Transcript(model, commands);
  ASSERT_EQ(Bytes(reply.end() - 4, reply.end()), (Bytes{0xF0, 0xFF, 0xFF, 0x0D}));

  ASSERT_TRUE(client.write(OnTheWire(carrier, commands)));
  const Bytes wire = OnTheWire(carrier, reply);
  EXPECT_EQ(client.read(wire.size(), kReplyWait), wire);
  EXPECT_EQ(server.received(), commands);
}

// At 300 baud every byte still comes, in order; the closing byte of a move
// waits for the move's time as on the device.
TEST_P(NetworkCarrierTest, KeepsThePacingAndTheDelays) {
  const Carrier carrier = GetParam();
  EmulatorOptions options = OnTheNetwork(carrier);
  options.baud = 300;
  options.moveTime = std::chrono::hours(1);
  NetworkServer server(options);
  ASSERT_TRUE(server.start()) << server.error();
  NetworkClient client = Connected(server, carrier);

  ASSERT_TRUE(client.write({0xFD}));
  const Bytes configuration = [] {
    ControllerModel model(Variant::kTriad);
    Transcript(model, {0xEE});
    return Transcript(model, {0xFD});
  }();
  EXPECT_EQ(client.read(configuration.size(), kReplyWait), configuration);

  ASSERT_TRUE(client.write({0x23}));
  EXPECT_EQ(client.read(1, kReplyWait), Bytes{0x23});
  EXPECT_TRUE(client.read(1, 300ms).empty());
  server.stop();
  EXPECT_FALSE(server.serving());
}

// While one client holds the port a second is let in and closed at once,
// also in the middle of a paced reply; once the first has closed, the next
// is served.
TEST_P(NetworkCarrierTest, ServesOneConnectionAtATime) {
  const Carrier carrier = GetParam();
  EmulatorOptions options = OnTheNetwork(carrier);
  options.baud = 300;
  NetworkServer server(options);
  ASSERT_TRUE(server.start()) << server.error();
  NetworkClient first = Connected(server, carrier);

  NetworkClient second(server.address());
  ASSERT_TRUE(second.isOpen());
  Bytes heard;
  EXPECT_TRUE(second.endsWithin(kReplyWait, &heard));
  EXPECT_TRUE(heard.empty());

  ASSERT_TRUE(first.write({0xFD}));
  ASSERT_EQ(first.read(1, kReplyWait), Bytes{0xFD});
  NetworkClient during(server.address());
  ASSERT_TRUE(during.isOpen());
  EXPECT_TRUE(during.endsWithin(kReplyWait, &heard));
  EXPECT_TRUE(heard.empty());
  EXPECT_EQ(first.read(30, kReplyWait).size(), 30u);

  first.close();
  NetworkClient next = Connected(server, carrier);
  ASSERT_TRUE(next.write({0xCC}));
  EXPECT_EQ(next.read(12, kReplyWait), StatusReplyAfter({Variant::kTriad, {}}, {0xEE, 0xFD, 0xEE}));
  EXPECT_TRUE(server.serving());
}

// A client that goes away in the middle of a reply costs the server nothing.
TEST_P(NetworkCarrierTest, GoesOnAfterAClientLeavesMidReply) {
  const Carrier carrier = GetParam();
  EmulatorOptions options = OnTheNetwork(carrier);
  options.baud = 300;
  NetworkServer server(options);
  ASSERT_TRUE(server.start()) << server.error();
  {
    NetworkClient leaving = Connected(server, carrier);
    ASSERT_TRUE(leaving.write({0xFD}));
    ASSERT_EQ(leaving.read(1, kReplyWait), Bytes{0xFD});
  }
  NetworkClient next = Connected(server, carrier);
  ASSERT_TRUE(next.write({0xEE}));
  EXPECT_EQ(next.read(2, kReplyWait), (Bytes{0xEE, 0x0D}));
  EXPECT_TRUE(server.serving());
}

INSTANTIATE_TEST_SUITE_P(Carriers, NetworkCarrierTest, testing::Values(Carrier::kRfc2217, Carrier::kRaw),
                         [](const auto& info) { return CarrierName(info.param); });

// The settings a client asks for are answered, kept for the next client, and
// change nothing of what the controller hears: a pseudo-terminal's line
// settings change nothing either.
TEST(NetworkServer, KeepsTheLineSettingsAClientAskedForAndServesOnWhateverTheRate) {
  NetworkServer server(OnTheNetwork(Carrier::kRfc2217));
  ASSERT_TRUE(server.start()) << server.error();
  {
    NetworkClient client = Connected(server, Carrier::kRfc2217);
    ASSERT_TRUE(client.write({0xFF, 0xFB, 0x2C, 0xFF, 0xFA, 0x2C, 0x01, 0x00, 0x00, 0x25, 0x80, 0xFF, 0xF0}));
    EXPECT_EQ(client.read(10, kReplyWait), (Bytes{0xFF, 0xFA, 0x2C, 0x65, 0x00, 0x00, 0x25, 0x80, 0xFF, 0xF0}));
    ASSERT_TRUE(client.write({0xEE}));
    EXPECT_EQ(client.read(2, kReplyWait), (Bytes{0xEE, 0x0D}));
  }
  EXPECT_EQ(server.lineSettings().baud, 9600u);
  NetworkClient next = Connected(server, Carrier::kRfc2217);
  ASSERT_TRUE(next.write({0xFF, 0xFA, 0x2C, 0x01, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xF0}));
  EXPECT_EQ(next.read(10, kReplyWait), (Bytes{0xFF, 0xFA, 0x2C, 0x65, 0x00, 0x00, 0x25, 0x80, 0xFF, 0xF0}));
  EXPECT_EQ(server.received(), Bytes{0xEE});
}

// The faults and delays of the options act on the network as on the device.
struct FaultCase {
  std::string name;
  void (*set)(EmulatorOptions&);
  Bytes commands;
  Bytes reply;  // all that comes, then nothing more
};

void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }

const FaultCase kFaultCases[] = {
    {"SilentAfterTwo", [](EmulatorOptions& o) { o.silentAfter = 2; }, {0xEE, 0x23, 0xCC}, {0xEE, 0x0D, 0x23, 0x0D}},
    {"StuckWheelA",
     [](EmulatorOptions& o) { o.stuck = {Device::kWheelA, 9}; },
     {0x29, 0xCC},
     // The speed is taken, the filter position not.
     {0x29, 0x0D, 0xCC, 0x20, 0x80, 0x00, 0x00, 0xAC, 0xBC, 0xDC, 0x01, 0xDC, 0x02, 0x0D}},
    {"SkippedByteFC",
     [](EmulatorOptions& o) { o.skippedByte = 0xFC; },
     {0xCC},
     {0xCC, 0x00, 0x80, 0xFC, 0x00, 0xAC, 0xBC, 0xDC, 0xFC, 0xDC, 0xFC, 0x0D}},
    {"LatencyTimerBursts",
     [](EmulatorOptions& o) {
       o.baud = 300;
       o.latencyTimer = std::chrono::milliseconds(50);
     },
     {0xCC},
     {0xCC, 0x00, 0x80, 0x00, 0x00, 0xAC, 0xBC, 0xDC, 0x01, 0xDC, 0x02, 0x0D}},
};

class NetworkFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(NetworkFaultTest, ActsAsOnTheDevice) {
  const FaultCase& c = GetParam();
  EmulatorOptions device = OnTheNetwork(Carrier::kRaw);
  device.listen.reset();
  c.set(device);
  EmulatorServer pty(device);
  ASSERT_TRUE(pty.start()) << pty.error();
  Terminal console(pty.devicePath());
  ASSERT_TRUE(console.write(c.commands));
  EXPECT_EQ(console.read(c.reply.size(), kReplyWait), c.reply) << "on the device";
  EXPECT_TRUE(console.read(1, 200ms).empty()) << "on the device";

  for (Carrier carrier : {Carrier::kRfc2217, Carrier::kRaw}) {
    EmulatorOptions options = OnTheNetwork(carrier);
    c.set(options);
    NetworkServer server(options);
    ASSERT_TRUE(server.start()) << server.error();
    NetworkClient client(server.address());
    if (carrier == Carrier::kRfc2217) {
      ASSERT_EQ(client.read(kGreeting.size(), kReplyWait), kGreeting);
    }
    ASSERT_TRUE(client.write(OnTheWire(carrier, c.commands)));
    const Bytes wire = OnTheWire(carrier, c.reply);
    EXPECT_EQ(client.read(wire.size(), kReplyWait), wire) << CarrierName(carrier);
    EXPECT_TRUE(client.read(1, 200ms).empty()) << CarrierName(carrier);
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, NetworkFaultTest, testing::ValuesIn(kFaultCases),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace emulator
