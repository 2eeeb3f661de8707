#include "reply_reader.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>

#include "line_wait.h"
#include "reply_pace.h"
#include "serial_state.h"

namespace {

constexpr unsigned char kClosingByte = 0x0D;
constexpr int kRoom = static_cast<int>(kBufferSize);

// How a reply's reading ended.
enum class End { kWhole, kCut, kHungUp };

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

// Keeps the first `count` bytes of Buffer as dropped, for the fronts to tell.
void NoteDropped(int count) {
  const int kept = std::clamp(kRoom - lineExchange.droppedCount, 0, count);
  std::memcpy(lineExchange.dropped + lineExchange.droppedCount, Buffer, static_cast<std::size_t>(kept));
  lineExchange.droppedCount += count;
}

// Drops the `skipped` bytes before the echo: the reply moves to the front of
// Buffer and the bytes it frees at the end read 0.
int DropBefore(int skipped, int count) {
  NoteDropped(skipped);
  std::memmove(Buffer, Buffer + skipped, static_cast<std::size_t>(count - skipped));
  std::memset(Buffer + count - skipped, 0, static_cast<std::size_t>(skipped));
  return count - skipped;
}

// Reads what comes until the echo is among it or firstByteBy passes. Returns
// the bytes at the start of Buffer: from the echo on when it came, else all
// that came (every byte dropped when the rule wants the echo or nothing);
// -1 when the line failed before any byte came.
int FrameOnEcho(int fd, const ReplyRule& rule, LineClock::time_point firstByteBy) {
  int count = 0;
  while (count < kRoom) {
    const LineEvent event = WaitForBytes(fd, firstByteBy);
    if (event != LineEvent::kBytes) return count == 0 && event == LineEvent::kHangUp ? -1 : count;
    const int got = ReadWaiting(fd, Buffer + count, kRoom - count);
    if (got < 0) return count > 0 ? count : -1;
    const auto* echo = std::find(Buffer + count, Buffer + count + got, rule.echo);
    if (count == 0) lineExchange.firstByteAt = LineClock::now();
    count += got;
    if (echo != Buffer + count) {
      lineExchange.echoed = true;
      lineExchange.firstByteAt = LineClock::now();
      return DropBefore(static_cast<int>(echo - Buffer), count);
    }
  }
  return count;
}

// Waits for the reply's next piece: nothing when one came, else how the
// reply ended: cut at its bound before it was whole or, for a reply read
// until quiet, before the quiet came.
std::optional<End> WaitForNextPiece(int fd, bool complete, const ReplyPace& pace, LineClock::time_point replyBy) {
  const auto quietFrom = pace.QuietFrom();
  switch (WaitForBytes(fd, complete ? std::min(quietFrom, replyBy) : replyBy)) {
    case LineEvent::kBytes: return std::nullopt;
    case LineEvent::kHangUp: return complete ? End::kWhole : End::kHungUp;
    case LineEvent::kTimeout: break;
  }
  return !complete || quietFrom > replyBy ? End::kCut : End::kWhole;
}

// Reads on after the first `count` bytes, which came as one piece; a reply
// that fills Buffer before it is whole is cut.
int ReadPieces(int fd, const ReplyRule& rule, int count, LineClock::time_point replyBy, End& end) {
  ReplyPace pace;
  int got = count;
  count = 0;
  for (;;) {
    const int echoLeft = std::max(rule.echoLength - count, 0);
    count += got;
    lineExchange.lastByteAt = LineClock::now();
    pace.Arrived(lineExchange.lastByteAt, std::max(got - echoLeft, 0));
    const bool complete = Complete(rule, count);
    const bool whole = (complete && !rule.untilQuiet) || ShowsItselfWhole(rule, count);
    if (whole || count == kRoom || LineClock::now() >= replyBy) {
      end = whole ? End::kWhole : End::kCut;
      return count;
    }
    if (const std::optional<End> ended = WaitForNextPiece(fd, complete, pace, replyBy)) {
      end = *ended;
      return count;
    }
    got = ReadWaiting(fd, Buffer + count, kRoom - count);
    if (got < 0) {
      end = End::kHungUp;
      return count;
    }
  }
}

}  // namespace

int ReadReply(int fd, const ReplyRule& rule, LineClock::time_point firstByteBy) {
  lineOwesBytes = false;
  lineExchange.echoed = false;
  lineExchange.cutShort = false;
  const int framed = FrameOnEcho(fd, rule, firstByteBy);
  if (framed <= 0) return framed;
  if (rule.echoOrNothing && !lineExchange.echoed) {
    NoteDropped(framed);
    return 0;
  }
  End end = End::kWhole;
  const int count = ReadPieces(fd, rule, framed, LineClock::now() + rule.bound, end);
  lineOwesBytes = end == End::kCut;
  owedBytesWait = kOwedBytesTimeout;
  lineExchange.cutShort = end != End::kWhole;
  lineExchange.replyLength = count;
  return count;
}

void SettleOwedBytes(int fd) {
  if (!lineOwesBytes) return;
  lineOwesBytes = false;
  const auto giveUp = LineClock::now() + owedBytesWait;
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
