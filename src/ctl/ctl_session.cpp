#include "ctl_session.h"

#include <cstdio>
#include <sstream>

#include "command_cycle.h"
#include "cycle_entry.h"
#include "port_setup.h"
#include "serial_state.h"
#include "settings.h"

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

OpenOutcome CtlSession::open(const std::string& path) {
  if (path.empty()) {
    window_.controller.search();
    recorded(record_.recordSearch(window_.searchField.text));
    if (window_.searchField.text.empty()) return OpenOutcome::kNotFound;
  } else {
    window_.searchField.text = path;
  }
  path_ = window_.searchField.text;
  window_.controller.open();
  recorded(record_.recordOpen(path_, window_.openField.text));
  if (window_.openField.text == kReady) return OpenOutcome::kReady;
  return fileDescriptor < 0 ? OpenOutcome::kNotOpened : OpenOutcome::kNotOnLine;
}

CycleResult CtlSession::send() {
  CycleResult result;
  const auto start = std::chrono::steady_clock::now();
  portHealth.sendingLength = 0;
  window_.controller.communicate();
  result.wall = std::chrono::steady_clock::now() - start;
  result.log = TakeText(window_.receivedView);
  result.status = TakeText(window_.statusView);
  recorded(record_.recordCycle(CycleEntryOf(result.log, result.status)));
  ReadLog(result);
  if (result.message == kNoReplyMessage) {
    result.outcome = CycleOutcome::kNoReply;
  } else if (IsRefusal(result.message)) {
    result.outcome = CycleOutcome::kRefused;
  }
  return result;
}

void CtlSession::recorded(const std::string& failure) {
  if (!failure.empty()) std::fprintf(stderr, "korvel-ctl: %s\n", failure.c_str());
}

bool CtlSession::pickGeneralCommand(int layoutIndex) { return PickGeneralCommand(window_.otherCommand, layoutIndex); }
