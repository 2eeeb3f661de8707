// The adapter goes away: pulled out in the middle of a reply, or between the
// search that found it and the open. The console says so at once, and once a
// controller is plugged in again a search finds it, the open puts it on line
// and the cycles go on, with nothing lost from the log.
#include <unistd.h>

#include <thread>

#include "console_fixture.h"
#include "emulator_announcements.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class AdapterFaultTest : public ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    if (UsbAdapterAttached()) GTEST_SKIP() << "a USB serial adapter is attached and is found first";
  }

  // Plugs in an emulated Triad and connects to it as the operator does.
  void PlugInAndConnect() {
    const std::string path = PlugInEmulator().devicePath();
    EXPECT_EQ(Search(), "BSD path: " + path + "\n");
    ASSERT_EQ(w.searchField.text, path);
    OpenAt(path);
    ASSERT_EQ(w.openField.text, kReady);
  }
};

TEST_F(AdapterFaultTest, UnpluggedInMidReplyThenPluggedBack) {
  // The status reply stops after four of its twelve bytes: the adapter is
  // pulled out while the controller is still sending.
  Play([](PtyPeer& line) {
    AnswerOneByte(line, 0xEE);
    EXPECT_EQ(line.receive(1), Bytes{0xCC});
    line.send({0xCC, 0x00, 0x80, 0xFC}, kByteAt300);
    std::this_thread::sleep_for(100ms);
    line.hangUp();
  });
  EXPECT_EQ(OpenAt(peer->path()), "");
  ASSERT_EQ(w.openField.text, kReady);
  w.otherCommand.choose(1);
  Clock::duration took{};
  EXPECT_EQ(TimedSend(took), Logged({0xCC, 0x00, 0x80, 0xFC}));
  FinishPlaying();
  // The hang-up ends the wait: no reply bound runs out.
  EXPECT_LT(took, 1s);
  // The bytes that came named a Triad.
  EXPECT_EQ(w.otherCommand.numberOfItems(), 10);

  // A command to the unplugged adapter is not sent, which the log says at once.
  w.filterA.choose(3);
  w.speedA.choose(2);
  EXPECT_EQ(TimedSend(took), "not sent: the port went away\n" + kSeparatorLine);
  EXPECT_LT(took, 500ms);
  EXPECT_EQ(w.filterA.text, "Filter 0");

  // Plugged back: a new device, found by the search. Opening it first puts
  // back the gone device's settings, which can no longer be done.
  const std::string path = PlugInEmulator().devicePath();
  EXPECT_EQ(Search(), "BSD path: " + path + "\n");
  EXPECT_EQ(w.searchField.text, path);
  EXPECT_EQ(OpenAt(path), "Error resetting tty attributes - Input/output error(5).\n");
  ASSERT_EQ(w.openField.text, kReady);

  w.filterA.choose(3);
  w.speedA.choose(2);
  EXPECT_EQ(Send(), Logged({0x23, 0x0D}));
  EXPECT_EQ(emulators.back()->state().wheels[0].filter, 3);
  ExpectLogWhole();
}

// The search found the adapter under a device link, which is gone by the
// time the operator opens it.
TEST_F(AdapterFaultTest, DevicePathVanishesBetweenSearchAndOpen) {
  Play([](PtyPeer& line) {
    AnswerOneByte(line, 0xEE);
    AnswerOneByte(line, 0x23);
  });
  OpenAt(peer->path());
  ASSERT_EQ(w.openField.text, kReady);
  w.filterA.choose(3);
  w.speedA.choose(2);
  EXPECT_EQ(Send(), Logged({0x23, 0x0D}));
  FinishPlaying();

  emulator::EmulatorServer& pulledOut = PlugInEmulator(false);
  const std::string link = announcementDir + "/ttyKORVEL0";
  ASSERT_EQ(symlink(pulledOut.devicePath().c_str(), link.c_str()), 0);
  const std::string announcement = AnnounceEmulator(link);
  ASSERT_FALSE(announcement.empty());
  EXPECT_EQ(Search(), "BSD path: " + link + "\n");
  ASSERT_EQ(w.searchField.text, link);

  pulledOut.stop();
  ASSERT_EQ(unlink(link.c_str()), 0);
  // Nothing was opened, so no write to it is tried or reported.
  EXPECT_EQ(OpenAt(link), "Error opening serial port " + link + " - No such file or directory(2).\n");
  EXPECT_EQ(w.openField.text, kFailed);
  WithdrawEmulator(announcement);

  // Without a port nothing is sent, which the log says at once, and the
  // window keeps what the controller last confirmed.
  w.filterA.choose(4);
  Clock::duration took{};
  EXPECT_EQ(TimedSend(took), "not sent: no port is open\n" + kSeparatorLine);
  EXPECT_LT(took, 500ms);
  EXPECT_EQ(w.filterA.text, "Filter 3");

  // The controller on line again may be another one: the window starts over
  // from its opening values, speed 0 among them.
  ASSERT_NO_FATAL_FAILURE(PlugInAndConnect());
  EXPECT_EQ(w.speedA.text, "Speed 0");
  w.filterA.choose(4);
  EXPECT_EQ(Send(), Logged({0x04, 0x0D}));
  EXPECT_EQ(emulators.back()->state().wheels[0].filter, 4);
  ExpectLogWhole();
}

}  // namespace
