#include "pty_line.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for bytes from the console. The master reports a hang-up while the
// slave is not open; that is waited out like silence.
bool WaitReadable(int master, Clock::time_point deadline) {
  while (Clock::now() < deadline) {
    pollfd entry{master, POLLIN, 0};
    const int ready = poll(&entry, 1, std::min(MillisecondsUntil(deadline), 10));
    if (ready > 0 && (entry.revents & POLLIN)) return true;
    if (ready < 0 && errno != EINTR) return false;
    if (ready > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

bool WriteAll(int fd, const Bytes& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t written = write(fd, bytes.data() + sent, bytes.size() - sent);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    sent += static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

PtyLine::PtyLine() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    ADD_FAILURE() << "no pseudo-terminal: " << std::strerror(errno);
    return;
  }
  char name[256];
  if (ptsname_r(master_, name, sizeof name) != 0) {
    ADD_FAILURE() << "no slave name: " << std::strerror(errno);
    return;
  }
  slavePath_ = name;
}

PtyLine::~PtyLine() {
  if (master_ >= 0) close(master_);
}

Bytes PtyLine::Pending() const {
  Bytes pending;
  unsigned char chunk[64];
  for (;;) {
    pollfd entry{master_, POLLIN, 0};
    if (poll(&entry, 1, 0) <= 0 || !(entry.revents & POLLIN)) return pending;
    const ssize_t got = read(master_, chunk, sizeof chunk);
    if (got <= 0) return pending;
    pending.insert(pending.end(), chunk, chunk + got);
  }
}

CannedReply::CannedReply(const PtyLine& line, std::size_t commandLength, Bytes reply)
    : player_(&CannedReply::Play, this, line.master(), commandLength, std::move(reply)) {}

CannedReply::~CannedReply() {
  if (player_.joinable()) player_.join();
}

Bytes CannedReply::Received() {
  if (player_.joinable()) player_.join();
  return received_;
}

void CannedReply::Play(int master, std::size_t commandLength, Bytes reply) {
  const auto deadline = Clock::now() + kPlayerDeadline;
  unsigned char chunk[64];
  while (received_.size() < commandLength && WaitReadable(master, deadline)) {
    const std::size_t room = std::min(sizeof chunk, commandLength - received_.size());
    const ssize_t got = read(master, chunk, room);
    if (got <= 0) return;
    received_.insert(received_.end(), chunk, chunk + got);
  }
  if (received_.size() == commandLength) WriteAll(master, reply);
}
