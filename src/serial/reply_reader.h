// Reads one reply from the line into Buffer, piece by piece as it arrives,
// within the line's time bounds.
#pragma once

#include "line_timing.h"
#include "serial_state.h"

// When a reply is complete.
struct ReplyRule {
  int target = 1;                  // bytes awaited (echo, answer, closing byte)
  bool untilQuiet = false;         // then go on while bytes keep coming
  bool endsInCarriageReturn = false;  // and only stop after a 0x0D
  int echoLength = 0;  // the echo's bytes, which the controller may pause after
  // How long the reply may take, counted from its first byte.
  LineClock::duration bound = kReplyTimeout;
  // Tells the reply's length from its bytes: when exactly that many have come
  // and the last is 0x0D, the reply is whole at once, whatever the rule above.
  ReplyLengthHook lengthOf = nullptr;
};

// Waits for the first byte until firstByteBy, then reads until the rule holds,
// Buffer is full, the line fails, or replyBy passes (replyBy is counted from
// the first byte by the rule's bound when it is not set). Nothing is written
// to Buffer before a byte arrives. Returns the number of bytes now at the
// start of Buffer: 0 when none came, -1 when the line failed before any did.
// Sets lineOwesBytes when the reply was cut short on a line that still stands.
int ReadReply(int fd, const ReplyRule& rule, LineClock::time_point firstByteBy,
              LineClock::time_point* replyBy);

// Before a command goes out on a line that owes the rest of the last reply:
// waits (at most kOwedBytesTimeout) until those bytes have come and the line
// is quiet, and drops them, so that none is taken for the start of the next
// reply. Does nothing when the line owes nothing.
void SettleOwedBytes(int fd);
