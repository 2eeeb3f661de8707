// The text of a session record's entries. Each entry starts with a line that
// begins with the local date and time; the texts of a cycle follow verbatim,
// as the window shows them, each under its own heading:
//
//   2026-12-10T14:03:07.123+01:00 search: /dev/ttyUSB0
//   2026-12-10T14:03:09.456+01:00 open /dev/ttyUSB0: Port is ready for communication.
//   2026-12-10T14:05:00.012+01:00 close /dev/ttyUSB0   (also "gone <path>: …" and "exit")
//   2026-12-10T14:03:12.789+01:00 cycle
//   sent: CC
//   dropped: 0D        (only when bytes before the reply's echo were dropped)
//   log:
//   <the cycle's log text>
//   status:
//   <the cycle's status text>
//   time: echo 0.034 s, reply 1.840 s   (when a reply came)
//
// The time line counts from the command's first byte handed to the driver to
// the reply's first byte (its echo) and to its last byte (for a move, the
// closing byte that ends it).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// What one command cycle did.
struct CycleEntry {
  std::vector<uint8_t> sent;  // the command bytes the port took; empty when nothing was sent
  std::string refusal;        // when nothing was sent: the message that says why
  std::string logText;        // the cycle's part of the log view
  std::string statusText;     // the cycle's status text; empty when it has none
  std::vector<uint8_t> dropped;  // bytes that came before the reply's echo and were dropped
  double echoSeconds = -1;   // to the reply's first byte; negative when no reply came
  double replySeconds = -1;  // to the reply's last byte
};

// Local date and time in ISO 8601 with milliseconds and the offset from UTC,
// e.g. "2026-12-10T14:03:07.123+01:00".
std::string LocalTimeText(std::chrono::system_clock::time_point when);

// "time: echo 0.034 s, reply 1.840 s" with its line end, as a cycle's entry
// ends; empty when no reply came (reply negative).
std::string TimeLine(double echoSeconds, double replySeconds);

// Each entry ends with a newline; `time` as LocalTimeText makes it.
std::string SearchEntry(const std::string& time, const std::string& foundPath);
std::string OpenEntry(const std::string& time, const std::string& path, const std::string& result);
std::string CycleEntryText(const std::string& time, const CycleEntry& cycle);
// What befell the port or the console: "close /dev/ttyUSB0", "gone
// /dev/ttyUSB0: unplugged or switched off", "exit".
std::string EventEntry(const std::string& time, const std::string& event);
