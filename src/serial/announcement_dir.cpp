#include "announcement_dir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Only the owner may add, rename or remove entries.
constexpr mode_t kWritableByOthers = S_IWGRP | S_IWOTH;

// Why open refused what path names, when O_NOFOLLOW or O_DIRECTORY did.
std::string NoDirectoryReason(const std::string& path, int error) {
  struct stat entry {};
  if (lstat(path.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode)) return "a symbolic link";
  if (error == ENOTDIR) return "not a directory";
  return std::strerror(error);
}

AnnouncementDir Refused(std::string problem) {
  AnnouncementDir dir;
  dir.problem = std::move(problem);
  return dir;
}

}  // namespace

OwnedFd& OwnedFd::operator=(OwnedFd&& other) noexcept {
  if (this != &other) reset(std::exchange(other.fd_, -1));
  return *this;
}

void OwnedFd::reset(int fd) {
  // Nothing useful can be done when close fails: the descriptor is gone either way.
  if (fd_ >= 0) static_cast<void>(::close(fd_));
  fd_ = fd;
}

AnnouncementDir OpenAnnouncementDir(const std::string& path, bool create) {
  if (create && mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    const char* reason = std::strerror(errno);
    return Refused(std::string("cannot be made: ") + reason);
  }
  OwnedFd fd(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.valid()) {
    const int error = errno;
    AnnouncementDir dir = Refused(error == ELOOP || error == ENOTDIR ? NoDirectoryReason(path, error)
                                                                   : std::strerror(error));
    dir.missing = error == ENOENT;
    return dir;
  }
  struct stat status {};
  if (fstat(fd.get(), &status) != 0) return Refused(std::strerror(errno));
  if (status.st_uid != geteuid()) return Refused("owned by another user");
  if ((status.st_mode & kWritableByOthers) != 0) return Refused("writable by other users");
  AnnouncementDir dir;
  dir.fd = std::move(fd);
  return dir;
}
