#include "transaction.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

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
  rule.endsInCarriageReturn = mycomm[0] == kStatusQuery;
  rule.echoLength = length;
  if (mycomm[0] == kStatusQuery) rule.lengthOf = StatusReplyLengthHook();
  // Any other command may move wheels before its closing byte.
  if (!rule.untilQuiet && AwaitsClosingByte(length)) rule.bound = kMoveClosingTimeout;
  return rule;
}

// Hands the command to the driver; a partial write is followed by the rest
// under the same deadline. The port does not block, so a write takes only
// what the driver has room for and no write outlasts the deadline. Gives up
// after 20 failed writes or when the line does not take output in time.
void SendCommand(int fd, int length) {
  const auto deadline = LineClock::now() + kWriteTimeout;
  int sent = 0;
  for (int failures = 0; sent < length && failures < kMaxWriteFailures;) {
    if (!WaitWritable(fd, deadline)) return;
    const ssize_t written = write(fd, mycomm + sent, static_cast<size_t>(length - sent));
    if (written > 0) {
      sent += static_cast<int>(written);
    } else {
      ++failures;
    }
  }
}

// The reply to BF starts at its first BF byte; what comes before it is
// dropped, and a reply without one is thrown away for the next.
int ReadResynchronised(int fd, int length, int extraLength) {
  LineClock::time_point replyBy{};
  int count = ReadReply(fd, RuleFor(length, extraLength), LineClock::now() + kFirstByteTimeout, &replyBy);
  const ReplyRule reread{length + 1, false, false};
  while (count > 0) {
    const auto* found = std::find(Buffer, Buffer + count, kResynchronised);
    if (found != Buffer + count) {
      const int skipped = static_cast<int>(found - Buffer);
      std::memmove(Buffer, found, static_cast<size_t>(count - skipped));
      std::memset(Buffer + count - skipped, 0, static_cast<size_t>(skipped));
      return count - skipped;
    }
    const auto firstByteBy = std::min(LineClock::now() + kFirstByteTimeout, replyBy);
    count = ReadReply(fd, reread, firstByteBy, &replyBy);
  }
  return count;
}

}  // namespace

int32_t Communicate(int32_t commandLength, int32_t extraLength) {
  const int fd = fileDescriptor;
  const int length = std::clamp(commandLength, 0, kMaxCommandLength);
  portHealth.sendingLength = length;
  const int extra = std::clamp(extraLength, 0, static_cast<int32_t>(kBufferSize));
  SettleOwedBytes(fd);
  DiscardStaleInput(fd);
  SendCommand(fd, length);
  if (mycomm[0] == kResynchronised) return ReadResynchronised(fd, length, extra);
  LineClock::time_point replyBy{};
  return ReadReply(fd, RuleFor(length, extra), LineClock::now() + kFirstByteTimeout, &replyBy);
}
