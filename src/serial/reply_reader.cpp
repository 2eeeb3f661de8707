#include "reply_reader.h"

#include <algorithm>

#include "line_wait.h"
#include "serial_state.h"

namespace {

bool Complete(const ReplyRule& rule, int count) {
  if (count < rule.target) return false;
  return !rule.endsInCarriageReturn || Buffer[count - 1] == 0x0D;
}

}  // namespace

int ReadReply(int fd, const ReplyRule& rule, LineClock::time_point firstByteBy,
              LineClock::time_point* replyBy) {
  switch (WaitForBytes(fd, firstByteBy)) {
    case LineEvent::kTimeout: return 0;
    case LineEvent::kHangUp: return -1;
    case LineEvent::kBytes: break;
  }
  if (*replyBy == LineClock::time_point{}) *replyBy = LineClock::now() + kReplyTimeout;

  int count = 0;
  constexpr int kRoom = static_cast<int>(kBufferSize);
  for (;;) {
    const int got = ReadWaiting(fd, Buffer + count, kRoom - count);
    if (got < 0) return count > 0 ? count : -1;
    count += got;
    if (count == kRoom) return count;
    const bool complete = Complete(rule, count);
    if (complete && !rule.untilQuiet) return count;
    if (LineClock::now() >= *replyBy) return count;
    const auto waitUntil = complete ? std::min(LineClock::now() + kQuietTime, *replyBy) : *replyBy;
    if (WaitForBytes(fd, waitUntil) != LineEvent::kBytes) return count;
  }
}
