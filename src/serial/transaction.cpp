#include "transaction.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <span>
#include <thread>

#include "line_wait.h"
#include "reply_reader.h"
#include "serial_state.h"

namespace {

constexpr unsigned char kStatusQuery = 0xCC;
constexpr unsigned char kConfigurationQuery = 0xFD;
constexpr unsigned char kResynchronised = 0xBF;
constexpr unsigned char kMonoPrefix = 0xFA;
constexpr int kMaxWriteFailures = 20;

// FA F2 and FA F3 (free run by trigger pulse, free run go) are answered
// without a closing byte, and so is BF. Only the Mono's FA commands count: a
// Triad batch may carry F2 or F3 as its second byte (a wheel B move).
bool AwaitsClosingByte(int length) {
  if (mycomm[0] == kResynchronised) return false;
  const bool freeRun = length >= 2 && mycomm[0] == kMonoPrefix && (mycomm[1] == 0xF2 || mycomm[1] == 0xF3);
  return !freeRun;
}

ReplyRule RuleFor(int length, int extraLength) {
  ReplyRule rule;
  rule.target = length + extraLength + (AwaitsClosingByte(length) ? 1 : 0);
  // A status reply may hold 0x0D as a data byte (a step count of 13), and a
  // configuration reply is longer than awaited while the variant is unknown:
  // both are read until the line goes quiet, unless a status reply's own
  // bytes show it whole.
  rule.untilQuiet = mycomm[0] == kStatusQuery || mycomm[0] == kConfigurationQuery;
  // A reply awaited with a closing byte is whole only at a 0x0D, whatever
  // came before it; the configuration's end is the quiet.
  rule.endsInCarriageReturn = mycomm[0] == kStatusQuery || (!rule.untilQuiet && AwaitsClosingByte(length));
  rule.command = std::span<const unsigned char>(mycomm, static_cast<std::size_t>(length));
  rule.echo = mycomm[0];
  // BF is answered by its echo alone: bytes without it are no answer.
  rule.echoOrNothing = mycomm[0] == kResynchronised;
  if (mycomm[0] == kStatusQuery) rule.lengthOf = StatusReplyLengthHook();
  // Any other command may move wheels before its closing byte.
  if (!rule.untilQuiet && AwaitsClosingByte(length)) rule.bound = kMoveClosingTimeout;
  return rule;
}

// Hands the command to the driver; a partial write is followed by the rest
// under the same deadline. The port does not block, so a write takes only
// what the driver has room for and no write outlasts the deadline. Gives up
// after 20 failed writes or when the line does not take output in time; the
// bytes taken and why the rest were not go to lineExchange.
void SendCommand(int fd, int length) {
  if (fd < 0) {
    lineExchange.sendFailure = length > 0 ? SendFailure::kNoPort : SendFailure::kNone;
    return;
  }
  const auto deadline = LineClock::now() + kWriteTimeout;
  int sent = 0;
  int failures = 0;
  while (sent < length && failures < kMaxWriteFailures) {
    if (!WaitWritable(fd, deadline)) {
      lineExchange.sendFailure = portHealth.hungUp ? SendFailure::kHungUp : SendFailure::kTimedOut;
      break;
    }
    const ssize_t written = WriteLine(fd, mycomm + sent, static_cast<size_t>(length - sent));
    if (written > 0) {
      if (sent == 0) lineExchange.sentAt = LineClock::now();
      sent += static_cast<int>(written);
    } else if (written < 0 && errno == EAGAIN) {
      // Output held (a stopped line): no failure, but no reason to spin either.
      std::this_thread::sleep_for(std::min<LineClock::duration>(kCharacterWait, deadline - LineClock::now()));
    } else {
      ++failures;
      lineExchange.sendError = written < 0 ? errno : 0;
    }
  }
  if (failures == kMaxWriteFailures) lineExchange.sendFailure = SendFailure::kWriteFailed;
  lineExchange.sent = sent;
}

}  // namespace

int32_t Communicate(int32_t commandLength, int32_t extraLength) {
  const int fd = fileDescriptor;
  const int length = std::clamp(commandLength, 0, kMaxCommandLength);
  portHealth.sendingLength = length;
  lineExchange = LineExchange{};
  const int extra = std::clamp(extraLength, 0, static_cast<int32_t>(kBufferSize));
  SettleOwedBytes(fd);
  DiscardStaleInput(fd);
  SendCommand(fd, length);
  // A command the port took none of has no reply: whatever comes is not its.
  if (length > 0 && lineExchange.sent == 0) return 0;
  return ReadReply(fd, RuleFor(length, extra), LineClock::now() + kFirstByteTimeout);
}
