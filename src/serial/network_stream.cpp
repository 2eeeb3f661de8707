#include "network_stream.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "line_wait.h"
#include "serial_state.h"

namespace {

// One read from the socket: a TCP segment on loopback is at most this large,
// and the controller never sends more than a few dozen bytes at a time.
constexpr std::size_t kReadSize = 4096;
// Reads at most this many pieces at a time, so that a server that floods the
// line cannot hold the console in one call; what is left is read next time.
constexpr int kMostReads = 8;

}  // namespace

NetworkStream::NetworkStream(int fd, NetworkKind kind) : fd_(fd), kind_(kind), negotiation_(outbox_) {}

void NetworkStream::markGone() {
  gone_ = true;
  portHealth.hungUp = true;
}

void NetworkStream::flush() {
  while (!outbox_.empty() && !gone_) {
    const ssize_t sent = send(fd_, outbox_.data(), outbox_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      outbox_.erase(outbox_.begin(), outbox_.begin() + sent);
    } else if (sent < 0 && errno == EINTR) {
      continue;
    } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      return;
    } else {
      markGone();
    }
  }
}

void NetworkStream::take(const unsigned char* wire, std::size_t count) {
  decoded_.clear();
  if (kind_ == NetworkKind::kRfc2217) {
    decoder_.feed(wire, count, decoded_, negotiation_);
  } else {
    decoded_.assign(wire, wire + count);
  }
  for (const unsigned char byte : decoded_) {
    if (heard_.size() < kWordsKept) heard_.push_back(static_cast<char>(byte));
  }
  inbox_.insert(inbox_.end(), decoded_.begin(), decoded_.end());
  if (inbox_.size() > kInboxLimit) inbox_.erase(inbox_.begin(), inbox_.end() - kInboxLimit);
}

void NetworkStream::pump() {
  unsigned char wire[kReadSize];
  for (int reads = 0; reads < kMostReads && !gone_; ++reads) {
    const ssize_t got = recv(fd_, wire, sizeof wire, MSG_DONTWAIT);
    if (got > 0) {
      take(wire, static_cast<std::size_t>(got));
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      break;
    } else {
      markGone();  // 0: the server closed the connection; else it was lost
    }
  }
  flush();
}

LineEvent NetworkStream::waitForBytes(LineClock::time_point deadline) {
  for (;;) {
    pump();
    if (!inbox_.empty()) return LineEvent::kBytes;
    if (gone_) return LineEvent::kHangUp;
    const short events = static_cast<short>(POLLIN | POLLRDHUP | (outbox_.empty() ? 0 : POLLOUT));
    const short revents = PollLine(fd_, events, deadline);
    if (revents == 0) return LineEvent::kTimeout;
    if (revents & (POLLNVAL | POLLERR | POLLHUP)) {
      // What came before the error is still the server's; then it is gone.
      pump();
      if (!inbox_.empty()) return LineEvent::kBytes;
      markGone();
      return LineEvent::kHangUp;
    }
  }
}

int NetworkStream::readWaiting(unsigned char* destination, int room) {
  pump();
  if (inbox_.empty() || room <= 0) return -1;
  const auto count = std::min(inbox_.size(), static_cast<std::size_t>(room));
  std::copy_n(inbox_.begin(), count, destination);
  inbox_.erase(inbox_.begin(), inbox_.begin() + static_cast<std::ptrdiff_t>(count));
  return static_cast<int>(count);
}

bool NetworkStream::waitWritable(LineClock::time_point deadline) {
  for (;;) {
    flush();
    if (gone_) return false;
    if (outbox_.empty()) return true;
    const short revents = PollLine(fd_, POLLOUT, deadline);
    if (revents == 0) return false;
    if (revents & (POLLERR | POLLHUP | POLLNVAL)) {
      markGone();
      return false;
    }
  }
}

// The bytes are taken whole into the outbox, escaped, and sent as far as the
// socket has room; the rest goes with the next flush. Nothing more is taken
// while an earlier write is still owed, as a full driver takes nothing.
ssize_t NetworkStream::writeSome(const unsigned char* bytes, std::size_t count) {
  flush();
  if (gone_) {
    errno = EPIPE;
    return -1;
  }
  if (!outbox_.empty()) {
    errno = EAGAIN;
    return -1;
  }
  if (kind_ == NetworkKind::kRfc2217) {
    telnet::AppendEscaped(bytes, count, outbox_);
  } else {
    outbox_.insert(outbox_.end(), bytes, bytes + count);
  }
  flush();
  if (gone_) {
    errno = EPIPE;
    return -1;
  }
  return static_cast<ssize_t>(count);
}

bool NetworkStream::goneNow() {
  pump();
  return gone_;
}

void NetworkStream::discardStaleInput() {
  pump();
  inbox_.clear();
}

bool NetworkStream::negotiate(LineClock::time_point deadline) {
  negotiation_.start();
  flush();
  for (;;) {
    pump();
    if (negotiation_.refused() != LineSetting::kNone) {
      portHealth.refusedSetting = negotiation_.refused();
      portHealth.answeredValue = negotiation_.answeredValue();
      portHealth.failedError = EPROTO;
      return false;
    }
    if (gone_) {
      portHealth.failedError = EBUSY;
      return false;
    }
    if (negotiation_.settled()) return true;
    const short events = static_cast<short>(POLLIN | POLLRDHUP | (outbox_.empty() ? 0 : POLLOUT));
    if (PollLine(fd_, events, deadline) == 0) {
      portHealth.failedError = ETIMEDOUT;
      return false;
    }
  }
}

std::string NetworkStream::serverWords() const {
  std::string words = heard_.substr(0, heard_.find_first_of("\r\n"));
  const bool text = !words.empty() && std::all_of(words.begin(), words.end(), [](unsigned char c) {
    return std::isprint(c) != 0;
  });
  return text ? words : std::string();
}
