// The network line against a server of the tests' own (telnet_peer.h), for
// what a well-behaved server never does: refusals, late or other answers to
// the settings, a connection dropped in the middle of a reply, replies cut
// into many segments or gathered into batches, a second client turned away.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "case_name.h"
#include "ctl_process.h"
#include "line_timing.h"
#include "port_setup.h"
#include "serial_state.h"
#include "telnet_peer.h"
#include "transaction.h"

namespace {

using namespace std::chrono_literals;

// A Mono's status reply with a continuous repeat (FF FF) and a 0x0D among
// its data bytes, and the on-line answer; a command the controller does not
// know gets no answer.
const PeerBytes kMonoStatus = {0xCC, 0xAC, 0xDE, 0x0D, 0xA0, 0xB0, 0x00, 0x00, 0x00, 0x00,
                               0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0xFF, 0xFF, 0x0D};

PeerBytes Controller(unsigned char command) {
  if (command == 0xEE) return {0xEE, 0x0D};
  if (command == 0xCC) return kMonoStatus;
  return {};
}

class NetworkLine : public testing::Test {
 protected:
  void SetUp() override { ResetSerialState(); }
  void TearDown() override { ClosePort(); }

  // Open as the window's Open does: the port, then the on-line byte.
  bool open(const std::string& address) {
    std::strncpy(bsdPath, address.c_str(), kPathSize - 1);
    OpenPort();
    return InitializeModem(fileDescriptor) == 1;
  }

  PeerBytes status() {
    mycomm[0] = 0xCC;
    mycomm[1] = 0x0A;
    const int32_t count = Communicate(1, 3);
    return PeerBytes(Buffer, Buffer + std::max(count, 0));
  }
};

struct Refusal {
  const char* name;
  TelnetPeer::Behaviour behaviour;
  LineSetting refused;
  uint32_t answered;
};

class RefusedOpen : public NetworkLine, public testing::WithParamInterface<Refusal> {};

// Open fails naming what the server did not take, and the controller is sent
// nothing: no on-line byte goes to a line set otherwise than it speaks.
TEST_P(RefusedOpen, FailsNamingTheRefusalAndSendsNothing) {
  const Refusal& c = GetParam();
  TelnetPeer peer(c.behaviour, Controller);
  EXPECT_FALSE(open(peer.address()));
  EXPECT_EQ(fileDescriptor, -1);
  EXPECT_EQ(portHealth.failedStep, OpenStep::kNegotiating);
  EXPECT_EQ(portHealth.refusedSetting, c.refused);
  EXPECT_EQ(portHealth.answeredValue, c.answered);
  EXPECT_EQ(peer.received(), PeerBytes{});
}

TelnetPeer::Behaviour With(void (*change)(TelnetPeer::Behaviour&)) {
  TelnetPeer::Behaviour behaviour;
  change(behaviour);
  return behaviour;
}

const Refusal kRefusals[] = {
    {"BinaryRefused", With([](TelnetPeer::Behaviour& b) { b.refuseBinary = true; }), LineSetting::kBinary, 0},
    {"ComPortOptionRefused", With([](TelnetPeer::Behaviour& b) { b.refuseComPort = true; }),
     LineSetting::kComPortOption, 0},
    {"AnotherBaudRate", With([](TelnetPeer::Behaviour& b) { b.answeredBaud = 9600; }), LineSetting::kBaudRate, 9600},
};

INSTANTIATE_TEST_SUITE_P(Net, RefusedOpen, testing::ValuesIn(kRefusals), CaseName());

struct Pacing {
  const char* name;
  TelnetPeer::Behaviour behaviour;
};

class PacedReply : public NetworkLine, public testing::WithParamInterface<Pacing> {};

// However the server cuts the reply into segments, it is read whole, its
// FF FF data undoubled and its inner 0x0D no end.
TEST_P(PacedReply, StatusReplyIsReadWhole) {
  TelnetPeer peer(GetParam().behaviour, Controller);
  ASSERT_TRUE(open(peer.address())) << portHealth.failedError;
  EXPECT_EQ(status(), kMonoStatus);
  EXPECT_FALSE(lineExchange.cutShort);
  EXPECT_EQ(peer.received(), (PeerBytes{0xEE, 0xCC}));
}

const Pacing kPacings[] = {
    {"AtOnce", {}},
    {"EveryByteItsOwnSegment", With([](TelnetPeer::Behaviour& b) { b.segmentPerByte = true; })},
    {"HundredMillisecondBatches", With([](TelnetPeer::Behaviour& b) { b.batch = 100ms; })},
    {"SettingsAnsweredLate", With([](TelnetPeer::Behaviour& b) { b.settingsDelay = 600ms; })},
    {"PlainTcpBatches", With([](TelnetPeer::Behaviour& b) {
       b.telnet = false;
       b.batch = 100ms;
     })},
};

INSTANTIATE_TEST_SUITE_P(Net, PacedReply, testing::ValuesIn(kPacings), CaseName());

// The server closes the connection in the middle of the status reply: the
// port went away, and the bytes that came are no whole reply.
TEST_F(NetworkLine, ConnectionDroppedMidReplyIsThePortGoingAway) {
  TelnetPeer::Behaviour behaviour;
  behaviour.dropOn = 0xCC;
  behaviour.dropAfter = 8;
  TelnetPeer peer(behaviour, Controller);
  ASSERT_TRUE(open(peer.address()));
  const PeerBytes got = status();
  EXPECT_EQ(got, PeerBytes(kMonoStatus.begin(), kMonoStatus.begin() + 8));
  EXPECT_TRUE(lineExchange.cutShort);
  EXPECT_TRUE(portHealth.hungUp);
}

// korvel-ctl tells it as the port going away, credits no reply and exits 4.
TEST(NetworkCtl, ConnectionDroppedMidReplyExitsFour) {
  TelnetPeer::Behaviour behaviour;
  behaviour.dropOn = 0xCC;
  behaviour.dropAfter = 8;
  TelnetPeer peer(behaviour, Controller);
  const CtlRun run = RunCtl({"--port", peer.address(), "status", "--json"});
  EXPECT_EQ(run.status, 4) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("the port went away (the server closed the connection or it was lost)"), std::string::npos)
      << run.err;
}

// One client a port: a second console is turned away with the server's
// words, and told that another program holds the port.
TEST_F(NetworkLine, SecondConnectionIsRefusedAsAPortHeld) {
  TelnetPeer peer({}, Controller);
  ASSERT_TRUE(open(peer.address()));
  const CtlRun run = RunCtl({"--port", peer.address(), "status"});
  EXPECT_EQ(run.status, 4) << run.err;
  EXPECT_NE(run.err.find("another program holds the port (the server said \"Port already in use\")"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(status(), kMonoStatus);
}

struct Unreachable {
  const char* name;
  std::string address;
  const char* words;
};

class UnreachableServer : public testing::TestWithParam<Unreachable> {};

// Open's failures before any server answers, in korvel-ctl's words.
TEST_P(UnreachableServer, OpenFailsSayingWhy) {
  const Unreachable& c = GetParam();
  const CtlRun run = RunCtl({"--port", c.address, "status"});
  EXPECT_EQ(run.status, 4) << run.err;
  EXPECT_NE(run.err.find(c.words), std::string::npos) << run.err;
}

// A port that was listening a moment ago and is free now.
std::string ClosedPortAddress() { return TelnetPeer({}, Controller).address(); }

INSTANTIATE_TEST_SUITE_P(
    Net, UnreachableServer,
    testing::Values(Unreachable{"HostNotFound", "rfc2217://no-such-host.invalid:2217", "host not found"},
                    Unreachable{"ConnectionRefused", ClosedPortAddress(), "connection refused"},
                    Unreachable{"Malformed", "rfc2217://localhost",
                                "no address of the form rfc2217://HOST:PORT or tcp://HOST:PORT"}),
    CaseName());

}  // namespace
