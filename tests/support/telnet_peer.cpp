#include "telnet_peer.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace {

constexpr unsigned char kIac = 0xFF, kDont = 0xFE, kDo = 0xFD, kWont = 0xFC, kWill = 0xFB, kSb = 0xFA, kSe = 0xF0;
constexpr unsigned char kBinary = 0, kComPort = 44;
constexpr std::chrono::microseconds kByteAt300{33334};
// A client that says nothing for this long is done with.
constexpr int kIdleMilliseconds = 20000;

void SendAll(int fd, const PeerBytes& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t sent = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (sent <= 0) return;
    done += static_cast<std::size_t>(sent);
  }
}

PeerBytes Escaped(const PeerBytes& data) {
  PeerBytes wire;
  for (const unsigned char byte : data) {
    wire.push_back(byte);
    if (byte == kIac) wire.push_back(kIac);
  }
  return wire;
}

}  // namespace

TelnetPeer::TelnetPeer(Behaviour behaviour, Replies replies) : behaviour_(behaviour), replies_(std::move(replies)) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int fds[2];
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 4) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
      pipe2(fds, O_CLOEXEC) != 0) {
    throw std::runtime_error("cannot listen on loopback");
  }
  port_ = ntohs(address.sin_port);
  stopRead_ = fds[0];
  stopWrite_ = fds[1];
  thread_ = std::thread([this] { serve(); });
}

TelnetPeer::~TelnetPeer() {
  const char stop = 1;
  if (write(stopWrite_, &stop, 1) < 0) {
    // The thread then ends at its next idle bound.
  }
  thread_.join();
  close(listener_);
  close(stopRead_);
  close(stopWrite_);
}

std::string TelnetPeer::address() const {
  return std::string(behaviour_.telnet ? "rfc2217" : "tcp") + "://127.0.0.1:" + std::to_string(port_);
}

PeerBytes TelnetPeer::received() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

void TelnetPeer::serve() {
  for (;;) {
    pollfd fds[2] = {{listener_, POLLIN, 0}, {stopRead_, POLLIN, 0}};
    if (poll(fds, 2, kIdleMilliseconds) <= 0 || (fds[1].revents & POLLIN)) return;
    const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    serveClient(client);
  }
}

void TelnetPeer::serveClient(int client) {
  const int on = 1;
  setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  enum class State { kData, kIac, kVerb, kSub, kSubIac } state = State::kData;
  unsigned char verb = 0;
  PeerBytes sub;
  for (;;) {
    pollfd fds[3] = {{client, POLLIN, 0}, {listener_, POLLIN, 0}, {stopRead_, POLLIN, 0}};
    if (poll(fds, 3, kIdleMilliseconds) <= 0 || (fds[2].revents & POLLIN)) break;
    if (fds[1].revents & POLLIN) {
      // One client a port, as ser2net allows.
      const int second = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (second >= 0 && behaviour_.turnAwaySecond) SendAll(second, {'P', 'o', 'r', 't', ' ', 'a', 'l', 'r', 'e', 'a', 'd', 'y', ' ', 'i', 'n', ' ', 'u', 's', 'e', '\r', '\n'});
      if (second >= 0) close(second);
    }
    if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    unsigned char wire[512];
    const ssize_t got = recv(client, wire, sizeof wire, 0);
    if (got <= 0) break;
    PeerBytes answers;
    for (ssize_t i = 0; i < got; ++i) {
      const unsigned char byte = wire[i];
      if (!behaviour_.telnet) state = State::kData;
      switch (state) {
        case State::kData:
          if (byte == kIac && behaviour_.telnet) {
            state = State::kIac;
            break;
          }
          {
            const std::lock_guard<std::mutex> lock(mutex_);
            received_.push_back(byte);
          }
          if (!answers.empty()) {
            SendAll(client, answers);
            answers.clear();
          }
          if (const PeerBytes reply = replies_(byte); !reply.empty() && !sendReply(client, byte, reply)) return;
          break;
        case State::kIac:
          if (byte == kIac) {
            // The doubled 0xFF is one data byte.
            state = State::kData;
            {
              const std::lock_guard<std::mutex> lock(mutex_);
              received_.push_back(byte);
            }
            if (const PeerBytes reply = replies_(byte); !reply.empty() && !sendReply(client, byte, reply)) return;
          } else if (byte >= kWill) {
            verb = byte;
            state = State::kVerb;
          } else if (byte == kSb) {
            sub.clear();
            state = State::kSub;
          } else {
            state = State::kData;
          }
          break;
        case State::kVerb: {
          const bool refused = (byte == kBinary && behaviour_.refuseBinary) || (byte == kComPort && behaviour_.refuseComPort);
          if (verb == kWill) answers.insert(answers.end(), {kIac, refused ? kDont : kDo, byte});
          if (verb == kDo) answers.insert(answers.end(), {kIac, refused || byte == kComPort ? kWont : kWill, byte});
          state = State::kData;
          break;
        }
        case State::kSub:
          if (byte == kIac) {
            state = State::kSubIac;
          } else {
            sub.push_back(byte);
          }
          break;
        case State::kSubIac:
          if (byte == kIac) {
            sub.push_back(byte);
            state = State::kSub;
            break;
          }
          state = State::kData;
          if (sub.size() >= 3 && sub[0] == kComPort) {
            PeerBytes answer = {kIac, kSb, kComPort, static_cast<unsigned char>(sub[1] + 100)};
            PeerBytes value(sub.begin() + 2, sub.end());
            if (sub[1] == 1) {
              const uint32_t baud = behaviour_.answeredBaud;
              value = {static_cast<unsigned char>(baud >> 24), static_cast<unsigned char>(baud >> 16),
                       static_cast<unsigned char>(baud >> 8), static_cast<unsigned char>(baud)};
            }
            const PeerBytes escaped = Escaped(value);
            answer.insert(answer.end(), escaped.begin(), escaped.end());
            answer.insert(answer.end(), {kIac, kSe});
            if (behaviour_.settingsDelay.count() > 0) std::this_thread::sleep_for(behaviour_.settingsDelay);
            answers.insert(answers.end(), answer.begin(), answer.end());
          }
          break;
      }
    }
    if (!answers.empty()) SendAll(client, answers);
  }
  close(client);
}

// The reply as the controller sends it at 300 baud, handed on in segments as
// the behaviour says; false when the connection was dropped on purpose.
bool TelnetPeer::sendReply(int client, unsigned char command, const PeerBytes& reply) {
  const bool drop = command == behaviour_.dropOn && behaviour_.dropAfter >= 0;
  const std::size_t kept = drop ? std::min<std::size_t>(reply.size(), static_cast<std::size_t>(behaviour_.dropAfter)) : reply.size();
  const PeerBytes data(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(kept));
  const PeerBytes wire = behaviour_.telnet ? Escaped(data) : data;
  if (behaviour_.segmentPerByte) {
    for (const unsigned char byte : wire) {
      SendAll(client, {byte});
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  } else if (behaviour_.batch.count() > 0) {
    // What crossed the line during each batch's time goes out at its end.
    const auto perBatch = static_cast<std::size_t>(std::max<long>(1, behaviour_.batch / kByteAt300));
    for (std::size_t at = 0; at < wire.size(); at += perBatch) {
      std::this_thread::sleep_for(behaviour_.batch);
      SendAll(client, PeerBytes(wire.begin() + static_cast<std::ptrdiff_t>(at),
                                wire.begin() + static_cast<std::ptrdiff_t>(std::min(wire.size(), at + perBatch))));
    }
  } else {
    SendAll(client, wire);
  }
  if (!drop) return true;
  shutdown(client, SHUT_RDWR);
  close(client);
  return false;
}
