#include <gtest/gtest.h>
#include <termios.h>

#include <algorithm>
#include <ostream>
#include <span>
#include <vector>

#include "line_timing.h"
#include "line_wait.h"
#include "serial_fixture.h"

using namespace std::chrono_literals;

namespace {

// One exchange: what the console sends, what the controller answers (paced
// at 300 baud), and what the console must end up with.
struct Exchange {
  const char* name;
  Bytes command;
  int32_t extraLength;
  Bytes answer;
  Bytes expected;
};

class Transaction : public OpenLine, public ::testing::WithParamInterface<Exchange> {};

TEST_P(Transaction, SendsTheCommandWholeAndReadsTheReplyWhole) {
  const Exchange& c = GetParam();
  Bytes received;
  play([&](PtyPeer& line) {
    received = line.receive(c.command.size());
    line.send(c.answer, kByteAt300);
  });
  const int32_t count = exchange(c.command, c.extraLength);
  EXPECT_EQ(received, c.command);
  EXPECT_EQ(reply(count), c.expected);
  // Bounded by the line time of the answer plus a quiet gap, not by a timeout.
  EXPECT_LT(elapsed, c.answer.size() * kCharacterTime + 2 * kQuietTime + 300ms);
  // A whole reply leaves nothing owed, so the next command waits for nothing.
  EXPECT_FALSE(lineOwesBytes);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Transaction,
    ::testing::Values(
        Exchange{"OneByteCommandAwaitsEchoAndClosingByte", {0xEF}, 0, {0xEF, 0x0D}, {0xEF, 0x0D}},
        Exchange{"DataByteEqualToEndMarker", {0xDE, 0x01, 0x0A}, 0, {0xDE, 0x01, 0x0A, 0x0D}, {0xDE, 0x01, 0x0A, 0x0D}},
        Exchange{"StatusReplyWithStepCount13",
                 {0xCC}, 3, {0xCC, 0x32, 0xAA, 0xDE, 0x0D, 0x0D}, {0xCC, 0x32, 0xAA, 0xDE, 0x0D, 0x0D}},
        Exchange{"StatusReplyOfTheTriad",
                 {0xCC}, 3,
                 {0xCC, 0x41, 0xB2, 0xFC, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDE, 0x02, 0x90, 0x0D},
                 {0xCC, 0x41, 0xB2, 0xFC, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDE, 0x02, 0x90, 0x0D}},
        Exchange{"FreeRunGoHasNoClosingByte", {0xFA, 0xF3}, 0, {0xFA, 0xF3}, {0xFA, 0xF3}},
        Exchange{"FreeRunByTriggerHasNoClosingByte", {0xFA, 0xF2}, 0, {0xFA, 0xF2}, {0xFA, 0xF2}},
        Exchange{"BatchStartingWithWheelBByteF2AwaitsClosingByte",
                 {0xBD, 0xF2, 0xBE}, 0, {0xBD, 0xF2, 0xBE, 0x0D}, {0xBD, 0xF2, 0xBE, 0x0D}}),
    [](const auto& info) { return std::string(info.param.name); });

// The configuration reply of a Triad is 31 bytes; before the variant is known
// the console awaits only 14 of them, and must still read all 31.
TEST_F(OpenLine, ConfigurationReplyIsReadWholeWhileTheVariantIsUnknown) {
  Bytes answer{0xFD};
  for (int i = 0; i < 29; ++i) answer.push_back(static_cast<unsigned char>('A' + i % 26));
  answer.push_back(0x0D);
  play([&](PtyPeer& line) {
    line.receive(1);
    line.send(answer, kByteAt300);
  });
  EXPECT_EQ(reply(exchange({0xFD}, 12)), answer);
}

TEST_F(OpenLine, SilenceGivesNoReplyWithinTheBoundAndLeavesBufferAlone) {
  std::fill(std::begin(Buffer), std::end(Buffer), 0x5A);
  EXPECT_EQ(exchange({0xCC}, 3), 0);
  EXPECT_GE(elapsed, kFirstByteTimeout);
  EXPECT_LT(elapsed, kFirstByteTimeout + 500ms);
  EXPECT_TRUE(std::all_of(std::begin(Buffer), std::end(Buffer), [](unsigned char b) { return b == 0x5A; }));
}

// A window repaints through the hook while the console waits for the line.
TEST_F(OpenLine, WaitHookRunsThroughoutAWaitThatStillEndsAtItsBound) {
  int calls = 0;
  SetLineWaitHook([&] { ++calls; }, 20ms);
  EXPECT_EQ(exchange({0xCC}, 3), 0);
  EXPECT_GE(calls, static_cast<int>(kFirstByteTimeout / 20ms) - 5);
  EXPECT_LT(elapsed, kFirstByteTimeout + 500ms);
}

// A wheel move closes when the move has ended; the closing byte's bound is
// that of the longest move.
TEST_F(OpenLine, ReplyThatNeverSendsItsClosingByteEndsAtTheClosingBound) {
  play([](PtyPeer& line) { line.send(line.receive(1)); });
  EXPECT_EQ(reply(exchange({0x23}, 0)), (Bytes{0x23}));
  EXPECT_GE(elapsed, kMoveClosingTimeout);
  EXPECT_LT(elapsed, kMoveClosingTimeout + 500ms);
  EXPECT_TRUE(lineOwesBytes);
}

// The rest of a reply cut at its bound comes while the next command waits to
// go out: it is dropped, the window keeps repainting meanwhile, and the
// command goes out only once the line is quiet.
TEST_F(OpenLine, RestOfACutReplyIsWaitedForAndDroppedBeforeTheNextCommand) {
  play([](PtyPeer& line) {
    line.receive(1);
    line.send({0xCC, 0x41}, kByteAt300);
  });
  EXPECT_EQ(reply(exchange({0xCC}, 3)), (Bytes{0xCC, 0x41}));
  EXPECT_GE(elapsed, kReplyTimeout);
  EXPECT_TRUE(lineOwesBytes);

  int hookCalls = 0;
  SetLineWaitHook([&] { ++hookCalls; }, 20ms);
  Bytes beforeTheRest{0xFF};
  Bytes received;
  play([&](PtyPeer& line) {
    std::this_thread::sleep_for(300ms);
    beforeTheRest = line.pending();
    line.send({0x42, 0x0D}, kByteAt300);
    received = line.receive(1);
    line.send({0xEF, 0x0D}, kByteAt300);
  });
  EXPECT_EQ(reply(exchange({0xEF}, 0)), (Bytes{0xEF, 0x0D}));
  EXPECT_EQ(beforeTheRest, Bytes{});
  EXPECT_EQ(received, Bytes{0xEF});
  EXPECT_GE(hookCalls, 15);
  EXPECT_FALSE(lineOwesBytes);
}

// A controller that is off costs each command its first byte's bound, and
// nothing more.
TEST_F(OpenLine, NoReplyOwesNothing) {
  EXPECT_EQ(exchange({0x23}, 0), 0);
  EXPECT_FALSE(lineOwesBytes);
  play([](PtyPeer& line) {
    line.receive(1);
    line.send({0xEF, 0x0D});
  });
  EXPECT_EQ(reply(exchange({0xEF}, 0)), (Bytes{0xEF, 0x0D}));
  EXPECT_LT(elapsed, 300ms);
}

// Pieces of a reply as a USB serial adapter hands them on: the controller's
// bytes held back and passed on together at each tick of its latency timer.
struct Bursts {
  const char* name;
  std::vector<Bytes> pieces;
  std::chrono::milliseconds tick;
  Bytes command;
  int32_t extraLength;
};

void PrintTo(const Bursts& c, std::ostream* out) { *out << c.name; }

class BurstReply : public OpenLine, public ::testing::WithParamInterface<Bursts> {};

TEST_P(BurstReply, IsReadWholeThoughAPieceEndsLikeTheReply) {
  const Bursts& c = GetParam();
  play([&](PtyPeer& line) {
    line.receive(c.command.size());
    for (const Bytes& piece : c.pieces) {
      std::this_thread::sleep_for(c.tick);
      line.send(piece);
    }
  });
  Bytes whole;
  for (const Bytes& piece : c.pieces) whole.insert(whole.end(), piece.begin(), piece.end());
  EXPECT_EQ(reply(exchange(c.command, c.extraLength)), whole);
  EXPECT_FALSE(lineOwesBytes);
}

INSTANTIATE_TEST_SUITE_P(
    Adapters, BurstReply,
    ::testing::Values(
        // The first piece is already as long as a status reply and ends in
        // 0x0D: nothing tells yet how long the adapter's tick is.
        Bursts{"FirstPieceOfTheSlowestTick", {{0xCC, 0x32, 0xAA, 0xDE, 0x0D}, {0x0D}}, 255ms, {0xCC}, 3},
        Bursts{"LaterPieceEndingIn0D",
               {{0xCC, 0x41}, {0xB2, 0xFC, 0x0A}, {0xAA, 0xBA, 0xDE}, {0x01, 0x0D}, {0xDE, 0x02, 0x0D}},
               100ms, {0xCC}, 3},
        Bursts{"ConfigurationPastItsAwaitedLength",
               {{0xFD, 'K', 'T', '3'}, {' ', 'W', 'A', '=', '1', ' ', 'B', '='}, {'2', ' ', 'C', '=', '3', ' ', 'x'},
                {'y', 'z', '0', '1', '2', '3', '4', '5'}, {'6', 0x0D}},
               255ms, {0xFD}, 12}),
    [](const auto& info) { return std::string(info.param.name); });

// A status reply whose bytes tell its length, as the replies' layer tells
// it: the bytes as they arrive, a hook that tells the length, and whether the
// reply must end at once or only after the quiet.
struct SelfEnding {
  const char* name;
  std::vector<Bytes> pieces;  // the first at once, then one every gap
  std::chrono::milliseconds gap;
  int toldLength;  // 0: the bytes tell nothing
  bool endsAtOnce;
};

void PrintTo(const SelfEnding& c, std::ostream* out) { *out << c.name; }

int toldLength = 0;
int ToldLength(std::span<const unsigned char> /*received*/) { return toldLength; }

// The reply's last piece ends it at once well inside the quiet that follows
// a burst (kLongestDeliveryTick and a character, 288 ms); the bound leaves
// room for a loaded machine.
constexpr auto kEndedAtOnce = 150ms;

class SelfEndingReply : public OpenLine, public ::testing::WithParamInterface<SelfEnding> {};

TEST_P(SelfEndingReply, EndsAtOnceOnlyWhenItsBytesShowItWhole) {
  const SelfEnding& c = GetParam();
  toldLength = c.toldLength;
  SetStatusReplyLengthHook(ToldLength);
  LineClock::time_point lastSent{};
  play([&](PtyPeer& line) {
    line.receive(1);
    for (std::size_t i = 0; i < c.pieces.size(); ++i) {
      if (i > 0) std::this_thread::sleep_for(c.gap);
      line.send(c.pieces[i]);
    }
    lastSent = LineClock::now();
  });
  Bytes whole;
  for (const Bytes& piece : c.pieces) whole.insert(whole.end(), piece.begin(), piece.end());
  const auto start = LineClock::now();
  EXPECT_EQ(reply(exchange({0xCC}, 3)), whole);
  const auto afterLastPiece = start + elapsed - lastSent;
  if (c.endsAtOnce) {
    EXPECT_LT(afterLastPiece, kEndedAtOnce);
  } else {
    EXPECT_GE(afterLastPiece, kLongestDeliveryTick);
  }
  EXPECT_FALSE(lineOwesBytes);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SelfEndingReply,
    ::testing::Values(
        SelfEnding{"WholeInOneBurst", {{0xCC, 0x32, 0xAA, 0xDC, 0x0D}}, 0ms, 5, true},
        // Step count 13: the first 0x0D is data, the reply goes on to the second.
        SelfEnding{"StepCount13InOneBurst", {{0xCC, 0x32, 0xAA, 0xDE, 0x0D, 0x0D}}, 0ms, 6, true},
        SelfEnding{"StepCount13EndingAPiece", {{0xCC, 0x32, 0xAA, 0xDE, 0x0D}, {0x0D}}, 100ms, 6, true},
        SelfEnding{"OneByOne", {{0xCC}, {0x32}, {0xAA}, {0xDE}, {0x0D}, {0x0D}}, 33ms, 6, true},
        // Longer than its layout: read on until the quiet, as any reply.
        SelfEnding{"GarbageInTheSameBurst", {{0xCC, 0x32, 0xAA, 0xDC, 0x0D, 0x55, 0x0D}}, 0ms, 5, false},
        // Ended before its step count, or bytes that tell nothing: the quiet
        // ends them.
        SelfEnding{"EndedEarly", {{0xCC, 0x32, 0xAA, 0xDE, 0x0D}}, 0ms, 6, false},
        SelfEnding{"BytesTellNothing", {{0xCC, 0x32, 0xAA, 0xDC, 0x0D}}, 0ms, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OpenLine, ReplyOverflowingTheBufferIsCutAtItsEnd) {
  const Bytes flood(300, 0x41);
  play([&](PtyPeer& line) {
    line.receive(1);
    line.send(Bytes{0xCC});
    line.send(flood);
  });
  const int32_t count = exchange({0xCC}, 3);
  EXPECT_EQ(count, 256);
  EXPECT_EQ(Buffer[0], 0xCC);
  EXPECT_EQ(Buffer[255], 0x41);

  // What did not fit is not taken as the next reply.
  play([](PtyPeer& line) {
    line.receive(1);
    line.send({0xEF, 0x0D});
  });
  EXPECT_EQ(reply(exchange({0xEF}, 0)), (Bytes{0xEF, 0x0D}));
}

TEST_F(OpenLine, HangUpInMidReplyEndsTheTransactionWithWhatArrived) {
  play([](PtyPeer& line) {
    line.receive(1);
    line.send({0xCC, 0x41}, kByteAt300);
    // Unplugging drops what the driver still holds; give the console time to take it.
    std::this_thread::sleep_for(100ms);
    line.hangUp();
  });
  EXPECT_EQ(reply(exchange({0xCC}, 3)), (Bytes{0xCC, 0x41}));
  EXPECT_LT(elapsed, 500ms);
}

TEST_F(OpenLine, BytesLeftFromAnEarlierExchangeAreNotTakenAsTheReply) {
  peer->send({0x0D});  // a late closing byte
  std::this_thread::sleep_for(50ms);
  play([](PtyPeer& line) {
    line.receive(1);
    line.send({0xEF, 0x0D}, kByteAt300);
  });
  EXPECT_EQ(reply(exchange({0xEF}, 0)), (Bytes{0xEF, 0x0D}));
}

// The reply to BF begins at its first BF byte.
TEST_F(OpenLine, ResynchronisesOnTheFirstBfByte) {
  std::fill(std::begin(Buffer), std::end(Buffer), 0x77);
  play([](PtyPeer& line) {
    line.receive(1);
    line.send({0x0D, 0xBF});
  });
  EXPECT_EQ(exchange({0xBF}, 0), 1);
  EXPECT_EQ(Buffer[0], 0xBF);
  EXPECT_EQ(Buffer[1], 0x00);
  EXPECT_EQ(Buffer[2], 0x77);
}

// BF is answered by its echo alone, with no closing byte: once it comes the
// reply is whole, and nothing is owed.
TEST_F(OpenLine, BfReplyWithoutBfIsThrownAwayAndTheNextOneAwaited) {
  play([](PtyPeer& line) {
    line.receive(1);
    line.send({0x0D});
    std::this_thread::sleep_for(100ms);
    line.send({0xBF});
  });
  EXPECT_EQ(reply(exchange({0xBF}, 0)), (Bytes{0xBF}));
  EXPECT_LT(elapsed, 400ms);
  EXPECT_FALSE(lineOwesBytes);
  EXPECT_EQ(Bytes(lineExchange.dropped, lineExchange.dropped + lineExchange.droppedCount), (Bytes{0x0D}));
}

TEST_F(OpenLine, BfReplyWithoutBfAndThenSilenceGivesNoReply) {
  play([](PtyPeer& line) {
    line.receive(1);
    line.send({0x0D, 0x0D});
  });
  EXPECT_EQ(exchange({0xBF}, 0), 0);
  EXPECT_LT(elapsed, kFirstByteTimeout + 500ms);
}

TEST(ClosedLine, NoPortGivesNoReplyAtOnce) {
  ResetSerialState();
  mycomm[0] = 0xCC;
  mycomm[1] = 0x0A;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_LE(Communicate(1, 3), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
}

}  // namespace

namespace {

// A byte on the line just before the controller's echo (noise on a long
// cable, a late byte of an earlier reply): the reply still begins at the
// echo, and the stray byte is dropped and told.
struct Stray {
  const char* name;
  Bytes stray;
  Bytes command;
  int32_t extraLength;
  Bytes answer;  // the controller's whole answer, which must be the reply
  std::chrono::milliseconds closingDelay{0};  // before the answer's last byte
};

void PrintTo(const Stray& c, std::ostream* out) { *out << c.name; }

class StrayBytes : public OpenLine, public ::testing::WithParamInterface<Stray> {};

TEST_P(StrayBytes, BeforeTheEchoAreDroppedAndTheReplyIsItsCommands) {
  const Stray& c = GetParam();
  Bytes received;
  play([&](PtyPeer& line) {
    received = line.receive(c.command.size());
    line.send(c.stray);
    const Bytes head(c.answer.begin(), c.answer.end() - 1);
    line.send(head, kByteAt300);
    std::this_thread::sleep_for(c.closingDelay);
    line.send({c.answer.back()});
  });
  EXPECT_EQ(reply(exchange(c.command, c.extraLength)), c.answer);
  EXPECT_EQ(received, c.command);
  EXPECT_TRUE(lineExchange.echoed);
  EXPECT_FALSE(lineExchange.cutShort);
  EXPECT_EQ(Bytes(lineExchange.dropped, lineExchange.dropped + lineExchange.droppedCount), c.stray);
  // A move's cycle ends with its closing byte, not with the stray byte and
  // the echo, so that the next command goes out after the move.
  EXPECT_GE(elapsed, c.closingDelay);
  EXPECT_FALSE(lineOwesBytes);
}

const Bytes kTriadStatus{0xCC, 0x41, 0xB2, 0xFC, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDE, 0x02, 0x90, 0x0D};
// A Mono's status, with 0x0D among its time bytes.
const Bytes kMonoStatus{0xCC, 0xAC, 0xDC, 0x00, 0xA0, 0xB0, 0, 0x0D, 0, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0, 0, 0x0D};

Bytes TriadConfiguration() {
  Bytes answer{0xFD};
  for (int i = 0; i < 29; ++i) answer.push_back(static_cast<unsigned char>('A' + i % 26));
  answer.push_back(0x0D);
  return answer;
}

INSTANTIATE_TEST_SUITE_P(
    Framing, StrayBytes,
    ::testing::Values(
        Stray{"CarriageReturnBeforeOneByteCommand", {0x0D}, {0xEF}, 0, {0xEF, 0x0D}},
        Stray{"FfBeforeOneByteCommand", {0xFF}, {0xEF}, 0, {0xEF, 0x0D}},
        Stray{"NulBeforeOneByteCommand", {0x00}, {0xEF}, 0, {0xEF, 0x0D}},
        Stray{"BeforeAWheelMoveWithASlowClosingByte", {0x0D}, {0x23}, 0, {0x23, 0x0D}, 1500ms},
        Stray{"BeforeTheTriadsStatus", {0x0D}, {0xCC}, 3, kTriadStatus},
        Stray{"BeforeAStatusWithStepCount13", {0x0D}, {0xCC}, 3, {0xCC, 0x32, 0xAA, 0xDE, 0x0D, 0x0D}},
        Stray{"BeforeTheMonosStatus", {0x0D}, {0xCC}, 3, kMonoStatus},
        Stray{"BeforeTheConfiguration", {0x0D}, {0xFD}, 29, TriadConfiguration()},
        Stray{"BeforeATriadBatch", {0x0D, 0x00}, {0xBD, 0xF2, 0xBE}, 0, {0xBD, 0xF2, 0xBE, 0x0D}},
        Stray{"BeforeFreeRunByTrigger", {0x0D}, {0xFA, 0xF2}, 0, {0xFA, 0xF2}},
        Stray{"BeforeBf", {0x0D}, {0xBF}, 0, {0xBF}},
        // Bytes equal to the echo: 0x00 (wheel A to filter 0 at speed 0) is
        // what a glitch or a BREAK most often reads as.
        Stray{"EqualToTheEchoOfAMove", {0x00}, {0x00}, 0, {0x00, 0x0D}, 500ms},
        Stray{"TwoEqualToTheEchoOfAMove", {0x23, 0x23}, {0x23}, 0, {0x23, 0x0D}, 500ms},
        Stray{"EqualToTheEchoAfterOtherNoise", {0xFF, 0x00, 0x55}, {0x00}, 0, {0x00, 0x0D}, 500ms},
        // A shutter's 13 steps: the echo itself holds 0x0D.
        Stray{"EqualToTheEchoOfACommandHolding0D", {0xDE}, {0xDE, 0x0D}, 0, {0xDE, 0x0D, 0x0D}, 500ms}),
    [](const auto& info) { return std::string(info.param.name); });

// Without any echo the reply is what came, byte for byte, so that a
// controller answering something else is shown as it answered.
TEST_F(OpenLine, BytesWithoutTheEchoAreTheReplyAsTheyCame) {
  play([](PtyPeer& line) {
    line.receive(1);
    line.send({0x55, 0x0D}, kByteAt300);
  });
  EXPECT_EQ(reply(exchange({0xEF}, 0)), (Bytes{0x55, 0x0D}));
  EXPECT_FALSE(lineExchange.echoed);
  EXPECT_EQ(lineExchange.droppedCount, 0);
}

// A stray byte that arrives while the last reply's closing byte is owed is
// no longer taken for the next reply's start, nor shifts later replies.
TEST_F(OpenLine, AStrayByteDoesNotShiftTheRepliesThatFollow) {
  for (int round = 0; round < 3; ++round) {
    play([round](PtyPeer& line) {
      line.receive(1);
      if (round == 1) line.send({0x0D});
      line.send({0xEF, 0x0D}, kByteAt300);
    });
    EXPECT_EQ(reply(exchange({0xEF}, 0)), (Bytes{0xEF, 0x0D})) << "round " << round;
    EXPECT_EQ(lineExchange.droppedCount, round == 1 ? 1 : 0) << "round " << round;
  }
}

// Output held on the line: the port never takes the command, so nothing
// went out and nothing that comes is its reply; the exchange says why.
TEST_F(OpenLine, ACommandThePortDidNotTakeInTimeHasNoReply) {
  ASSERT_EQ(tcflow(peer->slave(), TCOOFF), 0);
  EXPECT_EQ(exchange({0xEF}, 0), 0);
  ASSERT_EQ(tcflow(peer->slave(), TCOON), 0);
  EXPECT_EQ(lineExchange.sent, 0);
  EXPECT_EQ(lineExchange.sendFailure, SendFailure::kTimedOut);
  EXPECT_GE(elapsed, kWriteTimeout);
  EXPECT_LT(elapsed, kWriteTimeout + 300ms);
}

TEST(ClosedLine, NoPortSendsNothingAndSaysSo) {
  ResetSerialState();
  mycomm[0] = 0xEF;
  mycomm[1] = 0x0A;
  EXPECT_LE(Communicate(1, 0), 0);
  EXPECT_EQ(lineExchange.sent, 0);
  EXPECT_EQ(lineExchange.sendFailure, SendFailure::kNoPort);
}

}  // namespace

namespace {

// The times the line saw: the echo a while after the command, the closing
// byte when the move ends. Each within a character time (and a little for a
// loaded machine) of when the controller sent it.
TEST_F(OpenLine, TheExchangeIsTimedFromTheCommandToItsEchoAndItsLastByte) {
  constexpr auto kEchoAfter = 100ms;
  constexpr auto kMoveTakes = 700ms;
  play([&](PtyPeer& line) {
    line.receive(1);
    std::this_thread::sleep_for(kEchoAfter);
    line.send({0x23});
    std::this_thread::sleep_for(kMoveTakes);
    line.send({0x0D});
  });
  EXPECT_EQ(reply(exchange({0x23}, 0)), (Bytes{0x23, 0x0D}));
  using Seconds = std::chrono::duration<double>;
  const double slack = Seconds(kCharacterTime + 20ms).count();
  const double echo = Seconds(lineExchange.firstByteAt - lineExchange.sentAt).count();
  const double last = Seconds(lineExchange.lastByteAt - lineExchange.sentAt).count();
  EXPECT_NEAR(echo, Seconds(kEchoAfter).count() + slack / 2, slack / 2);
  EXPECT_NEAR(last, Seconds(kEchoAfter + kMoveTakes).count() + slack / 2, slack / 2);
}

// A stray byte equal to the echo, at once after the command, times nothing:
// the echo's time is the real echo's, the move's ends at its closing byte.
TEST_F(OpenLine, AStrayByteEqualToTheEchoIsNotTimedAsTheEcho) {
  constexpr auto kEchoAfter = 100ms;
  constexpr auto kMoveTakes = 300ms;
  play([&](PtyPeer& line) {
    line.receive(1);
    line.send({0x23});
    std::this_thread::sleep_for(kEchoAfter);
    line.send({0x23});
    std::this_thread::sleep_for(kMoveTakes);
    line.send({0x0D});
  });
  EXPECT_EQ(reply(exchange({0x23}, 0)), (Bytes{0x23, 0x0D}));
  EXPECT_EQ(lineExchange.droppedCount, 1);
  // Lower bounds from the command's going out only: a busy machine may read
  // the echo late, never early.
  EXPECT_GE(lineExchange.firstByteAt - lineExchange.sentAt, kEchoAfter);
  EXPECT_GE(lineExchange.lastByteAt - lineExchange.sentAt, kEchoAfter + kMoveTakes);
}

// A status reply whose bytes tell its length, after a stray byte equal to its
// echo: the reply is the status from its own echo, and it ends at once.
TEST_F(OpenLine, AStatusAfterAStrayEchoEndsAtOnceWithItsOwnBytes) {
  toldLength = 5;
  SetStatusReplyLengthHook(ToldLength);
  const Bytes status{0xCC, 0x32, 0xAA, 0xDC, 0x0D};
  LineClock::time_point lastSent{};
  play([&](PtyPeer& line) {
    line.receive(1);
    line.send({0xCC});
    std::this_thread::sleep_for(50ms);
    line.send(status);
    lastSent = LineClock::now();
  });
  const auto start = LineClock::now();
  EXPECT_EQ(reply(exchange({0xCC}, 3)), status);
  EXPECT_LT(start + elapsed - lastSent, kEndedAtOnce);
  EXPECT_EQ(Bytes(lineExchange.dropped, lineExchange.dropped + lineExchange.droppedCount), Bytes{0xCC});
  EXPECT_FALSE(lineExchange.cutShort);
  SetStatusReplyLengthHook(nullptr);
}

}  // namespace
