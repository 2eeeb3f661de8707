// What the line did beside the reply, in the words every front shows: bytes
// that came before the reply's echo and were dropped, and a command the port
// did not take in time.
#pragma once

#include <cstdint>
#include <string>

#include "serial_state.h"

// "1 byte before the reply dropped: 0D"; empty when nothing was dropped.
std::string DroppedBytesNote(const LineExchange& exchange);

// Why the port did not take the whole command ("not sent: the port took 0
// of 3 command bytes within 1 s", "not sent: no port is open"); empty when
// it took it.
std::string NotSentNote(const LineExchange& exchange, int32_t commandLength);

// From the command's first byte handed to the driver to the reply's echo
// and to its last byte, in seconds; negative when the line saw no reply.
struct ExchangeTimes {
  double echo = -1;
  double reply = -1;
};
ExchangeTimes TimesOf(const LineExchange& exchange);

// "Reply in 1.84 s"; empty when no reply came.
std::string ReplyTimeNote(const LineExchange& exchange);

// Bytes as "CC 0D FF", at most `shown` of them, then "…" for the rest.
std::string HexList(const unsigned char* bytes, int count, int shown);
