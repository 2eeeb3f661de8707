// Times the emulator served on the network at 300 baud: from a status query
// written on the connection to the last byte of its reply read, over the line
// time of the reply's bytes (one character time each; the query crosses
// loopback at once). The pacing is kept when the figure is neither below 1
// (faster than the line) nor much above it.
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "network_server.h"

namespace {

using Seconds = std::chrono::duration<double>;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 5;
// Ten bits a byte at 300 baud.
constexpr Seconds kCharacterTime{10.0 / 300.0};
// The Triad's status reply: echo, ten bytes, closing byte.
constexpr std::size_t kReplyBytes = 12;
// What telnet sends as a connection opens, before any data.
constexpr std::size_t kGreetingBytes = 15;
constexpr double kLowest = 0.99;
constexpr double kHighest = 1.10;
// Bounds every wait for a byte, far above a reply's line time.
constexpr int kReadTimeoutMs = 5000;

int Connect(const std::string& address) {
  const std::size_t colon = address.rfind(':');
  const std::size_t host = address.find("://") + 3;
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(address.substr(host, colon - host).c_str(), address.substr(colon + 1).c_str(), &hints, &found) != 0) {
    return -1;
  }
  int fd = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd >= 0 && connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
    close(fd);
    fd = -1;
  }
  freeaddrinfo(found);
  return fd;
}

bool ReadBytes(int fd, std::size_t count) {
  unsigned char chunk[64];
  while (count > 0) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, kReadTimeoutMs) <= 0) return false;
    const ssize_t n = read(fd, chunk, count < sizeof chunk ? count : sizeof chunk);
    if (n <= 0) return false;
    count -= static_cast<std::size_t>(n);
  }
  return true;
}

bool Measure(const char* name, bool rfc2217) {
  emulator::EmulatorOptions options;
  options.announce = false;
  options.listen = emulator::ListenAddress{"127.0.0.1", 0, rfc2217};
  emulator::NetworkServer server(options);
  const int fd = server.start() ? Connect(server.address()) : -1;
  if (fd < 0 || (rfc2217 && !ReadBytes(fd, kGreetingBytes))) {
    std::printf("cannot reach the emulator on the network: %s\n", server.error().c_str());
    if (fd >= 0) close(fd);
    return false;
  }
  Seconds wall{};
  bool whole = true;
  for (int run = 0; run < kRuns && whole; ++run) {
    const unsigned char status = 0xCC;
    const auto start = Clock::now();
    whole = write(fd, &status, 1) == 1 && ReadBytes(fd, kReplyBytes);
    wall += Clock::now() - start;
  }
  close(fd);
  const double ratio = wall / (kRuns * kReplyBytes * kCharacterTime);
  if (!whole) std::printf("%-28s a reply did not come whole\n", name);
  std::printf("%-28s wall/line = %.3f  (target %.2f to %.2f)\n", name, ratio, kLowest, kHighest);
  return whole && ratio >= kLowest && ratio <= kHighest;
}

}  // namespace

int main() {
  bool good = Measure("status query, RFC 2217", true);
  good = Measure("status query, plain TCP", false) && good;
  return good ? 0 : 1;
}
