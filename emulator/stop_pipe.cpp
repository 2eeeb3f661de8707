#include "stop_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>

#include "system_error_text.h"

namespace emulator {

int PollTimeout(ServeClock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - ServeClock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

ssize_t SendWithoutSignal(int fd, const void* data, size_t size) { return send(fd, data, size, MSG_NOSIGNAL); }

bool StopPipe::open(std::string& error) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) {
    error = SystemErrorText("pipe2");
    return false;
  }
  read_.reset(ends[0]);
  write_.reset(ends[1]);
  return true;
}

void StopPipe::raise() {
  const uint8_t wake = 1;
  // The pipe is never read, so the byte stays and every later wait sees it.
  ssize_t written;
  do {
    written = write(write_.get(), &wake, 1);
  } while (written < 0 && errno == EINTR);
}

void StopPipe::close() {
  read_.reset();
  write_.reset();
}

WaitOutcome StopPipe::sleepUntil(ServeClock::time_point deadline) const {
  while (ServeClock::now() < deadline) {
    pollfd stop{read_.get(), POLLIN, 0};
    const int result = poll(&stop, 1, PollTimeout(deadline));
    if (result > 0) return WaitOutcome::kStopped;
    if (result < 0 && errno != EINTR) return WaitOutcome::kFailed;
  }
  return WaitOutcome::kReached;
}

WriteOutcome StopPipe::writeWithin(int fd, const std::vector<uint8_t>& bytes, ServeClock::duration stalled,
                                   WriteCall call) const {
  const ServeClock::time_point giveUp = ServeClock::now() + stalled;
  std::size_t done = 0;
  for (;;) {
    const ssize_t written = call(fd, bytes.data() + done, bytes.size() - done);
    if (written > 0) done += static_cast<std::size_t>(written);
    if (done == bytes.size()) return WriteOutcome::kWritten;
    if (written < 0 && errno != EAGAIN && errno != EINTR) return WriteOutcome::kFailed;
    if (ServeClock::now() >= giveUp) return WriteOutcome::kDropped;
    std::array<pollfd, 2> fds{{{fd, POLLOUT, 0}, {read_.get(), POLLIN, 0}}};
    const int result = poll(fds.data(), fds.size(), PollTimeout(giveUp));
    if (result < 0 && errno != EINTR) return WriteOutcome::kFailed;
    if (result > 0 && fds[1].revents != 0) return WriteOutcome::kStopped;
  }
}

}  // namespace emulator
