#include "ctl_session.h"

#include <cstdio>
#include <sstream>

#include "command_cycle.h"
#include "cycle_entry.h"
#include "exchange_notes.h"
#include "port_setup.h"
#include "serial_state.h"
#include "settings.h"
#include "status_length.h"

namespace {

constexpr char kReady[] = "Port is ready for communication.";

// The first lines of the encoders' refusals.
constexpr const char* kRefusalBanners[] = {"** Invalid command **", "** Invalid value **", "** Please"};

bool IsRefusal(const std::string& message) {
  for (const char* banner : kRefusalBanners) {
    if (message.rfind(banner, 0) == 0) return true;
  }
  return false;
}

// Splits the log into the echoed reply and everything else but the separator.
void ReadLog(CycleResult& result) {
  std::istringstream lines(result.log);
  std::string line;
  while (std::getline(lines, line)) {
    unsigned char byte = 0;
    if (ReadEchoLine(line, byte)) {
      result.reply.push_back(byte);
    } else if (line + "\n" != kSeparator) {
      result.message += line + "\n";
    }
  }
}

constexpr unsigned char kStatusQuery = 0xCC;
constexpr unsigned char kClosingByte = 0x0D;

// Why bytes that came are not the command's whole reply; empty when they are.
std::string BadReplyReason(const CycleResult& result) {
  if (!lineExchange.echoed) return "the reply does not begin with the command's echo";
  if (lineExchange.cutShort) return "the reply ended before it was whole";
  const std::vector<unsigned char>& reply = result.reply;
  if (reply.empty() || reply.front() != kStatusQuery || mycomm[0] != kStatusQuery) return {};
  const int length = StatusReplyLength(reply);
  if (length != static_cast<int>(reply.size()) || reply.back() != kClosingByte) {
    return "the status reply does not decode whole";
  }
  return {};
}

CycleOutcome OutcomeOf(const CycleResult& result) {
  if (IsRefusal(result.message)) return CycleOutcome::kRefused;
  const SendFailure failure = lineExchange.sendFailure;
  if (failure == SendFailure::kNoPort || failure == SendFailure::kHungUp) return CycleOutcome::kPortGone;
  if (portHealth.hungUp && result.reply.empty()) return CycleOutcome::kPortGone;
  if (failure != SendFailure::kNone || result.message == kNoReplyMessage) return CycleOutcome::kNoReply;
  if (!result.badReply.empty()) return CycleOutcome::kBadReply;
  return CycleOutcome::kDone;
}

std::string TakeText(HeadlessTextView& view) {
  std::string text;
  text.swap(view.text);
  return text;
}

}  // namespace

bool ReadEchoLine(const std::string& line, unsigned char& byte) {
  unsigned value = 0;
  unsigned hex = 0;
  char tail = 0;
  if (line.empty() || line[0] < '0' || line[0] > '9') return false;
  if (std::sscanf(line.c_str(), "%u 0x%X%c", &value, &hex, &tail) != 2) return false;
  if (value > 255 || value != hex) return false;
  byte = static_cast<unsigned char>(value);
  return true;
}

CtlSession::CtlSession() = default;

// A port that never opened has no settings to put back.
CtlSession::~CtlSession() {
  if (fileDescriptor >= 0) ClosePort();
}

std::string CtlSession::search() {
  window_.controller.search();
  recorded(record_.recordSearch(window_.searchField.text));
  return window_.searchField.text;
}

OpenOutcome CtlSession::open(const std::string& path) {
  window_.searchField.text = path;
  path_ = path;
  window_.controller.open();
  recorded(record_.recordOpen(path_, window_.openField.text));
  if (window_.openField.text == kReady) return OpenOutcome::kReady;
  return fileDescriptor < 0 ? OpenOutcome::kNotOpened : OpenOutcome::kNotOnLine;
}

CycleResult CtlSession::send() {
  const auto start = std::chrono::steady_clock::now();
  window_.controller.communicate();
  const auto wall = std::chrono::steady_clock::now() - start;
  std::string log = TakeText(window_.receivedView);
  std::string status = TakeText(window_.statusView);
  recorded(record_.recordCycle(CycleEntryOf(log, status)));
  CycleResult result = LastCycleResult(std::move(log), std::move(status));
  result.wall = wall;
  return result;
}

CycleResult LastCycleResult(std::string log, std::string status) {
  CycleResult result;
  result.log = std::move(log);
  result.status = std::move(status);
  ReadLog(result);
  result.dropped = DroppedBytesNote(lineExchange);
  result.droppedBytes = lineExchange.droppedCount;
  result.sentBytes = lineExchange.sent;
  result.replyBytes = lineExchange.replyLength;
  result.echoed = lineExchange.echoed;
  result.times = TimesOf(lineExchange);
  if (result.times.reply >= 0) result.badReply = BadReplyReason(result);
  result.outcome = OutcomeOf(result);
  return result;
}

void CtlSession::recorded(const std::string& failure) {
  if (!failure.empty()) std::fprintf(stderr, "korvel-ctl: %s\n", failure.c_str());
}

bool CtlSession::pickGeneralCommand(int layoutIndex) { return PickGeneralCommand(window_.otherCommand, layoutIndex); }
