#include <fcntl.h>
#include <termios.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "emulator_announcements.h"
#include "emulator_test_support.h"
#include "pty_server.h"

namespace emulator {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

EmulatorOptions Unpaced(Variant variant = Variant::kTriad) {
  EmulatorOptions options;
  options.variant = variant;
  options.baud = 0;
  options.announce = false;
  return options;
}

Clock::duration Since(Clock::time_point start) { return Clock::now() - start; }

TEST(EmulatorServer, EchoesAndAnswersOverTheDevice) {
  EmulatorServer server(Unpaced());
  ASSERT_TRUE(server.start()) << server.error();
  Terminal console(server.devicePath());
  ASSERT_TRUE(console.isOpen());

  // A step count of 13 is the closing byte's value and must pass unchanged.
  ASSERT_TRUE(console.write({0x23, 0xDE, 0x01, 0x0D, 0xCC}));
  const Bytes expected{0x23, 0x0D, 0xDE, 0x01, 0x0D, 0x0D, 0xCC, 0x23, 0x80, 0x00,
                       0x00, 0xAC, 0xBC, 0xDE, 0x01, 0x0D, 0xDC, 0x02, 0x0D};
  EXPECT_EQ(console.read(expected.size(), 2s), expected);
  EXPECT_TRUE(console.read(1, 50ms).empty());

  EXPECT_EQ(server.received(), (Bytes{0x23, 0xDE, 0x01, 0x0D, 0xCC}));
  EXPECT_EQ(server.state().wheels[0], (WheelSetting{3, 2}));
  server.clearReceived();
  EXPECT_TRUE(server.received().empty());
}

// With the terminal's default echo the emulator would read its own output
// back as commands before any console has set the line up.
TEST(EmulatorServer, DeviceIsRawBeforeAnyConsoleOpensIt) {
  EmulatorServer server(Unpaced());
  ASSERT_TRUE(server.start()) << server.error();
  const UniqueFd fd(open(server.devicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  ASSERT_TRUE(fd.valid());
  termios attributes{};
  ASSERT_EQ(tcgetattr(fd.get(), &attributes), 0);
  EXPECT_EQ(attributes.c_lflag & (ECHO | ICANON), 0u);
  EXPECT_EQ(attributes.c_iflag & (ICRNL | INLCR | IGNCR), 0u);
  EXPECT_EQ(attributes.c_oflag & OPOST, 0u);
}

TEST(EmulatorServer, KeepsServingAfterAConsoleClosesTheDevice) {
  EmulatorServer server(Unpaced());
  ASSERT_TRUE(server.start()) << server.error();
  {
    Terminal first(server.devicePath());
    ASSERT_TRUE(first.write({0xEE}));
    EXPECT_EQ(first.read(2, 2s), (Bytes{0xEE, 0x0D}));
  }
  // Time for the serving thread to notice a hang-up, were there one.
  std::this_thread::sleep_for(100ms);
  Terminal second(server.devicePath());
  ASSERT_TRUE(second.write({0xEE}));
  EXPECT_EQ(second.read(2, 2s), (Bytes{0xEE, 0x0D}));
  EXPECT_TRUE(server.serving());
}

TEST(EmulatorServer, PacesEveryByteAt300Baud) {
  EmulatorOptions options = Unpaced();
  options.baud = 300;
  EmulatorServer server(options);
  ASSERT_TRUE(server.start()) << server.error();
  Terminal console(server.devicePath());
  const Clock::time_point start = Clock::now();
  ASSERT_TRUE(console.write({0xCC}));
  ASSERT_EQ(console.read(1, 2s).size(), 1u);
  EXPECT_GE(Since(start), 33ms);
  ASSERT_EQ(console.read(11, 3s).size(), 11u);
  // 12 bytes at 33.3 ms each; the upper bound leaves room for a loaded machine.
  EXPECT_GE(Since(start), 399ms);
  EXPECT_LT(Since(start), 900ms);
}

TEST(EmulatorServer, WithoutPacingTheLongestReplyIsQuick) {
  EmulatorServer server(Unpaced());
  ASSERT_TRUE(server.start()) << server.error();
  Terminal console(server.devicePath());
  const Clock::time_point start = Clock::now();
  ASSERT_TRUE(console.write({0xFD}));
  EXPECT_EQ(console.read(31, 2s).size(), 31u);
  EXPECT_LT(Since(start), 300ms);
}

TEST(EmulatorServer, LatencyPrecedesAnswersAndMoveTimePrecedesTheClosingOfAMove) {
  EmulatorOptions options = Unpaced();
  options.latency = 100ms;
  options.moveTime = 400ms;
  EmulatorServer server(options);
  ASSERT_TRUE(server.start()) << server.error();
  Terminal console(server.devicePath());

  Clock::time_point start = Clock::now();
  ASSERT_TRUE(console.write({0x23}));
  EXPECT_EQ(console.read(1, 1s), Bytes{0x23});
  EXPECT_LT(Since(start), 90ms);
  EXPECT_EQ(console.read(1, 2s), Bytes{0x0D});
  EXPECT_GE(Since(start), 500ms);

  // Same filter, other speed: nothing moves.
  start = Clock::now();
  ASSERT_TRUE(console.write({0x13}));
  EXPECT_EQ(console.read(2, 2s), (Bytes{0x13, 0x0D}));
  EXPECT_GE(Since(start), 100ms);
  EXPECT_LT(Since(start), 450ms);
}

// As through a USB serial adapter with a 100 ms latency timer: the bytes still
// cross the line at 300 baud, three a tick, and reach the device in pieces a
// tick apart.
TEST(EmulatorServer, LatencyTimerHandsTheReplyOnInPiecesATickApart) {
  EmulatorOptions options = Unpaced();
  options.baud = 300;
  options.latencyTimer = 100ms;
  EmulatorServer server(options);
  ASSERT_TRUE(server.start()) << server.error();
  Terminal console(server.devicePath());
  const Clock::time_point start = Clock::now();
  ASSERT_TRUE(console.write({0xFD}));
  Bytes reply;
  std::vector<Clock::time_point> arrivals;
  while (reply.size() < 31) {
    const Bytes piece = console.readPiece(1000ms);
    ASSERT_FALSE(piece.empty()) << reply.size() << " bytes came";
    arrivals.push_back(Clock::now());
    reply.insert(reply.end(), piece.begin(), piece.end());
  }
  EXPECT_EQ(reply.size(), 31u);
  EXPECT_EQ(reply.front(), 0xFD);
  EXPECT_EQ(reply.back(), 0x0D);
  // 31 bytes take 1.03 s on the line; the last waits for its tick.
  EXPECT_GE(arrivals.back() - start, 1033ms);
  EXPECT_LT(arrivals.back() - start, 1500ms);
  // Eleven ticks; one by one there would be 31 pieces. A reader that falls
  // behind on a loaded machine may take two ticks' bytes in one piece.
  EXPECT_LE(arrivals.size(), 12u);
  EXPECT_GE(arrivals.size(), 6u);
}

TEST(EmulatorServer, StopEndsAPacedReplyAtOnce) {
  EmulatorOptions options = Unpaced();
  options.baud = 300;
  EmulatorServer server(options);
  ASSERT_TRUE(server.start()) << server.error();
  Terminal console(server.devicePath());
  ASSERT_TRUE(console.write({0xFD}));
  ASSERT_EQ(console.read(1, 2s).size(), 1u);

  const Clock::time_point start = Clock::now();
  server.stop();
  EXPECT_LT(Since(start), 150ms);
  EXPECT_FALSE(server.serving());
  EXPECT_LT(console.read(30, 500ms).size(), 30u);
}

TEST(EmulatorServer, AnnouncesTheDeviceWhileServing) {
  ScopedAnnouncementDir dir;
  ASSERT_FALSE(dir.path().empty());
  EmulatorOptions options = Unpaced();
  options.announce = true;
  EmulatorServer server(options);
  ASSERT_TRUE(server.start()) << server.error();
  const std::string announcement = server.announcement();
  ASSERT_FALSE(announcement.empty());
  EXPECT_EQ(std::filesystem::path(announcement).parent_path(), std::filesystem::path(dir.path()));
  const std::vector<std::string> announced = AnnouncedEmulators();
  EXPECT_NE(std::find(announced.begin(), announced.end(), server.devicePath()), announced.end());

  server.stop();
  EXPECT_FALSE(std::filesystem::exists(announcement));
  EXPECT_TRUE(AnnouncedEmulators().empty());
}

}  // namespace
}  // namespace emulator
