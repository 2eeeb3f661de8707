// The serial link against the controller emulator at the real line rate.
#include <gtest/gtest.h>

#include <cstring>

#include "line_timing.h"
#include "port_setup.h"
#include "pty_server.h"
#include "serial_state.h"
#include "transaction.h"

using namespace std::chrono_literals;
using emulator::EmulatorServer;
using emulator::Variant;

namespace {

using Bytes = std::vector<unsigned char>;

class EmulatedLine : public ::testing::TestWithParam<Variant> {
 protected:
  void SetUp() override {
    ResetSerialState();
    EmulatorServer::Options options;
    options.variant = GetParam();
    options.announce = false;
    server = std::make_unique<EmulatorServer>(options);
    ASSERT_TRUE(server->start()) << server->error();
    std::strcpy(bsdPath, server->devicePath().c_str());
    ASSERT_GE(OpenPort(), 0);
  }
  void TearDown() override { ClosePort(); }

  Bytes exchange(const Bytes& command, int32_t extraLength) {
    std::memcpy(mycomm, command.data(), command.size());
    mycomm[command.size()] = 0x0A;
    const int32_t count = Communicate(static_cast<int32_t>(command.size()), extraLength);
    return Bytes(Buffer, Buffer + std::max(count, 0));
  }

  std::unique_ptr<EmulatorServer> server;
};

TEST_P(EmulatedLine, GoesOnLineAndAnswersTheConfigurationQueryWhole) {
  EXPECT_EQ(InitializeModem(fileDescriptor), 1);
  const std::size_t expected = GetParam() == Variant::kTriad              ? 31
                               : GetParam() == Variant::kDuoShutterShutter ? 16
                                                                           : 14;
  // Awaiting 14 bytes, as before the variant is known.
  const Bytes reply = exchange({0xFD}, 12);
  EXPECT_EQ(reply.size(), expected);
  EXPECT_EQ(reply.front(), 0xFD);
}

std::string VariantName(const ::testing::TestParamInfo<Variant>& info) {
  switch (info.param) {
    case Variant::kTriad: return "Triad";
    case Variant::kDuoWheelShutter: return "DuoWheelShutter";
    case Variant::kDuoShutterShutter: return "DuoShutterShutter";
    case Variant::kMono: return "Mono";
  }
  return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(Variants, EmulatedLine,
                         ::testing::Values(Variant::kTriad, Variant::kDuoWheelShutter, Variant::kDuoShutterShutter,
                                           Variant::kMono),
                         VariantName);

class EmulatedMono : public EmulatedLine {};

// A step count of 13 puts 0x0D inside the status reply; the reply goes on.
TEST_P(EmulatedMono, StatusReplyHoldingA0DDataByteIsReadWhole) {
  ASSERT_EQ(InitializeModem(fileDescriptor), 1);
  EXPECT_EQ(exchange({0xDE, 0x0D}, 0), (Bytes{0xDE, 0x0D, 0x0D}));
  const Bytes status = exchange({0xCC}, 3);
  ASSERT_EQ(status.size(), 21u);
  EXPECT_EQ(Bytes(status.begin(), status.begin() + 4), (Bytes{0xCC, 0xAC, 0xDE, 0x0D}));
  EXPECT_EQ(status.back(), 0x0D);
}

INSTANTIATE_TEST_SUITE_P(Mono, EmulatedMono, ::testing::Values(Variant::kMono), VariantName);

}  // namespace
