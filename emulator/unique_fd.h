// Owns one file descriptor and closes it when it goes.
#pragma once

#include <unistd.h>

#include <utility>

namespace emulator {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(std::exchange(other.fd_, -1));
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

  // Nothing useful can be done when close fails: the descriptor is gone either way.
  void reset(int fd = -1) {
    if (fd_ >= 0) static_cast<void>(::close(fd_));
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

}  // namespace emulator
