#include "network_open.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

#include "diagnostics.h"
#include "line_wait.h"
#include "network_address.h"
#include "network_stream.h"
#include "serial_state.h"

namespace {

// getaddrinfo has no bound of its own (a resolver may try for half a
// minute): it runs on a thread of its own, which tells its end on an
// eventfd, and an open that stops waiting leaves the thread to finish and
// clean up alone.
struct Lookup {
  NetworkAddress address;
  int done = -1;
  std::atomic<bool> finished{false};
  int code = 0;
  int systemError = 0;  // errno of the lookup's thread, with EAI_SYSTEM
  addrinfo* result = nullptr;
  ~Lookup() {
    if (result != nullptr) freeaddrinfo(result);
    if (done >= 0) close(done);
  }
};

// The host's addresses; nullptr with portHealth set when there are none.
std::shared_ptr<Lookup> Resolve(const NetworkAddress& address, LineClock::time_point deadline) {
  auto lookup = std::make_shared<Lookup>();
  lookup->address = address;
  lookup->done = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (lookup->done < 0) {
    portHealth.failedError = errno;
    return nullptr;
  }
  try {
    std::thread([lookup] {
      addrinfo hints{};
      hints.ai_family = AF_UNSPEC;
      hints.ai_socktype = SOCK_STREAM;
      hints.ai_flags = AI_ADDRCONFIG;
      lookup->code = getaddrinfo(lookup->address.host.c_str(), lookup->address.service.c_str(), &hints, &lookup->result);
      lookup->systemError = errno;
      lookup->finished.store(true, std::memory_order_release);
      const uint64_t one = 1;
      // An eventfd takes a write of 1 unless its count is full, which it
      // never is here; the result is looked at only because fortified builds insist.
      if (write(lookup->done, &one, sizeof one) < 0) return;
    }).detach();
  } catch (const std::system_error& error) {
    portHealth.failedError = error.code().value();
    return nullptr;
  }
  PollLine(lookup->done, POLLIN, deadline);
  if (!lookup->finished.load(std::memory_order_acquire)) {
    portHealth.failedError = ETIMEDOUT;
    return nullptr;
  }
  switch (lookup->code) {
    case 0: return lookup;
    case EAI_AGAIN: portHealth.failedError = EAGAIN; break;
    case EAI_SYSTEM: portHealth.failedError = lookup->systemError != 0 ? lookup->systemError : EIO; break;
    default: portHealth.failedError = ENOENT; break;  // no such host
  }
  return nullptr;
}

// The controller's bytes go out at once, not gathered into fewer segments,
// and a connection lost while the line is quiet is found out.
void SetSocketOptions(int fd) {
  const int on = 1;
  const int idle = static_cast<int>(kKeepAliveIdle.count());
  const int interval = static_cast<int>(kKeepAliveInterval.count());
  const int probes = kKeepAliveProbes;
  // A failed option leaves a line that works, only slower or less watched.
  static_cast<void>(setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on));
  static_cast<void>(setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on));
  static_cast<void>(setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle));
  static_cast<void>(setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval));
  static_cast<void>(setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes));
}

// One address: the connected socket, or -1 with the error in `error`.
int ConnectOne(const addrinfo& address, LineClock::time_point deadline, int& error) {
  const int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  SetSocketOptions(fd);
  if (connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
    error = errno;
    if (error == EINPROGRESS) {
      const short revents = PollLine(fd, POLLOUT, deadline);
      socklen_t size = sizeof error;
      if (revents == 0) {
        error = ETIMEDOUT;
      } else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
        error = errno;
      }
    }
    if (error != 0) {
      close(fd);
      return -1;
    }
  }
  return fd;
}

// Tries the host's addresses in the resolver's order (localhost may be ::1
// first while the server listens on 127.0.0.1 only).
int Connect(const Lookup& lookup, LineClock::time_point deadline) {
  int error = ECONNREFUSED;
  for (const addrinfo* address = lookup.result; address != nullptr; address = address->ai_next) {
    const int fd = ConnectOne(*address, deadline, error);
    if (fd >= 0) return fd;
    if (error == ETIMEDOUT) break;
  }
  portHealth.failedError = error;
  return -1;
}

int Fail(OpenStep step, const char* path, int fd) {
  portHealth.failedStep = step;
  portHealth.hungUp = false;
  const int error = portHealth.failedError;
  PrintDiagnostic("Error opening network port %s - %s(%d).\n", path, std::strerror(error), error);
  if (fd >= 0) CloseNetworkLine(fd);
  return -1;
}

}  // namespace

int OpenNetworkLine(const char* path) {
  const auto deadline = LineClock::now() + kNetworkOpenTimeout;
  const std::optional<NetworkAddress> address = ParseNetworkAddress(path);
  if (!address) {
    portHealth.failedError = EINVAL;
    return Fail(OpenStep::kResolving, path, -1);
  }
  const std::shared_ptr<Lookup> lookup = Resolve(*address, deadline);
  if (!lookup) return Fail(OpenStep::kResolving, path, -1);
  const int fd = Connect(*lookup, deadline);
  if (fd < 0) return Fail(OpenStep::kConnecting, path, -1);
  auto stream = std::make_unique<NetworkStream>(fd, address->kind);
  NetworkStream& line = *stream;
  KeepStream(fd, std::move(stream));
  if (address->kind == NetworkKind::kRfc2217 && !line.negotiate(deadline)) {
    portHealth.serverWords = line.serverWords();
    return Fail(OpenStep::kNegotiating, path, fd);
  }
  return fd;
}

bool RefusedOnLine(int descriptor) {
  if (!IsNetworkLine(descriptor)) return false;
  auto& line = static_cast<NetworkStream&>(StreamOf(descriptor));
  if (!line.gone()) return false;
  portHealth.serverWords = line.serverWords();
  portHealth.failedError = EBUSY;
  portHealth.failedStep = OpenStep::kNegotiating;
  portHealth.hungUp = false;
  portHealth.onLine = false;
  CloseNetworkLine(descriptor);
  return true;
}

int CloseNetworkLine(int descriptor) {
  DropStream(descriptor);
  // The server sees the connection end at once; nothing is owed on it.
  static_cast<void>(shutdown(descriptor, SHUT_RDWR));
  return close(descriptor);
}
