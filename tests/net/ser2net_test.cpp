// korvel-ctl on controllers behind serial device servers on loopback: ser2net
// (its RFC 2217 accepter and its plain TCP accepter) and python3-serial's
// RFC 2217 PortManager, each in front of an emulated controller's
// pseudo-terminal at 300 baud. What reaches the controller must be exactly
// what a local port would carry: no telnet byte passes the server.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "case_name.h"
#include "port_setup.h"
#include "serial_state.h"
#include "ctl_process.h"
#include "device_server.h"
#include "emulated_controller.h"

namespace {

using emulator::Variant;
using Kind = DeviceServer::Kind;

enum class Route { kSer2netRfc2217, kSer2netTcp, kPySerialRfc2217 };

std::string AddressOf(const DeviceServer& server, Route route) {
  return route == Route::kSer2netTcp ? server.tcp() : server.rfc2217();
}

Kind ServerOf(Route route) { return route == Route::kPySerialRfc2217 ? Kind::kPySerial : Kind::kSer2net; }

std::string StatusJsonOf(const EmulatedController& controller, emulator::EmulatorServer& server) {
  const std::string expected = ExpectedJson(controller.setup(), server.state());
  return expected.substr(0, expected.size() - 2) + ", \"echo_ms\":#,\"reply_ms\":#}\n";
}

struct StatusCase {
  const char* name;
  Variant variant;
  Route route;
};

class ServedStatus : public testing::TestWithParam<StatusCase> {};

// The status reply decodes whole and the configuration query is answered,
// and the controller received the on-line byte and the query alone.
TEST_P(ServedStatus, StatusAndConfigurationAt300Baud) {
  const StatusCase& c = GetParam();
  EmulatedController controller(c.variant, {}, 300);
  ASSERT_TRUE(controller.ready());
  DeviceServer server(ServerOf(c.route), controller.path());
  ASSERT_TRUE(server.ready());
  const std::string address = AddressOf(server, c.route);

  const CtlRun status = RunCtl({"--port", address, "status", "--json"});
  EXPECT_EQ(status.status, 0) << status.err;
  EXPECT_EQ(status.err, "");
  EXPECT_EQ(TimesHidden(status.out), StatusJsonOf(controller, controller.server()));
  EXPECT_EQ(controller.server().received(), (std::vector<uint8_t>{0xEE, 0xCC}));
  if (c.route == Route::kPySerialRfc2217) return;

  controller.server().clearReceived();
  const CtlRun config = RunCtl({"--port", address, "config"});
  EXPECT_EQ(config.status, 0) << config.err;
  EXPECT_EQ(config.out.rfind("variant: ", 0), 0u) << config.out;
  EXPECT_NE(config.out.find("\nconfiguration: "), std::string::npos) << config.out;
  EXPECT_EQ(controller.server().received(), (std::vector<uint8_t>{0xEE, 0xFD}));
}

constexpr StatusCase kStatusCases[] = {
    {"TriadRfc2217", Variant::kTriad, Route::kSer2netRfc2217},
    {"DuoWheelShutterRfc2217", Variant::kDuoWheelShutter, Route::kSer2netRfc2217},
    {"DuoShutterShutterRfc2217", Variant::kDuoShutterShutter, Route::kSer2netRfc2217},
    {"MonoRfc2217", Variant::kMono, Route::kSer2netRfc2217},
    {"TriadTcp", Variant::kTriad, Route::kSer2netTcp},
    {"DuoWheelShutterTcp", Variant::kDuoWheelShutter, Route::kSer2netTcp},
    {"DuoShutterShutterTcp", Variant::kDuoShutterShutter, Route::kSer2netTcp},
    {"MonoTcp", Variant::kMono, Route::kSer2netTcp},
    {"TriadPySerial", Variant::kTriad, Route::kPySerialRfc2217},
    {"DuoWheelShutterPySerial", Variant::kDuoWheelShutter, Route::kPySerialRfc2217},
    {"DuoShutterShutterPySerial", Variant::kDuoShutterShutter, Route::kPySerialRfc2217},
    {"MonoPySerial", Variant::kMono, Route::kPySerialRfc2217},
};

INSTANTIATE_TEST_SUITE_P(Net, ServedStatus, testing::ValuesIn(kStatusCases), CaseName());

class ServedLine : public testing::TestWithParam<Route> {};

// A Mono set to a continuous repeat and a step count of 13: its status reply
// carries FF FF (doubled again on an RFC 2217 line) and a 0x0D data byte,
// neither of which may end or garble the reply.
TEST_P(ServedLine, MonoStatusWithFfFfAndCarriageReturnData) {
  EmulatedController controller(Variant::kMono, {}, 300);
  ASSERT_TRUE(controller.ready());
  DeviceServer server(ServerOf(GetParam()), controller.path());
  ASSERT_TRUE(server.ready());
  const std::string address = AddressOf(server, GetParam());
  const CtlRun set =
      RunCtl({"--port", address, "set", "shutterA.mode=nd", "shutterA.steps=13", "repeat=continuous"});
  ASSERT_EQ(set.status, 0) << set.err;
  const CtlRun status = RunCtl({"--port", address, "status", "--json"});
  EXPECT_EQ(status.status, 0) << status.err;
  EXPECT_NE(status.out.find("\"repeat\": \"continuous\""), std::string::npos) << status.out;
  EXPECT_EQ(TimesHidden(status.out), StatusJsonOf(controller, controller.server()));
}

// A wheel move whose closing byte comes when the move ends, long after the
// echo: the command's cycle waits for it, and the next one finds the line clean.
TEST_P(ServedLine, WheelMoveWithASlowClosingByte) {
  emulator::EmulatorOptions options;
  options.variant = Variant::kTriad;
  options.moveTime = std::chrono::milliseconds(1500);
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  DeviceServer server(ServerOf(GetParam()), controller.path());
  ASSERT_TRUE(server.ready());
  const CtlRun set = RunCtl({"--port", AddressOf(server, GetParam()), "--verify-every", "1", "--repeat", "1", "set",
                             "wheelA.filter=3", "wheelA.speed=2"});
  EXPECT_EQ(set.status, 0) << set.err << set.out;
  EXPECT_EQ(controller.server().state().wheels[0].filter, 3);
}

// A burn-in of status queries and the check, through the server.
TEST_P(ServedLine, BurnInAndCheck) {
  EmulatedController controller(Variant::kDuoWheelShutter, {}, 300);
  ASSERT_TRUE(controller.ready());
  DeviceServer server(ServerOf(GetParam()), controller.path());
  ASSERT_TRUE(server.ready());
  const std::string address = AddressOf(server, GetParam());
  const CtlRun burnIn = RunCtl({"--port", address, "--repeat", "5", "status"});
  EXPECT_EQ(burnIn.status, 0) << burnIn.err;
  EXPECT_NE(burnIn.out.find("cycles: 5 of 5\n"), std::string::npos) << burnIn.out;
  const CtlRun check = RunCtl({"--port", address, "check", "--yes"});
  EXPECT_EQ(check.status, 0) << check.err << check.out;
}

INSTANTIATE_TEST_SUITE_P(Net, ServedLine, testing::Values(Route::kSer2netRfc2217, Route::kSer2netTcp),
                         [](const testing::TestParamInfo<Route>& info) {
                           return info.param == Route::kSer2netTcp ? std::string("Tcp") : std::string("Rfc2217");
                         });

// ser2net serves one client a port: while this process holds it, korvel-ctl
// is turned away and told that another program holds the port.
TEST(Ser2netHeld, ASecondClientIsToldAnotherProgramHoldsThePort) {
  EmulatedController controller(Variant::kTriad, {}, 300);
  ASSERT_TRUE(controller.ready());
  DeviceServer server(Kind::kSer2net, controller.path());
  ASSERT_TRUE(server.ready());
  ResetSerialState();
  std::strcpy(bsdPath, server.rfc2217().c_str());
  ASSERT_GE(OpenPort(), 0);
  EXPECT_EQ(InitializeModem(fileDescriptor), 1);
  const CtlRun run = RunCtl({"--port", server.rfc2217(), "status"});
  ClosePort();
  EXPECT_EQ(run.status, 4) << run.err;
  EXPECT_NE(run.err.find("another program holds the port (the server said \"Port already in use\")"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(controller.server().received(), std::vector<uint8_t>{0xEE});
}

}  // namespace
