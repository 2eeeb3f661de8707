#include "pty_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <system_error>

PtyPeer::PtyPeer(Start start) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) fail("no pty");
  char name[256];
  if (ptsname_r(master_, name, sizeof name) != 0) fail("no pty name");
  path_ = name;
  slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (slave_ < 0) fail("cannot open pty slave");
  if (start == Start::kSystemDefaults) return;
  // Set through the master: the pair has one set of line settings, the slave's.
  termios raw{};
  if (tcgetattr(master_, &raw) != 0) fail("tcgetattr");
  cfmakeraw(&raw);
  if (tcsetattr(master_, TCSANOW, &raw) != 0) fail("tcsetattr");
}

PtyPeer::~PtyPeer() {
  hangUp();
  if (slave_ >= 0) close(slave_);
}

// The destructor does not run for a constructor that throws.
void PtyPeer::fail(const char* what) {
  const int error = errno;
  hangUp();
  if (slave_ >= 0) close(slave_);
  slave_ = -1;
  throw std::system_error(error, std::generic_category(), what);
}

termios PtyPeer::settings() const {
  termios line{};
  if (tcgetattr(slave_, &line) != 0) throw std::system_error(errno, std::generic_category(), "tcgetattr");
  return line;
}

// Appends what one read brings after waiting up to waitMilliseconds for it;
// false when nothing came: silence, a hang-up or an error.
bool PtyPeer::readSome(Bytes& into, std::size_t room, int waitMilliseconds) {
  if (master_ < 0) return false;
  pollfd entry{master_, POLLIN, 0};
  if (poll(&entry, 1, waitMilliseconds) <= 0 || !(entry.revents & POLLIN)) return false;
  unsigned char piece[256];
  const ssize_t n = read(master_, piece, std::min(sizeof piece, room));
  if (n <= 0) return false;
  into.insert(into.end(), piece, piece + n);
  return true;
}

Bytes PtyPeer::receive(std::size_t count, std::chrono::milliseconds timeout) {
  Bytes got;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (got.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !readSome(got, count - got.size(), static_cast<int>(left.count()))) break;
  }
  return got;
}

Bytes PtyPeer::pending() {
  Bytes got;
  while (readSome(got, SIZE_MAX, 0)) {
  }
  return got;
}

void PtyPeer::send(const Bytes& bytes, std::chrono::microseconds pacing) {
  if (pacing.count() == 0) {
    if (!bytes.empty() && write(master_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      throw std::runtime_error("pty write");
    }
    return;
  }
  auto due = std::chrono::steady_clock::now();
  for (unsigned char byte : bytes) {
    std::this_thread::sleep_until(due);
    if (write(master_, &byte, 1) != 1) throw std::runtime_error("pty write");
    due += pacing;
  }
}

void PtyPeer::hangUp() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}

CannedReply::CannedReply(PtyPeer& peer, std::size_t commandLength, Bytes reply)
    : player_(&CannedReply::Play, this, std::ref(peer), commandLength, std::move(reply)) {}

CannedReply::~CannedReply() {
  if (player_.joinable()) player_.join();
}

Bytes CannedReply::Received() {
  if (player_.joinable()) player_.join();
  return received_;
}

void CannedReply::Play(PtyPeer& peer, std::size_t commandLength, const Bytes& reply) {
  received_ = peer.receive(commandLength, kPlayerDeadline);
  // A reply that cannot be written shows as a controller that never answered.
  try {
    if (received_.size() == commandLength) peer.send(reply);
  } catch (const std::runtime_error&) {
  }
}
