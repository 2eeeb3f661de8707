// A controller that misbehaves on an open line: it is silent, answers with
// noise, never closes its reply, keeps sending, or sends more than the reply
// buffer holds. Each cycle ends within the line's bounds, the log says what
// arrived, and the next command to a well-behaved controller on the same line
// goes through with nothing lost from the log.
#include <sys/ioctl.h>

#include <algorithm>
#include <atomic>
#include <ostream>
#include <thread>

#include "console_fixture.h"
#include "line_timing.h"
#include "serial_state.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Wheel A moves: the one before the fault, the one the fault meets (filter 7,
// speed 1) and the one after it (filter 5, speed 4).
constexpr unsigned char kMoveBefore = 0x23;
constexpr unsigned char kMoveHit = 0x17;
constexpr unsigned char kMoveAfter = 0x45;

// A Triad's status reply for all devices at rest, without its closing 0x0D.
const Bytes kStatusBody = {0xCC, 0x00, 0x80, 0xFC, 0x00, 0xAC, 0xBC, 0xDC, 0x01, 0xDC, 0x02};

class LineFaultTest : public ConsoleTest {
 protected:
  // Opens the port on a controller that goes on line and answers one wheel
  // move, then plays the fault, then answers the move after it properly.
  void OpenOnController(std::function<void(PtyPeer&)> fault) {
    Play([fault = std::move(fault)](PtyPeer& line) {
      AnswerOneByte(line, 0xEE);
      AnswerOneByte(line, kMoveBefore);
      fault(line);
      AnswerOneByte(line, kMoveAfter);
    });
    EXPECT_EQ(OpenAt(peer->path()), "");
    ASSERT_EQ(w.openField.text, kReady);
    MoveWheelA(3, 2);
    ASSERT_EQ(Send(), Logged({kMoveBefore, 0x0D}));
  }

  void MoveWheelA(int filter, int speed) {
    w.filterA.choose(filter);
    w.speedA.choose(speed);
  }

  // The operator's next move reaches the controller and is logged whole.
  void ExpectUsableAfterwards() {
    MoveWheelA(5, 4);
    EXPECT_EQ(Send(), Logged({kMoveAfter, 0x0D}));
    EXPECT_EQ(w.filterA.text, "Filter 5");
    FinishPlaying();
    ExpectLogWhole();
  }

  // Waits until count bytes that the console has not read are waiting on its
  // port, so that a test knows they are there before the next cycle.
  static bool Waiting(int count) {
    const auto deadline = Clock::now() + 2s;
    int waiting = 0;
    while (Clock::now() < deadline) {
      if (ioctl(fileDescriptor, FIONREAD, &waiting) != 0) return false;
      if (waiting >= count) return true;
      std::this_thread::sleep_for(5ms);
    }
    return false;
  }

  // For a controller that keeps sending: the console has come back; the
  // controller has stopped, after sending so many bytes. Members, so that
  // they outlive a test that ends early while the controller still plays.
  std::atomic<bool> consoleGaveUp{false};
  std::atomic<bool> controllerQuiet{false};
  std::atomic<int> bytesSent{0};
};

TEST_F(LineFaultTest, SilentControllerIsReportedWithinTheFirstByteBound) {
  ASSERT_NO_FATAL_FAILURE(OpenOnController([](PtyPeer& line) { EXPECT_EQ(line.receive(1), Bytes{kMoveHit}); }));
  MoveWheelA(7, 1);
  Clock::duration took{};
  EXPECT_EQ(TimedSend(took), kIgnored + kSeparatorLine);
  EXPECT_GE(took, kFirstByteTimeout);
  EXPECT_LT(took, kFirstByteTimeout + 500ms);
  // Nothing was remembered: the window shows the move before the fault.
  EXPECT_EQ(w.filterA.text, "Filter 3");
  EXPECT_EQ(w.speedA.text, "Speed 2");
  ExpectUsableAfterwards();
}

// Noise of the awaited length is all a console can see of a reply: it is
// logged as it came, also when its first byte is one that a reply
// interpreter takes.
struct NoiseCase {
  const char* name;
  Bytes reply;
  std::string logged;
};

void PrintTo(const NoiseCase& c, std::ostream* out) { *out << c.name; }

class NoiseTest : public LineFaultTest, public ::testing::WithParamInterface<NoiseCase> {};

TEST_P(NoiseTest, IsLoggedAsItCameAndTheLineStaysUsable) {
  const Bytes reply = GetParam().reply;
  ASSERT_NO_FATAL_FAILURE(OpenOnController([reply](PtyPeer& line) { Answer(line, {kMoveHit}, reply); }));
  MoveWheelA(7, 1);
  EXPECT_EQ(Send(), GetParam().logged);
  ExpectUsableAfterwards();
}

INSTANTIATE_TEST_SUITE_P(
    Replies, NoiseTest,
    ::testing::Values(NoiseCase{"ZeroAndFF", {0x00, 0xFF}, Logged({0x00, 0xFF})},
                      // A configuration reply of no known length: its first byte only.
                      NoiseCase{"ConfigurationByte", {0xFD, 0x00}, "253       0xFD\n" + kSeparatorLine},
                      // A status reply too short to name a controller.
                      NoiseCase{"StatusByte", {0xCC, 0x0D}, Logged({0xCC, 0x0D})}),
    [](const auto& info) { return std::string(info.param.name); });

// The line then owes the closing byte: the next command waits for it, within
// its bound, before it goes out.
TEST_F(LineFaultTest, ReplyWithoutItsClosingByteEndsAtTheClosingBound) {
  ASSERT_NO_FATAL_FAILURE(OpenOnController([](PtyPeer& line) { Answer(line, {kMoveHit}, {kMoveHit}); }));
  MoveWheelA(7, 1);
  Clock::duration took{};
  EXPECT_EQ(TimedSend(took), Logged({kMoveHit}));
  EXPECT_GE(took, kMoveClosingTimeout);
  EXPECT_LT(took, kMoveClosingTimeout + 1s);
  const auto start = Clock::now();
  ExpectUsableAfterwards();
  EXPECT_GE(Clock::now() - start, kOwedBytesTimeout);
  EXPECT_LT(Clock::now() - start, kOwedBytesTimeout + 1s);
}

// A status reply that never ends in 0x0D, from a controller that keeps
// sending at 300 baud until the console has given up on it.
TEST_F(LineFaultTest, EndlessStatusReplyEndsAtTheReplyBound) {
  ASSERT_NO_FATAL_FAILURE(OpenOnController([this](PtyPeer& line) {
    EXPECT_EQ(line.receive(1), Bytes{0xCC});
    line.send(kStatusBody, kByteAt300);
    bytesSent = static_cast<int>(kStatusBody.size());
    const auto giveUp = Clock::now() + kReplyTimeout + 3s;
    while (!consoleGaveUp && Clock::now() < giveUp) {
      line.send({0x00});
      ++bytesSent;
      std::this_thread::sleep_for(kByteAt300);
    }
    controllerQuiet = true;
  }));
  w.otherCommand.choose(1);
  Clock::duration took{};
  const std::string logged = TimedSend(took);
  consoleGaveUp = true;
  EXPECT_GE(took, kReplyTimeout);
  EXPECT_LT(took, kReplyTimeout + 1s);

  // Every byte that came is echoed, and no closing byte came. 5 s at 300
  // baud carry 150 bytes; a loaded machine sends fewer.
  EXPECT_TRUE(logged.starts_with(Echoed(kStatusBody))) << logged;
  EXPECT_TRUE(logged.ends_with("0           0x0\n" + kSeparatorLine)) << logged;
  EXPECT_EQ(logged.find("0xD\n"), std::string::npos);
  const auto echoLines = std::count(logged.begin(), logged.end(), '\n') - 1;
  EXPECT_GT(echoLines, 50);
  EXPECT_LE(echoLines, 160);
  // The reply named a Triad with its devices at rest.
  EXPECT_EQ(w.otherCommand.numberOfItems(), 10);
  EXPECT_EQ(w.filterA.text, "Filter 0");

  // What the controller sent after the console gave up waits on the line.
  const auto deadline = Clock::now() + 2s;
  while (!controllerQuiet && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
  ASSERT_TRUE(controllerQuiet);
  ASSERT_TRUE(Waiting(bytesSent - static_cast<int>(echoLines)));
  ExpectUsableAfterwards();
}

// The reply buffer holds 256 bytes: a longer reply is cut there, and what is
// left of it on the line is not taken for the next reply.
TEST_F(LineFaultTest, ReplyOverTheBufferIsCutAndItsRestDropped) {
  Bytes tooLong = kStatusBody;
  tooLong.resize(300, 0x00);
  tooLong.push_back(0x0D);
  ASSERT_NO_FATAL_FAILURE(OpenOnController([tooLong](PtyPeer& line) { Answer(line, {0xCC}, tooLong); }));
  w.otherCommand.choose(1);
  Clock::duration took{};
  const std::string logged = TimedSend(took);
  EXPECT_LT(took, 1s);
  EXPECT_EQ(logged, Logged(Bytes(tooLong.begin(), tooLong.begin() + kBufferSize)));
  EXPECT_EQ(w.otherCommand.numberOfItems(), 10);

  const int rest = static_cast<int>(tooLong.size() - kBufferSize);
  ASSERT_TRUE(Waiting(rest));
  ExpectUsableAfterwards();
}

}  // namespace
