#include "cycle_row.h"

#include <utility>

#include "exchange_notes.h"

CycleRow RowOf(int64_t round, std::string setting, const LineExchange& exchange, bool passed, std::string message) {
  const ExchangeTimes times = TimesOf(exchange);
  CycleRow row;
  row.round = round;
  row.setting = std::move(setting);
  row.sentBytes = exchange.sent;
  row.replyBytes = exchange.replyLength;
  row.echoMs = times.echo < 0 || !exchange.echoed ? -1 : times.echo * 1000;
  row.replyMs = times.reply < 0 ? -1 : times.reply * 1000;
  row.passed = passed;
  row.message = std::move(message);
  return row;
}
