#include "pty_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

PtyPeer::PtyPeer() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) throw std::runtime_error("no pty");
  const char* name = ptsname(master_);
  if (name == nullptr) throw std::runtime_error("no pty name");
  path_ = name;
  slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (slave_ < 0) throw std::runtime_error("cannot open pty slave");
  termios raw{};
  if (tcgetattr(master_, &raw) != 0) throw std::runtime_error("tcgetattr");
  cfmakeraw(&raw);
  if (tcsetattr(master_, TCSANOW, &raw) != 0) throw std::runtime_error("tcsetattr");
}

PtyPeer::~PtyPeer() {
  hangUp();
  if (slave_ >= 0) close(slave_);
}

Bytes PtyPeer::receive(std::size_t count, std::chrono::milliseconds timeout) {
  Bytes got;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (got.size() < count && master_ >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd entry{master_, POLLIN, 0};
    if (poll(&entry, 1, static_cast<int>(left.count())) <= 0 || !(entry.revents & POLLIN)) break;
    unsigned char piece[256];
    const ssize_t n = read(master_, piece, std::min(sizeof piece, count - got.size()));
    if (n <= 0) break;
    got.insert(got.end(), piece, piece + n);
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
