// The session record: a text file to which every command cycle, search and
// open is appended the moment it has happened, so that a console that is
// killed keeps every cycle it finished. The file is only ever appended to.
// A write that fails stops the recording; the caller shows the returned text
// once and the console goes on working. No widgets: the desktop window and
// the command-line front share it.
#pragma once

#include <string>

#include "record_entries.h"

class SessionRecord {
 public:
  SessionRecord() = default;
  ~SessionRecord();
  SessionRecord(const SessionRecord&) = delete;
  SessionRecord& operator=(const SessionRecord&) = delete;

  // Opens path for appending, creating it when missing; a recording already
  // running stops first. Empty when recording, else the text for the operator.
  std::string start(const std::string& path);
  void stop();
  bool recording() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

  // Each appends one entry, stamped with the local time now. Empty when
  // written or when not recording; when the write failed, the text for the
  // operator, and the recording has stopped.
  std::string recordSearch(const std::string& foundPath);
  std::string recordOpen(const std::string& path, const std::string& result);
  std::string recordCycle(const CycleEntry& cycle);
  std::string recordEvent(const std::string& event);

 private:
  std::string append(const std::string& entry);

  int fd_ = -1;
  std::string path_;
};
