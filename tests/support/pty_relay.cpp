#include "pty_relay.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace {

void Fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

// Bytes pass through unchanged however the other end set its line.
void MakeRaw(int fd, const char* what) {
  termios raw{};
  if (tcgetattr(fd, &raw) != 0) Fail(what);
  cfmakeraw(&raw);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &raw) != 0) Fail(what);
}

void CloseIfOpen(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

std::size_t Index(PtyRelay::Way way) { return way == PtyRelay::Way::kToController ? 0 : 1; }

}  // namespace

PtyRelay::PtyRelay(const std::string& controllerPath) {
  try {
    clientMaster_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (clientMaster_ < 0 || grantpt(clientMaster_) != 0 || unlockpt(clientMaster_) != 0) Fail("no pty");
    char name[256];
    if (ptsname_r(clientMaster_, name, sizeof name) != 0) Fail("no pty name");
    path_ = name;
    clientSlave_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (clientSlave_ < 0) Fail("cannot open the client's pty");
    MakeRaw(clientMaster_, "setting the client's pty raw");
    controller_ = open(controllerPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (controller_ < 0) Fail("cannot open the controller's device");
    MakeRaw(controller_, "setting the controller's device raw");
    int stop[2];
    if (pipe2(stop, O_CLOEXEC) != 0) Fail("pipe");
    stopRead_ = stop[0];
    stopWrite_ = stop[1];
  } catch (...) {
    for (int* fd : {&clientMaster_, &clientSlave_, &controller_, &stopRead_, &stopWrite_}) CloseIfOpen(*fd);
    throw;
  }
  thread_ = std::thread(&PtyRelay::relay, this);
}

PtyRelay::~PtyRelay() {
  const unsigned char wake = 1;
  // A failed write leaves the thread to end at the first failure of a side.
  if (write(stopWrite_, &wake, 1) != 1) CloseIfOpen(clientMaster_);
  if (thread_.joinable()) thread_.join();
  for (int* fd : {&clientMaster_, &clientSlave_, &controller_, &stopRead_, &stopWrite_}) CloseIfOpen(*fd);
}

void PtyRelay::injectBeforeReply(ReplyOf reply, Bytes stray) {
  std::lock_guard lock(mutex_);
  rules_.push_back({reply, std::move(stray), SIZE_MAX});
}

void PtyRelay::cutReply(ReplyOf reply, std::size_t keep) {
  std::lock_guard lock(mutex_);
  rules_.push_back({reply, {}, keep});
}

Bytes PtyRelay::heard(Way way) const {
  std::lock_guard lock(mutex_);
  return heard_[Index(way)];
}

Bytes PtyRelay::passed(Way way) const {
  std::lock_guard lock(mutex_);
  return passed_[Index(way)];
}

void PtyRelay::record(Bytes (&into)[2], Way way, const unsigned char* bytes, std::size_t count) {
  std::lock_guard lock(mutex_);
  into[Index(way)].insert(into[Index(way)].end(), bytes, bytes + count);
}

// Ends when the relay stops or a side fails for good (the emulator ended).
void PtyRelay::relay() {
  unsigned char piece[512];
  for (;;) {
    pollfd entries[] = {{stopRead_, POLLIN, 0}, {clientMaster_, POLLIN, 0}, {controller_, POLLIN, 0}};
    if (poll(entries, 3, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (entries[0].revents != 0) return;
    for (int side = 1; side <= 2; ++side) {
      if (entries[side].revents == 0) continue;
      const ssize_t got = read(entries[side].fd, piece, sizeof piece);
      if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (got <= 0) return;
      const auto count = static_cast<std::size_t>(got);
      if (!(side == 1 ? fromClient(piece, count) : fromController(piece, count))) return;
    }
  }
}

bool PtyRelay::fromClient(const unsigned char* bytes, std::size_t count) {
  record(heard_, Way::kToController, bytes, count);
  if (!commandOpen_) command_ = bytes[0];
  commandOpen_ = true;
  record(passed_, Way::kToController, bytes, count);
  return writeAll(controller_, Bytes(bytes, bytes + count));
}

bool PtyRelay::fromController(const unsigned char* bytes, std::size_t count) {
  record(heard_, Way::kToClient, bytes, count);
  Bytes out;
  if (commandOpen_) {
    commandOpen_ = false;
    const int nth = ++counts_[command_];
    replyBytes_ = 0;
    replyKeep_ = SIZE_MAX;
    std::lock_guard lock(mutex_);
    for (const Rule& rule : rules_) {
      if (rule.reply.command != command_ || rule.reply.nth != nth) continue;
      out.insert(out.end(), rule.stray.begin(), rule.stray.end());
      replyKeep_ = std::min(replyKeep_, rule.keep);
    }
  }
  const std::size_t kept = replyKeep_ > replyBytes_ ? std::min(count, replyKeep_ - replyBytes_) : 0;
  replyBytes_ += count;
  out.insert(out.end(), bytes, bytes + kept);
  record(passed_, Way::kToClient, out.data(), out.size());
  return writeAll(clientMaster_, out);
}

bool PtyRelay::writeAll(int fd, const Bytes& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
    if (written > 0) {
      done += static_cast<std::size_t>(written);
    } else if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd entry{fd, POLLOUT, 0};
      if (poll(&entry, 1, 1000) <= 0) return false;
    } else {
      return false;
    }
  }
  return true;
}
