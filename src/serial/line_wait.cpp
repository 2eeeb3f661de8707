#include "line_wait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>

#include "serial_state.h"

namespace {

std::function<void()> waitHook;
LineClock::duration waitHookInterval{};

}  // namespace

short PollLine(int fd, short events, LineClock::time_point deadline) {
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
// unplugged, an emulator ended, a server's connection closed); the window
// says so until the next open.
short NoteHangUp(short revents) {
  if (revents & (POLLHUP | POLLERR)) portHealth.hungUp = true;
  return revents;
}

void SetLineWaitHook(std::function<void()> hook, std::chrono::milliseconds interval) {
  waitHook = std::move(hook);
  waitHookInterval = std::max(std::chrono::duration_cast<LineClock::duration>(interval),
                              LineClock::duration(std::chrono::milliseconds(1)));
}

LineEvent WaitForBytes(int fd, LineClock::time_point deadline) { return StreamOf(fd).waitForBytes(deadline); }

bool WaitWritable(int fd, LineClock::time_point deadline) { return StreamOf(fd).waitWritable(deadline); }

int ReadWaiting(int fd, unsigned char* destination, int room) { return StreamOf(fd).readWaiting(destination, room); }

bool LineGoneNow(int fd) { return StreamOf(fd).goneNow(); }

void DiscardStaleInput(int fd) { StreamOf(fd).discardStaleInput(); }

ssize_t WriteLine(int fd, const unsigned char* bytes, std::size_t count) {
  return StreamOf(fd).writeSome(bytes, count);
}
