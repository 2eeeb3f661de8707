// Reads one reply from the line into Buffer, byte by byte as the controller
// sends it, within the line's time bounds.
#pragma once

#include "line_timing.h"

// When a reply is complete.
struct ReplyRule {
  int target = 1;                  // bytes awaited (echo, answer, closing byte)
  bool untilQuiet = false;         // then go on while bytes keep coming
  bool endsInCarriageReturn = false;  // and only stop after a 0x0D
};

// Waits for the first byte until firstByteBy, then reads until the rule holds,
// Buffer is full, the line fails, or replyBy passes (replyBy is counted from
// the first byte when it is not set). Nothing is written to Buffer before a
// byte arrives. Returns the number of bytes now at the start of Buffer: 0 when
// none came, -1 when the line failed before any did.
int ReadReply(int fd, const ReplyRule& rule, LineClock::time_point firstByteBy,
              LineClock::time_point* replyBy);
