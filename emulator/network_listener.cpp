#include "network_listener.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>

#include "system_error_text.h"

namespace emulator {

namespace {

// Connections that may wait to be accepted or refused.
constexpr int kBacklog = 4;
constexpr unsigned kMaxPort = 65535;

// What accept may say of one connection, none of them the listener's fault:
// nobody waits, the client gave up before it was taken, or a network error
// already pending on that connection.
constexpr int kPassingAcceptErrors[] = {EAGAIN,    EWOULDBLOCK, EINTR,    ECONNABORTED, EPROTO,       ENETDOWN,
                                        ENOPROTOOPT, EHOSTDOWN, ENONET,   EHOSTUNREACH, EOPNOTSUPP, ENETUNREACH};

std::optional<uint16_t> ParsePort(std::string_view text) {
  unsigned port = 0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (text.empty() || status != std::errc() || end != text.data() + text.size() || port > kMaxPort) {
    return std::nullopt;
  }
  return static_cast<uint16_t>(port);
}

// "127.0.0.1:40123" or "[::1]:40123" of a bound socket.
std::string HostPortOf(const sockaddr_storage& bound) {
  std::array<char, INET6_ADDRSTRLEN> text{};
  if (bound.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(bound);
    inet_ntop(AF_INET6, &v6.sin6_addr, text.data(), text.size());
    return "[" + std::string(text.data()) + "]:" + std::to_string(ntohs(v6.sin6_port));
  }
  const auto& v4 = reinterpret_cast<const sockaddr_in&>(bound);
  inet_ntop(AF_INET, &v4.sin_addr, text.data(), text.size());
  return std::string(text.data()) + ":" + std::to_string(ntohs(v4.sin_port));
}

// A listening socket on one address; invalid, with errno, when it failed.
UniqueFd ListenOn(const addrinfo& address) {
  UniqueFd fd(socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol));
  const int on = 1;
  // A restarted emulator takes its port again at once, also while the last
  // connection's closing is still timed by the system.
  if (!fd.valid() || setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      bind(fd.get(), address.ai_addr, address.ai_addrlen) != 0 || listen(fd.get(), kBacklog) != 0) {
    const int error = errno;
    fd.reset();
    errno = error;
  }
  return fd;
}

}  // namespace

std::optional<ListenAddress> ParseListenAddress(std::string_view text) {
  ListenAddress address;
  std::string_view port = text;
  if (text.starts_with('[')) {
    const std::size_t close = text.find("]:");
    if (close == std::string_view::npos || close == 1) return std::nullopt;
    address.host = text.substr(1, close - 1);
    port = text.substr(close + 2);
  } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
    // An IPv6 address without brackets would be split at its last colon.
    if (colon == 0 || text.substr(0, colon).find(':') != std::string_view::npos) return std::nullopt;
    address.host = text.substr(0, colon);
    port = text.substr(colon + 1);
  }
  const auto number = ParsePort(port);
  if (!number) return std::nullopt;
  address.port = *number;
  return address;
}

bool NetworkListener::open(const ListenAddress& address, std::string& error) {
  const std::string where = address.host + " port " + std::to_string(address.port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (const int failure = getaddrinfo(address.host.c_str(), std::to_string(address.port).c_str(), &hints, &found);
      failure != 0) {
    error = "cannot listen on " + where + " - " + gai_strerror(failure);
    return false;
  }
  errno = EADDRNOTAVAIL;
  for (const addrinfo* a = found; a != nullptr && !fd_.valid(); a = a->ai_next) fd_ = ListenOn(*a);
  const int failure = errno;
  freeaddrinfo(found);
  sockaddr_storage bound{};
  socklen_t size = sizeof bound;
  if (fd_.valid() && getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&bound), &size) == 0) {
    hostPort_ = HostPortOf(bound);
    return true;
  }
  errno = fd_.valid() ? errno : failure;
  error = SystemErrorText("listening on " + where);
  fd_.reset();
  return false;
}

UniqueFd NetworkListener::accept(std::string& error) const {
  UniqueFd connection(accept4(fd_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
  if (!connection.valid()) {
    const int failure = errno;
    if (std::find(std::begin(kPassingAcceptErrors), std::end(kPassingAcceptErrors), failure) ==
        std::end(kPassingAcceptErrors)) {
      error = SystemErrorText("accept");
    }
    return connection;
  }
  const int on = 1;
  if (setsockopt(connection.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0) {
    error = SystemErrorText("setting TCP_NODELAY");
    connection.reset();
  }
  return connection;
}

}  // namespace emulator
