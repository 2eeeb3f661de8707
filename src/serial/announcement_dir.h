// The directory of emulator announcements, opened only when it can be trusted:
// a real directory (no symbolic link) of this user's own that no other user may
// write to, so that nobody else can plant, swap or remove an announcement.
#pragma once

#include <string>
#include <utility>

// Owns one descriptor and closes it when it goes.
class OwnedFd {
 public:
  OwnedFd() = default;
  explicit OwnedFd(int fd) : fd_(fd) {}
  OwnedFd(OwnedFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  OwnedFd& operator=(OwnedFd&& other) noexcept;
  OwnedFd(const OwnedFd&) = delete;
  OwnedFd& operator=(const OwnedFd&) = delete;
  ~OwnedFd() { reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int release() { return std::exchange(fd_, -1); }
  void reset(int fd = -1);

 private:
  int fd_ = -1;
};

struct AnnouncementDir {
  OwnedFd fd;           // the directory, when it can be trusted
  bool missing = false;  // it does not exist (and was not to be made)
  std::string problem;   // why it is not used, e.g. "owned by another user"
};

// Opens the directory at path; create: make it first (mode 0700) when it is
// missing. Every later access goes through the descriptor, so that the
// directory checked is the one used.
AnnouncementDir OpenAnnouncementDir(const std::string& path, bool create);
