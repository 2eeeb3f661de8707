#include "session_record.h"

#include <unistd.h>

#include <system_error>

#include "append_file.h"

namespace {

std::string CannotKeep(const std::string& path, const std::string& reason) {
  return "The session record cannot be kept in " + path + ": " + reason + ".";
}

std::string Now() { return LocalTimeText(std::chrono::system_clock::now()); }

}  // namespace

SessionRecord::~SessionRecord() { stop(); }

std::string SessionRecord::start(const std::string& path) {
  stop();
  std::string reason;
  fd_ = OpenForAppending(path, reason);
  if (fd_ < 0) return CannotKeep(path, reason);
  path_ = path;
  return {};
}

void SessionRecord::stop() {
  // Every entry was handed to the kernel by write(); close has nothing left
  // to flush.
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

std::string SessionRecord::recordSearch(const std::string& foundPath) { return append(SearchEntry(Now(), foundPath)); }

std::string SessionRecord::recordOpen(const std::string& path, const std::string& result) {
  return append(OpenEntry(Now(), path, result));
}

std::string SessionRecord::recordCycle(const CycleEntry& cycle) { return append(CycleEntryText(Now(), cycle)); }

std::string SessionRecord::recordEvent(const std::string& event) { return append(EventEntry(Now(), event)); }

std::string SessionRecord::append(const std::string& entry) {
  if (fd_ < 0) return {};
  const int error = WriteAll(fd_, entry);
  if (error == 0) return {};
  stop();
  return "The session record in " + path_ + " has stopped: " + ErrnoText(error) + ".";
}
