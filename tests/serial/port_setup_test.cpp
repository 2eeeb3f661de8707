#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

#include "line_timing.h"
#include "serial_fixture.h"

using namespace std::chrono_literals;

namespace {

termios AttributesOf(int fd) {
  termios t{};
  EXPECT_EQ(tcgetattr(fd, &t), 0);
  return t;
}

std::size_t OpenDescriptors() {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                                std::filesystem::directory_iterator()));
}

// A device as another program left it: a character format of its own, hang-up
// on close, and the usual cooked terminal flags.
termios DistinctDevice(int fd, tcflag_t format) {
  termios t = AttributesOf(fd);
  t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB)) | format | HUPCL | CRTSCTS;
  t.c_iflag |= IXON | IXOFF | IXANY | ICRNL | BRKINT | IGNBRK | INPCK | IGNPAR | PARMRK;
  t.c_oflag |= OPOST | ONLCR;
  t.c_lflag |= ICANON | ISIG | ECHO | ECHOE;
  cfsetspeed(&t, B9600);
  EXPECT_EQ(tcsetattr(fd, TCSANOW, &t), 0);
  return AttributesOf(fd);
}

constexpr tcflag_t kSevenEvenOne = CS7 | PARENB;
constexpr tcflag_t kCharacterFormat = CSIZE | PARENB | PARODD | CSTOPB;

class PortSetup : public ::testing::Test {
 protected:
  void SetUp() override { ResetSerialState(); }
  PtyPeer peer;
};

struct CharacterFormat {
  const char* name;
  tcflag_t bits;
};

void PrintTo(const CharacterFormat& format, std::ostream* out) { *out << format.name; }

const CharacterFormat kFormats[] = {{"SevenEvenOne", kSevenEvenOne}, {"SevenOddTwo", CS7 | PARENB | PARODD | CSTOPB}};

class FormatAtOpen : public PortSetup, public ::testing::WithParamInterface<CharacterFormat> {};

// Seven data bits or a parity bit would garble every protocol byte from 0x80
// up: whatever format a device had, the console asks for eight bits, no
// parity, one stop bit, and leaves hang-up on close as it was.
TEST_P(FormatAtOpen, SettingsAskForEightBitsNoParityOneStopBit) {
  termios device = AttributesOf(peer.slave());
  device.c_cflag = (device.c_cflag & ~kCharacterFormat) | GetParam().bits | HUPCL;
  const termios line = LineSettingsFor(device);
  EXPECT_EQ(line.c_cflag & kCharacterFormat, static_cast<tcflag_t>(CS8));
  EXPECT_NE(line.c_cflag & HUPCL, 0u);
}

// A pseudo-terminal holds eight bits without parity whatever it is asked for,
// but keeps two stop bits and the odd-parity flag: those are what the open
// must clear on a real device too, and what the close gives back.
TEST_P(FormatAtOpen, OpenMakesARaw300Baud8N1LineAndCloseRestoresTheDevice) {
  const termios before = DistinctDevice(peer.slave(), GetParam().bits);
  const int fd = OpenSerialPort(peer.path().c_str());
  ASSERT_GE(fd, 0);
  const termios line = AttributesOf(fd);

  // Writes never block; reads only ask for what is waiting.
  EXPECT_NE(fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
  EXPECT_EQ(line.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
  // No BREAK flushes what came, no parity error drops, marks or changes a byte.
  EXPECT_EQ(line.c_iflag & (BRKINT | IGNBRK | INPCK | IGNPAR | PARMRK), 0u);
  EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
  EXPECT_EQ(line.c_oflag & OPOST, 0u);
  EXPECT_EQ(line.c_cflag & (CREAD | CLOCAL), CREAD | CLOCAL);
  EXPECT_EQ(line.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(line.c_lflag & (ICANON | ISIG | ECHO | ECHOE), 0u);
  EXPECT_EQ(line.c_cc[VMIN], 1);
  EXPECT_EQ(line.c_cc[VTIME], 0);
  EXPECT_EQ(cfgetispeed(&line), B300);
  EXPECT_EQ(cfgetospeed(&line), B300);
  EXPECT_EQ(line.c_cflag & kCharacterFormat, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(line.c_cflag & HUPCL, before.c_cflag & HUPCL);
  EXPECT_EQ(std::memcmp(&gOriginalTTYAttrs, &before, sizeof before), 0);

  EXPECT_EQ(CloseSerialPort(fd), 0);
  const termios after = AttributesOf(peer.slave());
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_oflag, before.c_oflag);
  EXPECT_EQ(after.c_cflag, before.c_cflag);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(cfgetospeed(&after), B9600);
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatAtOpen, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

// A closing byte 0x0D must not turn into 0x0A on the way in.
TEST_F(PortSetup, ReplyBytesArriveUnchanged) {
  const int fd = OpenSerialPort(peer.path().c_str());
  ASSERT_GE(fd, 0);
  const Bytes sent{0x0D, 0x0A, 0xFF, 0x00, 0xCC};
  peer.send(sent);
  std::this_thread::sleep_for(50ms);
  unsigned char got[8] = {};
  EXPECT_EQ(read(fd, got, sizeof got), static_cast<ssize_t>(sent.size()));
  EXPECT_EQ(Bytes(got, got + sent.size()), sent);
  CloseSerialPort(fd);
}

// A console started without a controlling terminal must not take the port
// as its own: unplugging the adapter would then end it by SIGHUP.
TEST_F(PortSetup, OpenDoesNotMakeThePortTheControllingTerminal) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setsid() < 0) _exit(2);
    const int fd = OpenSerialPort(peer.path().c_str());
    if (fd < 0) _exit(3);
    const int tty = ::open("/dev/tty", O_RDWR);
    _exit(tty < 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

struct OpenFailure {
  const char* name;
  const char* path;
  const char* message;
};

class OpenFailures : public PortSetup, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFailures, PrintTheStepAndLeaveNoDescriptorOpen) {
  const std::size_t descriptors = OpenDescriptors();
  testing::internal::CaptureStdout();
  EXPECT_EQ(OpenSerialPort(GetParam().path), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), GetParam().message);
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OpenFailures,
    ::testing::Values(
        OpenFailure{"Missing", "/nonexistent/tty", "Error opening serial port /nonexistent/tty - No such file or directory(2).\n"},
        OpenFailure{"Empty", "", "Error opening serial port  - No such file or directory(2).\n"},
        OpenFailure{"NotATerminal", "/dev/null",
                    "Error getting tty attributes /dev/null - Inappropriate ioctl for device(25).\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortSetup, OpeningTwiceClosesTheFirstAndCloseRestoresTheDevice) {
  const termios before = DistinctDevice(peer.slave(), kSevenEvenOne);
  std::strcpy(bsdPath, peer.path().c_str());
  const std::size_t descriptors = OpenDescriptors();
  ASSERT_GE(OpenPort(), 0);
  ASSERT_GE(OpenPort(), 0);
  EXPECT_EQ(OpenDescriptors(), descriptors + 1);
  EXPECT_EQ(ClosePort(), 0);
  EXPECT_EQ(fileDescriptor, -1);
  EXPECT_EQ(OpenDescriptors(), descriptors);
  const termios after = AttributesOf(peer.slave());
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(after.c_cflag, before.c_cflag);
}

// A second program on the same line would interleave its bytes with ours.
TEST_F(PortSetup, PortIsHeldExclusivelyUntilClosed) {
  const int first = OpenSerialPort(peer.path().c_str());
  ASSERT_GE(first, 0);
  testing::internal::CaptureStdout();
  EXPECT_EQ(OpenSerialPort(peer.path().c_str()), -1);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_NE(printed.find(peer.path() + " - Device or resource busy(16).\n"), std::string::npos) << printed;

  EXPECT_EQ(CloseSerialPort(first), 0);
  int exclusive = 1;
  ASSERT_EQ(ioctl(peer.slave(), TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 0);
  const int again = OpenSerialPort(peer.path().c_str());
  EXPECT_GE(again, 0);
  CloseSerialPort(again);
}

// No port open: nothing failed, so nothing is reported.
TEST_F(PortSetup, CloseWithoutAnOpenPortTouchesNoDescriptor) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(ClosePort(), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(PortSetup, OnLineCheckWithoutAPortWritesNothing) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(InitializeModem(-1), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(OpenLine, OnLineCheckAgainstSilenceGivesZeroWithinTheBound) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(InitializeModem(fileDescriptor), 0);
  EXPECT_EQ(peer->receive(1), Bytes{0xEE});
  EXPECT_LT(std::chrono::steady_clock::now() - start, kFirstByteTimeout + 500ms);
}

TEST_F(OpenLine, OnLineCheckAnsweredWithAnotherByteGivesZeroAndKeepsTheAnswer) {
  play([](PtyPeer& line) {
    line.receive(1);
    line.send({0x41, 0x0D}, kByteAt300);
  });
  EXPECT_EQ(InitializeModem(fileDescriptor), 0);
  EXPECT_EQ(Buffer[0], 0x41);
}

// The 0x0D that follows the echoed 0xEE belongs to the on-line answer, not to
// the next command's reply.
TEST_F(OpenLine, OnLineCheckTakesItsClosingByte) {
  play([](PtyPeer& line) {
    line.receive(1);
    line.send({0xEE, 0x0D}, kByteAt300);
  });
  EXPECT_EQ(InitializeModem(fileDescriptor), 1);
  controller.join();
  play([](PtyPeer& line) {
    line.receive(1);
    line.send({0xEF, 0x0D}, kByteAt300);
  });
  EXPECT_EQ(reply(exchange({0xEF}, 0)), (Bytes{0xEF, 0x0D}));
}

// Echo and closing byte in one piece, as an unpaced emulator or a USB
// adapter hands them on: the answer is whole, with no wait for the quiet
// after a burst (kLongestDeliveryTick and a character, 288 ms; the bound
// leaves room for a loaded machine).
TEST_F(OpenLine, OnLineAnswerEndsWithItsClosingByte) {
  play([](PtyPeer& line) {
    line.receive(1);
    line.send({0xEE, 0x0D});
  });
  const auto start = LineClock::now();
  EXPECT_EQ(InitializeModem(fileDescriptor), 1);
  EXPECT_LT(LineClock::now() - start, 150ms);
  EXPECT_FALSE(lineOwesBytes);
}

// A controller that closes the on-line byte late: the next command waits
// only briefly for that byte (it follows no move), and when it comes after
// the command went out it is dropped before the reply's echo, not read as
// the reply.
TEST_F(OpenLine, OnLineClosingByteThatComesLateIsNotTheNextReply) {
  play([&](PtyPeer& line) {
    line.receive(1);
    line.send({0xEE});
    // Past the on-line answer's quiet and the short wait for its closing byte.
    std::this_thread::sleep_for(1000ms);
    line.send({0x0D});
    line.receive(1);
    line.send({0xEF, 0x0D}, kByteAt300);
  });
  EXPECT_EQ(InitializeModem(fileDescriptor), 1);
  EXPECT_TRUE(lineOwesBytes);
  EXPECT_EQ(reply(exchange({0xEF}, 0)), (Bytes{0xEF, 0x0D}));
  EXPECT_LT(elapsed, 1500ms);
  EXPECT_EQ(lineExchange.droppedCount, 1);
}

// A byte left on the line from before (a controller powering up) that
// arrives after the on-line byte went out is not its answer.
TEST_F(OpenLine, OnLineCheckWithAStaleByteBeforeTheEchoIsOnLine) {
  play([](PtyPeer& line) {
    line.receive(1);
    line.send({0x0D, 0xEE, 0x0D}, kByteAt300);
  });
  EXPECT_EQ(InitializeModem(fileDescriptor), 1);
  EXPECT_EQ(Buffer[0], 0xEE);
  EXPECT_FALSE(lineOwesBytes);
}

}  // namespace
