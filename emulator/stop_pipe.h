// How a serving thread is told to stop: a pipe that the stopping thread
// writes one byte into and that every wait of the serving thread watches, so
// that a stop ends even a paced reply at once.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "unique_fd.h"

namespace emulator {

using ServeClock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, for poll: 0 once it passed.
int PollTimeout(ServeClock::time_point deadline);

enum class WaitOutcome { kReached, kStopped, kFailed };

// What became of bytes handed to WriteWithin.
enum class WriteOutcome {
  kWritten,
  kDropped,  // nobody took them within the limit, as a line drops what its receiver does not take
  kStopped,
  kFailed,   // errno tells why
};

// ::write for a device; a socket's writer must not raise SIGPIPE.
using WriteCall = ssize_t (*)(int fd, const void* data, size_t size);
ssize_t SendWithoutSignal(int fd, const void* data, size_t size);

class StopPipe {
 public:
  // False, with `error`, when the pipe could not be made.
  bool open(std::string& error);
  // Wakes every present and later wait; once is enough.
  void raise();
  void close();
  int readFd() const { return read_.get(); }

  // Waits until `deadline`; kStopped as soon as a stop is raised.
  WaitOutcome sleepUntil(ServeClock::time_point deadline) const;
  // Writes all of `bytes` to the non-blocking `fd`, waiting for room at most `stalled`.
  WriteOutcome writeWithin(int fd, const std::vector<uint8_t>& bytes, ServeClock::duration stalled,
                           WriteCall call) const;

 private:
  UniqueFd read_;
  UniqueFd write_;
};

}  // namespace emulator
