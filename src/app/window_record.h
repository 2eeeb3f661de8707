// The session record as the window keeps it: started from the command line
// or with the Record button, fed with every search, open and command cycle.
// A write that fails is told once on the status line, the button comes up,
// and the console goes on.
#pragma once

#include <string>

#include "session_record.h"

class QAbstractButton;
class StatusLine;
struct CycleEntry;

class WindowRecord {
 public:
  WindowRecord(StatusLine& statusLine, QAbstractButton& button);

  // Starts recording into path; the status line says where, or why not.
  bool start(const std::string& path);
  void stop();
  bool recording() const { return record_.recording(); }

  void search(const std::string& foundPath);
  void open(const std::string& path, const std::string& result);
  void cycle(const CycleEntry& entry);
  // Close, the port going away, Exit.
  void event(const std::string& event);

 private:
  void written(const std::string& failure);
  // The button says what pressing it does, and is down while recording.
  void showState();

  StatusLine& statusLine_;
  QAbstractButton& button_;
  SessionRecord record_;
};
