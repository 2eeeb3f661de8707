#include "line_session.h"

#include <cstdio>

#include "command_cycle.h"
#include "cycle_entry.h"
#include "exchange_notes.h"
#include "port_setup.h"
#include "serial_state.h"
#include "settings.h"
#include "status_length.h"

namespace {

constexpr char kReady[] = "Port is ready for communication.";

constexpr unsigned char kStatusQuery = 0xCC;
constexpr unsigned char kClosingByte = 0x0D;

// Why bytes that came are not the command's whole reply; empty when they are.
std::string BadReplyReason(const CycleFacts& cycle) {
  if (!cycle.echoed) return "the reply does not begin with the command's echo";
  if (cycle.cutShort) return "the reply ended before it was whole";
  const std::vector<unsigned char>& reply = cycle.reply;
  if (reply.empty() || reply.front() != kStatusQuery || cycle.command.empty() || cycle.command.front() != kStatusQuery) {
    return {};
  }
  const int length = StatusReplyLength(reply);
  if (length != static_cast<int>(reply.size()) || reply.back() != kClosingByte) {
    return "the status reply does not decode whole";
  }
  return {};
}

CycleOutcome OutcomeOf(const CycleFacts& cycle, const CycleResult& result) {
  if (!cycle.refusal.empty()) return CycleOutcome::kRefused;
  const SendFailure failure = cycle.sendFailure;
  if (failure == SendFailure::kNoPort || failure == SendFailure::kHungUp) return CycleOutcome::kPortGone;
  // A reply the port's going away cut short is no reply of the controller's.
  if (portHealth.hungUp && (cycle.reply.empty() || cycle.cutShort)) return CycleOutcome::kPortGone;
  if (failure != SendFailure::kNone || cycle.end == CycleEnd::kNoReply || cycle.end == CycleEnd::kNotSent) {
    return CycleOutcome::kNoReply;
  }
  if (!result.badReply.empty()) return CycleOutcome::kBadReply;
  return CycleOutcome::kDone;
}

}  // namespace

LineSession::LineSession() = default;

// A port that never opened has no settings to put back.
LineSession::~LineSession() {
  if (fileDescriptor >= 0) ClosePort();
}

std::string LineSession::search() {
  window_.controller.search();
  recorded(record_.recordSearch(window_.searchField.text));
  return window_.searchField.text;
}

OpenOutcome LineSession::open(const std::string& path) {
  window_.searchField.text = path;
  path_ = path;
  window_.controller.open();
  recorded(record_.recordOpen(path_, window_.openField.text));
  if (window_.openField.text == kReady) return OpenOutcome::kReady;
  return fileDescriptor < 0 ? OpenOutcome::kNotOpened : OpenOutcome::kNotOnLine;
}

CycleResult LineSession::send() {
  const auto start = std::chrono::steady_clock::now();
  window_.controller.communicate();
  const auto wall = std::chrono::steady_clock::now() - start;
  // The views keep no history: a long burn-in would grow them without end.
  window_.receivedView.text.clear();
  window_.statusView.text.clear();
  const CycleFacts& cycle = LastCycle();
  recorded(record_.recordCycle(CycleEntryOf(cycle.log, cycle.status)));
  CycleResult result = LastCycleResult(cycle);
  result.wall = wall;
  return result;
}

CycleResult LastCycleResult(const CycleFacts& cycle) {
  CycleResult result;
  result.log = cycle.log;
  result.status = cycle.status;
  result.message = cycle.message;
  result.reply = cycle.reply;
  result.dropped = cycle.droppedNote;
  result.droppedBytes = cycle.droppedCount;
  result.sentBytes = static_cast<int32_t>(cycle.command.size());
  result.replyBytes = static_cast<int32_t>(cycle.reply.size());
  result.echoed = cycle.echoed;
  result.times = cycle.times;
  if (result.times.reply >= 0) result.badReply = BadReplyReason(cycle);
  result.outcome = OutcomeOf(cycle, result);
  return result;
}

std::string ConfigurationText(const std::vector<unsigned char>& reply) {
  std::string text(reply.begin(), reply.end());
  if (!text.empty()) text.erase(0, 1);
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

void LineSession::recorded(const std::string& failure) {
  if (!failure.empty()) std::fprintf(stderr, "korvel-ctl: %s\n", failure.c_str());
}

bool LineSession::pickGeneralCommand(int layoutIndex) { return PickGeneralCommand(window_.otherCommand, layoutIndex); }
