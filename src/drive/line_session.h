// A session on one line without a desktop (korvel-ctl's, and the check's
// when korvel-ctl runs it): the headless window with the controller object,
// one port opened as Open does, and command cycles run through the send
// action exactly as a person at the desktop window runs them. The views keep
// no history, so that a long burn-in does not grow them; with a session
// record each search, open and cycle is appended to it.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "command_cycle.h"
#include "exchange_notes.h"
#include "headless_window.h"
#include "session_record.h"

enum class CycleOutcome {
  kDone,      // the command's own reply came, or nothing needed sending
  kRefused,   // an encoder refused; the message is in the log
  kNoReply,   // nothing came back, or the port did not take the command
  kBadReply,  // bytes came that are not the command's whole reply
  kPortGone,  // the port went away (unplugged, switched off)
};

struct CycleResult {
  CycleOutcome outcome = CycleOutcome::kDone;
  std::string log;      // the cycle's text in the log view
  std::string status;   // the cycle's text in the status view
  std::string message;  // the log without the reply echo and the separator
  std::vector<unsigned char> reply;  // the echoed reply bytes
  std::string badReply;  // with kBadReply: why the reply is not the command's
  std::string dropped;   // the note on bytes dropped before the reply; empty when none
  std::string mismatch;  // a burn-in's check: what the reply reported otherwise than set
  std::string reported;  // a burn-in's status query: the settings it reported, as set's words
  int droppedBytes = 0;
  int32_t sentBytes = 0;   // command bytes the port took
  int32_t replyBytes = 0;  // reply bytes from its echo
  bool echoed = false;     // the reply began with the command's echo
  ExchangeTimes times;     // measured at the line; negative when not seen
  std::chrono::duration<double> wall{};
};

enum class OpenOutcome { kReady, kNotOpened, kNotOnLine };

class LineSession {
 public:
  LineSession();
  ~LineSession();  // puts the port's settings back
  LineSession(const LineSession&) = delete;
  LineSession& operator=(const LineSession&) = delete;

  // Starts the session record (--log) before open; empty when recording,
  // else why not.
  std::string startRecord(const std::string& path) { return record_.start(path); }

  // Search as the window does; the path found, empty when none was.
  std::string search();
  // Opens path as Open does.
  OpenOutcome open(const std::string& path);
  const std::string& path() const { return path_; }

  CycleResult send();
  // PickGeneralCommand on the window's list.
  bool pickGeneralCommand(int layoutIndex);

  HeadlessWindow& window() { return window_; }

 private:
  // A failed write is told once on standard error; the record then stops.
  void recorded(const std::string& failure);

  HeadlessWindow window_;
  std::string path_;
  SessionRecord record_;
};

// The outcome of the cycle that just ended, from what the cycle handed back.
CycleResult LastCycleResult(const CycleFacts& cycle);

// The configuration reply's text: its bytes after the echoed 0xFD, without
// the closing 0x0D.
std::string ConfigurationText(const std::vector<unsigned char>& reply);
