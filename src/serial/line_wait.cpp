#include "line_wait.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "serial_state.h"

namespace {

std::function<void()> waitHook;
LineClock::duration waitHookInterval{};

// Waits for events on fd until the deadline; the revents, 0 at the deadline,
// POLLNVAL when poll itself failed. The wait hook runs between slices.
short PollUntil(int fd, short events, LineClock::time_point deadline) {
  for (;;) {
    auto left = std::max(deadline - LineClock::now(), LineClock::duration::zero());
    const bool sliced = waitHook && left > waitHookInterval;
    if (sliced) left = waitHookInterval;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds);
    const timespec timeout{static_cast<time_t>(seconds.count()), static_cast<long>(nanoseconds.count())};
    pollfd entry{fd, events, 0};
    const int ready = ppoll(&entry, 1, &timeout, nullptr);
    if (ready > 0) return entry.revents;
    if (ready < 0 && errno != EINTR) return POLLNVAL;
    if (ready == 0 && !sliced) return 0;
    if (sliced) waitHook();
  }
}

// A hang-up or error on the line means the device went away (an adapter
// unplugged, an emulator ended); the window says so until the next open.
short NoteHangUp(short revents) {
  if (revents & (POLLHUP | POLLERR)) portHealth.hungUp = true;
  return revents;
}

}  // namespace

void SetLineWaitHook(std::function<void()> hook, std::chrono::milliseconds interval) {
  waitHook = std::move(hook);
  waitHookInterval = std::max(std::chrono::duration_cast<LineClock::duration>(interval),
                              LineClock::duration(std::chrono::milliseconds(1)));
}

LineEvent WaitForBytes(int fd, LineClock::time_point deadline) {
  if (fd < 0) return LineEvent::kHangUp;
  const short revents = NoteHangUp(PollUntil(fd, POLLIN, deadline));
  if (revents & POLLIN) return LineEvent::kBytes;
  if (revents & (POLLHUP | POLLERR | POLLNVAL)) return LineEvent::kHangUp;
  return LineEvent::kTimeout;
}

bool WaitWritable(int fd, LineClock::time_point deadline) {
  if (fd < 0) return true;
  const short revents = NoteHangUp(PollUntil(fd, POLLOUT, deadline));
  return (revents & POLLOUT) && !(revents & (POLLHUP | POLLERR | POLLNVAL));
}

int ReadWaiting(int fd, unsigned char* destination, int room) {
  int waiting = 0;
  if (ioctl(fd, FIONREAD, &waiting) != 0 || waiting <= 0) return -1;
  const ssize_t got = read(fd, destination, static_cast<size_t>(std::min(waiting, room)));
  return got > 0 ? static_cast<int>(got) : -1;
}

bool LineGoneNow(int fd) {
  if (fd < 0) return false;
  pollfd entry{fd, POLLIN, 0};
  // A failed poll tells nothing about the line; the next look or wait will.
  if (poll(&entry, 1, 0) <= 0) return false;
  return (NoteHangUp(entry.revents) & (POLLHUP | POLLERR)) != 0;
}

void DiscardStaleInput(int fd) {
  // A failure means the line is gone, which the waits that follow report.
  if (fd >= 0) static_cast<void>(tcflush(fd, TCIFLUSH));
}
