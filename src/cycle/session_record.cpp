#include "session_record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace {

// Never truncated; not inherited by programs the console might start; a
// terminal named as the record does not become the console's controlling
// terminal; a FIFO without a reader fails at once instead of blocking.
constexpr int kOpenFlags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

std::string ErrorText(int error) { return std::system_category().message(error); }

std::string CannotKeep(const std::string& path, const std::string& reason) {
  return "The session record cannot be kept in " + path + ": " + reason + ".";
}

// A symbolic link at the record's path is followed only when its owner is
// this user or root: in a shared folder such as /tmp another user could have
// planted it to make the console append to a file of the attacker's choice.
bool LinkIsTrusted(const std::string& path) {
  struct stat link {};
  if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return false;
  return link.st_uid == geteuid() || link.st_uid == 0;
}

// A descriptor open for appending, or -1 with the reason in `reason`.
int OpenForAppending(const std::string& path, std::string& reason) {
  int fd = open(path.c_str(), kOpenFlags | O_NOFOLLOW, 0666);
  if (fd < 0 && errno == ELOOP) {
    if (!LinkIsTrusted(path)) {
      reason = "it is a symbolic link owned by another user";
      return -1;
    }
    fd = open(path.c_str(), kOpenFlags, 0666);
  }
  if (fd < 0) {
    reason = ErrorText(errno);
    return -1;
  }
  struct stat file {};
  if (fstat(fd, &file) != 0) {
    reason = ErrorText(errno);
  } else if (!S_ISREG(file.st_mode) && !S_ISCHR(file.st_mode)) {
    reason = "it is not a regular file";
  } else if (const int flags = fcntl(fd, F_GETFL); flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    reason = ErrorText(errno);
  } else {
    return fd;
  }
  close(fd);
  return -1;
}

// Writes all of text; 0 or the error number.
int WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote < 0) return errno;
    if (wrote == 0) return EIO;
    done += static_cast<std::size_t>(wrote);
  }
  return 0;
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
  return "The session record in " + path_ + " has stopped: " + ErrorText(error) + ".";
}
