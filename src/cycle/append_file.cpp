#include "append_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

std::string ErrnoText(int error) { return std::system_category().message(error); }

namespace {

// Never truncated; not inherited by programs the console might start; a
// terminal named as the record does not become the console's controlling
// terminal; a FIFO without a reader fails at once instead of blocking.
constexpr int kOpenFlags = O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

// A symbolic link at the path is followed only when its owner is
// this user or root: in a shared folder such as /tmp another user could have
// planted it to make a front append to a file of the attacker's choice.
bool LinkIsTrusted(const std::string& path) {
  struct stat link {};
  if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return false;
  return link.st_uid == geteuid() || link.st_uid == 0;
}

// What stands at path when it is no file to append to; empty when it is a
// regular file, a directory (open names that), or nothing yet. Told before
// open: opening a serial device alone can change its modem lines, and a
// row written onto a controller's line would be a command.
std::string NotAFile(const std::string& path) {
  struct stat entry {};
  if (stat(path.c_str(), &entry) != 0) return {};
  if (S_ISCHR(entry.st_mode) || S_ISBLK(entry.st_mode)) return "it is a device, not a file";
  if (S_ISFIFO(entry.st_mode)) return "it is a FIFO, not a file";
  if (S_ISSOCK(entry.st_mode)) return "it is a socket, not a file";
  return {};
}

}  // namespace

int OpenForAppending(const std::string& path, std::string& reason, int access) {
  // A link's target too: a link is followed below only when it is trusted.
  reason = NotAFile(path);
  if (!reason.empty()) return -1;
  int fd = open(path.c_str(), access | kOpenFlags | O_NOFOLLOW, 0666);
  if (fd < 0 && errno == ELOOP) {
    if (!LinkIsTrusted(path)) {
      reason = "it is a symbolic link owned by another user";
      return -1;
    }
    fd = open(path.c_str(), access | kOpenFlags, 0666);
  }
  if (fd < 0) {
    reason = ErrnoText(errno);
    return -1;
  }
  struct stat file {};
  if (fstat(fd, &file) != 0) {
    reason = ErrnoText(errno);
  } else if (!S_ISREG(file.st_mode)) {
    // What replaced the file since it was looked at.
    reason = "it is not a regular file";
  } else if (const int flags = fcntl(fd, F_GETFL); flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    reason = ErrnoText(errno);
  } else {
    return fd;
  }
  close(fd);
  return -1;
}

