#include "device_stream.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

#include "line_wait.h"
#include "serial_state.h"

LineEvent DeviceStream::waitForBytes(LineClock::time_point deadline) {
  if (fd_ < 0) return LineEvent::kHangUp;
  const short revents = NoteHangUp(PollLine(fd_, POLLIN, deadline));
  if (revents & POLLIN) return LineEvent::kBytes;
  if (revents & (POLLHUP | POLLERR | POLLNVAL)) return LineEvent::kHangUp;
  return LineEvent::kTimeout;
}

int DeviceStream::readWaiting(unsigned char* destination, int room) {
  int waiting = 0;
  if (ioctl(fd_, FIONREAD, &waiting) != 0 || waiting <= 0) return -1;
  const ssize_t got = read(fd_, destination, static_cast<size_t>(std::min(waiting, room)));
  return got > 0 ? static_cast<int>(got) : -1;
}

bool DeviceStream::waitWritable(LineClock::time_point deadline) {
  if (fd_ < 0) return true;
  const short revents = NoteHangUp(PollLine(fd_, POLLOUT, deadline));
  return (revents & POLLOUT) && !(revents & (POLLHUP | POLLERR | POLLNVAL));
}

ssize_t DeviceStream::writeSome(const unsigned char* bytes, std::size_t count) { return write(fd_, bytes, count); }

bool DeviceStream::goneNow() {
  if (fd_ < 0) return false;
  pollfd entry{fd_, POLLIN, 0};
  // A failed poll tells nothing about the line; the next look or wait will.
  if (poll(&entry, 1, 0) <= 0) return false;
  return (NoteHangUp(entry.revents) & (POLLHUP | POLLERR)) != 0;
}

void DeviceStream::discardStaleInput() {
  // A failure means the line is gone, which the waits that follow report.
  if (fd_ >= 0) static_cast<void>(tcflush(fd_, TCIFLUSH));
}
