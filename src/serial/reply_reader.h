// Reads one reply from the line into Buffer, piece by piece as it arrives,
// within the line's time bounds.
//
// The controller echoes every command byte before it answers, so a reply
// begins with the echo of the command's first byte. Bytes that come before
// that echo (noise, a late byte of an earlier reply, a controller powering
// up) are not the reply: they are dropped, and kept in lineExchange for the
// fronts to tell, while the wait for the echo goes on under the first-byte
// bound. When no echo comes within it, what came is the reply, byte for byte,
// so that a controller answering with something else is shown as it answered.
//
// A stray byte may equal the echo (0x00, the command of wheel A to filter 0
// at speed 0, is what a glitch or a BREAK most often reads as), so the first
// byte equal to the echo is not taken for it on trust: a reply that ends in a
// closing byte is whole only at its 0x0D, and when more bytes came before
// that 0x0D than the command's form allows, the leading ones are stray
// bytes, dropped and told like those before any echo.
#pragma once

#include <span>

#include "line_timing.h"
#include "serial_state.h"

// When a reply is complete.
struct ReplyRule {
  int target = 1;                  // bytes awaited (echo, answer, closing byte)
  bool untilQuiet = false;         // then go on while bytes keep coming
  bool endsInCarriageReturn = false;  // and only stop after a 0x0D
  // The command sent, which the controller echoes byte for byte and may
  // pause after. Once an echo came, a reply of fixed length (not read until
  // quiet) that ends in 0x0D is whole only when its last target bytes begin
  // with this whole echo; the bytes before them are stray.
  std::span<const unsigned char> command{};
  // How long the reply may take, counted from its echo.
  LineClock::duration bound = kReplyTimeout;
  // Tells the reply's length from its bytes: when exactly that many have come
  // and the last is 0x0D, the reply is whole at once, whatever the rule above;
  // so it is when that many came from a later echo on, after stray bytes.
  ReplyLengthHook lengthOf = nullptr;
  unsigned char echo = 0;  // the command's first byte, which the reply begins with
  // A reply without its echo is no reply (BF, whose answer is its echo alone).
  bool echoOrNothing = false;
};

// Waits for the echo until firstByteBy, then reads until the rule holds,
// Buffer is full, the line fails, or the rule's bound passes. Nothing is
// written to Buffer before a byte arrives. Returns the number of bytes now
// at the start of Buffer: 0 when none came, -1 when the line failed before
// any did. Sets lineOwesBytes when the reply was cut short on a line that
// still stands, and lineExchange's echo, cut, dropped-byte and time fields:
// firstByteAt is when the reply's own first byte came, not a stray byte's.
int ReadReply(int fd, const ReplyRule& rule, LineClock::time_point firstByteBy);

// Before a command goes out on a line that owes the rest of the last reply:
// waits (at most owedBytesWait) until those bytes have come and the line is
// quiet, and drops them, so that none is taken for the start of the next
// reply. Does nothing when the line owes nothing.
void SettleOwedBytes(int fd);
