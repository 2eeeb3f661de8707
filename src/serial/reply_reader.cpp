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

// When each byte now in Buffer came, index for index, so that a reply whose
// leading bytes turn out stray is timed from its own echo.
LineClock::time_point arrivedAt[kBufferSize];

// How a reply's reading ended.
enum class End { kWhole, kCut, kHungUp };

struct Read {
  int count = 0;   // bytes at the start of Buffer
  int strays = 0;  // of them, the leading ones that are not the reply's
  End end = End::kWhole;
};

// Reads what is waiting into Buffer after its first `count` bytes; returns
// what ReadWaiting does.
int ReadOn(int fd, int count) {
  const int got = ReadWaiting(fd, Buffer + count, kRoom - count);
  if (got > 0) std::fill(arrivedAt + count, arrivedAt + count + got, LineClock::now());
  return got;
}

bool Complete(const ReplyRule& rule, int count) {
  if (count < rule.target) return false;
  return !rule.endsInCarriageReturn || Buffer[count - 1] == kClosingByte;
}

// Whether the command's echo begins at `at` among the first `count` bytes.
bool EchoAt(const ReplyRule& rule, int at, int count) {
  if (Buffer[at] != rule.echo) return false;
  const auto size = static_cast<int>(rule.command.size());
  return count - at >= size && std::equal(rule.command.begin(), rule.command.end(), Buffer + at);
}

// A reply of fixed length: how many stray bytes lead the first `count` bytes
// when they end with the whole reply, -1 while they do not. Once an echo came,
// a reply awaited with a closing byte is whole at a 0x0D only when the whole
// echo begins where the reply's length puts it: bytes equal to the echo may
// have come first, and the 0x0D may be a command byte's echo.
int StraysBeforeFixed(const ReplyRule& rule, int count) {
  if (!Complete(rule, count)) return -1;
  const int strays = count - rule.target;
  if (!rule.endsInCarriageReturn || !lineExchange.echoed) return 0;
  return EchoAt(rule, strays, count) ? strays : -1;
}

// A reply whose bytes tell its length: as above, once exactly that many have
// come from an echo on and the last is 0x0D. The reply's first byte is taken
// for its echo as it is; a later echo must be one.
int StraysBeforeSelfEnding(const ReplyRule& rule, int count) {
  if (rule.lengthOf == nullptr || Buffer[count - 1] != kClosingByte) return -1;
  for (int at = 0; at < count; ++at) {
    if (at > 0 && !(lineExchange.echoed && EchoAt(rule, at, count))) continue;
    const int length = rule.lengthOf(std::span<const unsigned char>(Buffer + at, static_cast<std::size_t>(count - at)));
    if (length > 0 && length == count - at) return at;
  }
  return -1;
}

int StraysBeforeWhole(const ReplyRule& rule, int count) {
  return rule.untilQuiet ? StraysBeforeSelfEnding(rule, count) : StraysBeforeFixed(rule, count);
}

// Keeps the first `count` bytes of Buffer as dropped, for the fronts to tell.
void NoteDropped(int count) {
  const int kept = std::clamp(kRoom - lineExchange.droppedCount, 0, count);
  std::memcpy(lineExchange.dropped + lineExchange.droppedCount, Buffer, static_cast<std::size_t>(kept));
  lineExchange.droppedCount += count;
}

// Drops the first `skipped` bytes: the reply moves to the front of Buffer,
// and the bytes it frees at the end read 0.
int DropBefore(int skipped, int count) {
  NoteDropped(skipped);
  const auto kept = static_cast<std::size_t>(count - skipped);
  std::memmove(Buffer, Buffer + skipped, kept);
  std::memmove(arrivedAt, arrivedAt + skipped, kept * sizeof arrivedAt[0]);
  std::memset(Buffer + count - skipped, 0, static_cast<std::size_t>(skipped));
  return count - skipped;
}

// Reads what comes until the echo is among it or firstByteBy passes. Returns
// the bytes at the start of Buffer: from the first byte equal to the echo on
// when one came, else all that came (every byte dropped when the rule wants
// the echo or nothing); -1 when the line failed before any byte came.
int FrameOnEcho(int fd, const ReplyRule& rule, LineClock::time_point firstByteBy) {
  int count = 0;
  while (count < kRoom) {
    const LineEvent event = WaitForBytes(fd, firstByteBy);
    if (event != LineEvent::kBytes) return count == 0 && event == LineEvent::kHangUp ? -1 : count;
    const int got = ReadOn(fd, count);
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
Read ReadPieces(int fd, const ReplyRule& rule, int count, LineClock::time_point replyBy) {
  ReplyPace pace;
  Read read;
  int got = count;
  for (;;) {
    const int echoLeft = std::max(static_cast<int>(rule.command.size()) - read.count, 0);
    read.count += got;
    lineExchange.lastByteAt = LineClock::now();
    pace.Arrived(lineExchange.lastByteAt, std::max(got - echoLeft, 0));
    const int strays = StraysBeforeWhole(rule, read.count);
    if (strays >= 0 || read.count == kRoom || LineClock::now() >= replyBy) {
      read.strays = std::max(strays, 0);
      read.end = strays >= 0 ? End::kWhole : End::kCut;
      return read;
    }
    // Only a reply read until quiet may end without showing itself whole.
    const bool mayEndQuiet = rule.untilQuiet && Complete(rule, read.count);
    if (const std::optional<End> ended = WaitForNextPiece(fd, mayEndQuiet, pace, replyBy)) {
      read.end = *ended;
      return read;
    }
    got = ReadOn(fd, read.count);
    if (got < 0) {
      read.end = End::kHungUp;
      return read;
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
  const Read read = ReadPieces(fd, rule, framed, LineClock::now() + rule.bound);
  int count = read.count;
  if (read.strays > 0) {
    lineExchange.firstByteAt = arrivedAt[read.strays];
    count = DropBefore(read.strays, count);
  }
  lineOwesBytes = read.end == End::kCut;
  owedBytesWait = kOwedBytesTimeout;
  lineExchange.cutShort = read.end != End::kWhole;
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
