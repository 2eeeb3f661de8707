// The port cannot be had: the operator may not open the device, or another
// program holds it. The open is refused with a diagnostic that says why, the
// window says the port failed, nothing reaches the line, and once access is
// granted or the other program has let go the same console opens the port
// and works.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "console_fixture.h"
#include "forked_child.h"
#include "port_setup.h"

namespace {

using namespace std::chrono_literals;


// A user without any right to the device.
constexpr uid_t kNobody = 65534;
constexpr int kCannotDropPrivileges = 77;

void Show(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

// The operator opens the port and is refused, is given access, opens it again
// and moves wheel A. Prints what the console printed and what the window shows.
void RefusedThenAdmitted(MemoryWindow& w, const std::string& path, const std::function<bool()>& admit) {
  w.searchField.type(path);
  w.controller.open();
  Show("openField: " + w.openField.text);
  if (!admit()) return;
  Show("- access granted");
  w.controller.open();
  Show("openField: " + w.openField.text);
  w.filterA.choose(3);
  w.speedA.choose(2);
  w.controller.communicate();
  std::printf("%s", w.receivedView.text.c_str());
  std::fflush(stdout);
}

using PortAccessTest = ConsoleTest;

// Root may open any device, so the refused operator is played by a child
// process that gives up root first.
TEST_F(PortAccessTest, PermissionDeniedUntilAccessIsGranted) {
  const std::string path = peer->path();
  const std::string expected = "Error opening serial port " + path + " - Permission denied(13).\n" +
                               "openField: " + kFailed + "\n- access granted\nopenField: " + kReady + "\n" +
                               Logged({0x23, 0x0D});
  const auto controller = [](PtyPeer& line) {
    AnswerOneByte(line, 0xEE);
    AnswerOneByte(line, 0x23);
  };

  if (geteuid() != 0) {
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    Play(controller);
    testing::internal::CaptureStdout();
    RefusedThenAdmitted(w, path, [&] { return chmod(path.c_str(), 0600) == 0; });
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
    return;
  }

  ASSERT_EQ(chmod(path.c_str(), 0600), 0);
  ForkedChild operatorProcess([&](ForkedChild& self) {
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) return kCannotDropPrivileges;
    RefusedThenAdmitted(w, path, [&] { return self.WaitForGo(); });
    return 0;
  });
  ASSERT_TRUE(operatorProcess.started());
  const bool refused = operatorProcess.ReadUntil("openField: " + kFailed + "\n", 5s);
  if (!refused && operatorProcess.Wait(1s) == kCannotDropPrivileges) {
    GTEST_SKIP() << "running as root, and a child process could not become uid " << kNobody;
  }
  ASSERT_TRUE(refused) << operatorProcess.output();

  ASSERT_EQ(chmod(path.c_str(), 0666), 0);
  Play(controller);
  operatorProcess.Go();
  EXPECT_EQ(operatorProcess.Wait(10s), 0);
  EXPECT_EQ(operatorProcess.output(), expected);
}

// The other program takes the port as the console does: exclusive mode and
// an advisory lock. Root passes exclusive mode, and the lock stops it.
TEST_F(PortAccessTest, PortHeldByAnotherProgramUntilItLetsGo) {
  const std::string path = peer->path();
  ForkedChild otherProgram([&](ForkedChild& self) {
    const int fd = OpenSerialPort(path.c_str());
    if (fd < 0) return 1;
    Show("holding");
    self.WaitForGo();
    if (CloseSerialPort(fd) != 0) return 2;
    Show("let go");
    return 0;
  });
  ASSERT_TRUE(otherProgram.started());
  ASSERT_TRUE(otherProgram.ReadUntil("holding\n", 5s)) << otherProgram.output();

  const std::string step = geteuid() == 0 ? "locking" : "opening";
  EXPECT_EQ(OpenAt(path),
            "Error " + step + " serial port " + path + " - Device or resource busy(16).\n");
  EXPECT_EQ(w.openField.text, kFailed);
  w.filterA.choose(3);
  w.speedA.choose(2);
  EXPECT_EQ(Send(), "not sent: no port is open\n" + kSeparatorLine);
  EXPECT_EQ(peer->receive(1, 200ms), Bytes{}) << "the refused console wrote to the held line";

  otherProgram.Go();
  EXPECT_EQ(otherProgram.Wait(5s), 0);
  EXPECT_EQ(otherProgram.output(), "holding\nlet go\n");

  Play([](PtyPeer& line) {
    AnswerOneByte(line, 0xEE);
    AnswerOneByte(line, 0x23);
  });
  EXPECT_EQ(OpenAt(path), "");
  ASSERT_EQ(w.openField.text, kReady);
  w.filterA.choose(3);
  w.speedA.choose(2);
  EXPECT_EQ(Send(), Logged({0x23, 0x0D}));
  ExpectLogWhole();
}

}  // namespace
