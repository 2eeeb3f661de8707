// One command cycle of a run of many: what a burn-in keeps of it for its
// rows (the CSV) and its figures (the summary and the report's charts).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

struct CycleRow {
  int64_t round = 0;     // 1 for the first round of the run
  std::string setting;   // "wheelA.filter=9", "status"
  int32_t sentBytes = 0;   // command bytes the port took
  int32_t replyBytes = 0;  // reply bytes received, from its echo
  double echoMs = -1;      // command to echo; negative when none came
  double replyMs = -1;     // command to the reply's last byte; negative when no reply
  bool passed = false;
  std::string message;  // why it failed, or anything else worth a line; may be empty
  std::chrono::system_clock::time_point ended;  // when the cycle ended
  std::string reported;  // a status query's reported settings as set's words; empty for other cycles
};
