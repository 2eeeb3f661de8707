#include "cycle_entry.h"

#include <algorithm>

#include "command_cycle.h"
#include "exchange_notes.h"
#include "serial_state.h"

CycleEntry CycleEntryOf(const std::string& logText, const std::string& statusText) {
  CycleEntry entry;
  const int length = std::clamp(static_cast<int>(lineExchange.sent), 0, static_cast<int>(kCommandSize));
  entry.sent.assign(mycomm, mycomm + length);
  const int dropped = std::clamp(static_cast<int>(lineExchange.droppedCount), 0, static_cast<int>(kBufferSize));
  entry.dropped.assign(lineExchange.dropped, lineExchange.dropped + dropped);
  const ExchangeTimes times = TimesOf(lineExchange);
  entry.echoSeconds = times.echo;
  entry.replySeconds = times.reply;
  if (entry.sent.empty()) entry.refusal = WithoutSeparator(logText);
  entry.logText = logText;
  entry.statusText = statusText;
  return entry;
}
