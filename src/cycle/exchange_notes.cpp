#include "exchange_notes.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "line_timing.h"

namespace {

// A line noisy enough to drop more than this is told by the count; the bytes
// themselves stop helping.
constexpr int kDroppedShown = 16;

}  // namespace

std::string HexList(const unsigned char* bytes, int count, int shown) {
  std::string text;
  char hex[4];
  for (int i = 0; i < count && i < shown; ++i) {
    std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
    if (!text.empty()) text += ' ';
    text += hex;
  }
  if (count > shown) text += " …";
  return text;
}

ExchangeTimes TimesOf(const LineExchange& exchange) {
  using Seconds = std::chrono::duration<double>;
  constexpr LineClock::time_point kNever{};
  ExchangeTimes times;
  if (exchange.sentAt == kNever || exchange.lastByteAt == kNever) return times;
  times.echo = Seconds(exchange.firstByteAt - exchange.sentAt).count();
  times.reply = Seconds(exchange.lastByteAt - exchange.sentAt).count();
  return times;
}

std::string ReplyTimeNote(const LineExchange& exchange) {
  const ExchangeTimes times = TimesOf(exchange);
  if (times.reply < 0) return {};
  char text[48];
  std::snprintf(text, sizeof text, "Reply in %.2f s", times.reply);
  return text;
}

std::string DroppedBytesNote(const LineExchange& exchange) {
  const int count = exchange.droppedCount;
  if (count <= 0) return {};
  const int kept = count < static_cast<int>(kBufferSize) ? count : static_cast<int>(kBufferSize);
  return std::to_string(count) + (count == 1 ? " byte" : " bytes") + " before the reply dropped: " +
         HexList(exchange.dropped, kept, kDroppedShown);
}

std::string NotSentNote(const LineExchange& exchange, int32_t commandLength) {
  char text[160];
  switch (exchange.sendFailure) {
    case SendFailure::kNone:
      return {};
    case SendFailure::kNoPort:
      return "not sent: no port is open";
    case SendFailure::kHungUp:
      return "not sent: the port went away";
    case SendFailure::kTimedOut:
      std::snprintf(text, sizeof text, "not sent: the port took %d of %d command bytes within %g s",
                    static_cast<int>(exchange.sent), static_cast<int>(commandLength),
                    std::chrono::duration<double>(kWriteTimeout).count());
      return text;
    case SendFailure::kWriteFailed:
      std::snprintf(text, sizeof text, "not sent: writing to the port failed - %s(%d)", std::strerror(exchange.sendError),
                    exchange.sendError);
      return text;
  }
  return {};
}
