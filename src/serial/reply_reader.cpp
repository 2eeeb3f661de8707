#include "reply_reader.h"

#include <algorithm>
#include <span>

#include "line_wait.h"
#include "reply_pace.h"
#include "serial_state.h"

namespace {

constexpr unsigned char kClosingByte = 0x0D;

bool Complete(const ReplyRule& rule, int count) {
  if (count < rule.target) return false;
  return !rule.endsInCarriageReturn || Buffer[count - 1] == kClosingByte;
}

// A reply longer than its bytes say, or one whose closing byte is not where
// they put it, is left to the rule's own end.
bool ShowsItselfWhole(const ReplyRule& rule, int count) {
  if (rule.lengthOf == nullptr) return false;
  const int length = rule.lengthOf(std::span<const unsigned char>(Buffer, static_cast<std::size_t>(count)));
  return length > 0 && count == length && Buffer[count - 1] == kClosingByte;
}

// Waits for the reply's next piece; true when one came. Otherwise the reply
// has ended, and `owes` tells whether it was cut short: at its bound before it
// was whole or, for a reply read until quiet, before the quiet came.
bool NextPieceCame(int fd, bool complete, const ReplyPace& pace, LineClock::time_point replyBy, bool& owes) {
  const auto quietFrom = pace.QuietFrom();
  switch (WaitForBytes(fd, complete ? std::min(quietFrom, replyBy) : replyBy)) {
    case LineEvent::kBytes: return true;
    case LineEvent::kHangUp: return false;
    case LineEvent::kTimeout: break;
  }
  owes = !complete || quietFrom > replyBy;
  return false;
}

// Reads on after the first byte; `owes` as above, and also when Buffer filled
// before the reply was whole.
int ReadPieces(int fd, const ReplyRule& rule, LineClock::time_point replyBy, bool& owes) {
  constexpr int kRoom = static_cast<int>(kBufferSize);
  ReplyPace pace;
  int count = 0;
  for (;;) {
    const int got = ReadWaiting(fd, Buffer + count, kRoom - count);
    if (got < 0) return count > 0 ? count : -1;
    const int echoLeft = std::max(rule.echoLength - count, 0);
    count += got;
    pace.Arrived(LineClock::now(), std::max(got - echoLeft, 0));
    const bool complete = Complete(rule, count);
    const bool whole = (complete && !rule.untilQuiet) || ShowsItselfWhole(rule, count);
    if (whole || count == kRoom || LineClock::now() >= replyBy) {
      owes = !whole;
      return count;
    }
    if (!NextPieceCame(fd, complete, pace, replyBy, owes)) return count;
  }
}

}  // namespace

int ReadReply(int fd, const ReplyRule& rule, LineClock::time_point firstByteBy,
              LineClock::time_point* replyBy) {
  lineOwesBytes = false;
  switch (WaitForBytes(fd, firstByteBy)) {
    case LineEvent::kTimeout: return 0;
    case LineEvent::kHangUp: return -1;
    case LineEvent::kBytes: break;
  }
  if (*replyBy == LineClock::time_point{}) *replyBy = LineClock::now() + rule.bound;
  bool owes = false;
  const int count = ReadPieces(fd, rule, *replyBy, owes);
  lineOwesBytes = owes;
  return count;
}

void SettleOwedBytes(int fd) {
  if (!lineOwesBytes) return;
  lineOwesBytes = false;
  const auto giveUp = LineClock::now() + kOwedBytesTimeout;
  ReplyPace pace;
  auto waitUntil = giveUp;
  unsigned char dropped[kBufferSize];
  while (WaitForBytes(fd, waitUntil) == LineEvent::kBytes) {
    const int got = ReadWaiting(fd, dropped, static_cast<int>(sizeof dropped));
    if (got < 0) return;
    pace.Arrived(LineClock::now(), got);
    waitUntil = std::min(pace.QuietFrom(), giveUp);
  }
}
