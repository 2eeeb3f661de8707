#include "record_entries.h"

#include <time.h>

#include <cstdio>

namespace {

// A text as a block of whole lines.
std::string Block(const std::string& text) {
  if (text.empty() || text.back() == '\n') return text;
  return text + '\n';
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char byte[4];
  for (const uint8_t value : bytes) {
    std::snprintf(byte, sizeof byte, "%02X", value);
    if (!text.empty()) text += ' ';
    text += byte;
  }
  return text;
}

}  // namespace

std::string LocalTimeText(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const auto whole = floor<std::chrono::seconds>(when);
  const time_t seconds = system_clock::to_time_t(whole);
  const auto milliseconds = duration_cast<std::chrono::milliseconds>(when - whole).count();
  tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return "0000-00-00T00:00:00.000+00:00";
  char date[32];
  char offset[8];
  strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
  strftime(offset, sizeof offset, "%z", &local);  // "+0100"
  char text[48];
  std::snprintf(text, sizeof text, "%s.%03d%.3s:%.2s", date, static_cast<int>(milliseconds), offset, offset + 3);
  return text;
}

std::string SearchEntry(const std::string& time, const std::string& foundPath) {
  return time + " search: " + (foundPath.empty() ? "no port found" : foundPath) + '\n';
}

std::string OpenEntry(const std::string& time, const std::string& path, const std::string& result) {
  return time + " open " + path + ": " + result + '\n';
}

std::string EventEntry(const std::string& time, const std::string& event) { return time + " " + event + '\n'; }

std::string CycleEntryText(const std::string& time, const CycleEntry& cycle) {
  std::string text = time + " cycle\n";
  if (cycle.sent.empty()) {
    text += "sent: nothing sent\n" + Block(cycle.refusal);
  } else {
    text += "sent: " + Hex(cycle.sent) + '\n';
  }
  if (!cycle.dropped.empty()) text += "dropped: " + Hex(cycle.dropped) + '\n';
  text += "log:\n" + Block(cycle.logText);
  text += "status:\n" + Block(cycle.statusText);
  return text + TimeLine(cycle.echoSeconds, cycle.replySeconds);
}

std::string TimeLine(double echoSeconds, double replySeconds) {
  if (replySeconds < 0) return {};
  char times[64];
  std::snprintf(times, sizeof times, "time: echo %.3f s, reply %.3f s\n", echoSeconds, replySeconds);
  return times;
}
