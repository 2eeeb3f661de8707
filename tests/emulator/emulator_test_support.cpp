#include "emulator_test_support.h"

#include <fcntl.h>
#include <netdb.h>
#include <sys/socket.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace emulator {

Bytes Transcript(ControllerModel& model, const Bytes& input) {
  Bytes out;
  for (uint8_t b : input) {
    const Reply reply = model.feed(b);
    out.push_back(reply.echo);
    out.insert(out.end(), reply.answer.begin(), reply.answer.end());
    if (reply.closes) out.push_back(0x0D);
  }
  return out;
}

Bytes StatusReplyAfter(const ControllerSetup& setup, const Bytes& commands) {
  ControllerModel model(setup);
  Transcript(model, commands);
  return Transcript(model, {0xCC});
}

void PrintTo(const ControllerState& s, std::ostream* out) {
  *out << "{wheels";
  for (const WheelSetting& w : s.wheels) *out << " f" << int(w.filter) << "/s" << int(w.speed);
  *out << "; shutters";
  for (const ShutterSetting& sh : s.shutters) {
    *out << " state " << int(sh.state) << " mode " << int(sh.mode) << " steps " << int(sh.steps);
  }
  *out << std::hex << "; ttl " << int(s.ttlIn) << "/" << int(s.ttlOut) << "; closed";
  for (uint8_t b : s.closedTime) *out << ' ' << int(b);
  *out << "; exposure";
  for (uint8_t b : s.exposureTime) *out << ' ' << int(b);
  *out << "; free run " << int(s.freeRun) << std::dec << "; repeat " << s.repeatNumber << '}';
}

Terminal::Terminal(const std::string& devicePath)
    : fd_(open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
  termios attributes{};
  if (fd_.valid() && tcgetattr(fd_.get(), &attributes) == 0) {
    cfmakeraw(&attributes);
    if (tcsetattr(fd_.get(), TCSANOW, &attributes) == 0) return;
  }
  fd_.reset();
}

namespace {

// Up to count bytes from fd within timeout; ended: the far end closed or
// failed, after which nothing more will come.
Bytes ReadWithin(int fd, std::size_t count, std::chrono::milliseconds timeout, bool& ended) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  Bytes got;
  while (got.size() < count && !ended) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    uint8_t chunk[64];
    const ssize_t n = ::read(fd, chunk, std::min(sizeof chunk, count - got.size()));
    if (n > 0) {
      got.insert(got.end(), chunk, chunk + n);
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      ended = true;
    }
  }
  return got;
}

}  // namespace

bool Terminal::write(const Bytes& bytes) {
  return ::write(fd_.get(), bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

Bytes Terminal::read(std::size_t count, std::chrono::milliseconds timeout) {
  bool ended = false;
  return ReadWithin(fd_.get(), count, timeout, ended);
}

Bytes Terminal::readPiece(std::chrono::milliseconds timeout) {
  pollfd p{fd_.get(), POLLIN, 0};
  if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return {};
  uint8_t chunk[256];
  const ssize_t n = ::read(fd_.get(), chunk, sizeof chunk);
  return n > 0 ? Bytes(chunk, chunk + n) : Bytes{};
}

namespace {

// Host and port of "scheme://HOST:PORT", brackets taken off an IPv6 host.
bool SplitAddress(const std::string& address, std::string& host, std::string& port) {
  const std::size_t scheme = address.find("://");
  const std::size_t colon = address.rfind(':');
  if (scheme == std::string::npos || colon <= scheme + 3) return false;
  host = address.substr(scheme + 3, colon - scheme - 3);
  port = address.substr(colon + 1);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  return true;
}

}  // namespace

NetworkClient::NetworkClient(const std::string& address) {
  std::string host;
  std::string port;
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (!SplitAddress(address, host, port) || getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) return;
  fd_.reset(socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (fd_.valid() && connect(fd_.get(), found->ai_addr, found->ai_addrlen) != 0) fd_.reset();
  freeaddrinfo(found);
  if (fd_.valid() && fcntl(fd_.get(), F_SETFL, O_NONBLOCK) != 0) fd_.reset();
}

bool NetworkClient::write(const Bytes& bytes) {
  return send(fd_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

Bytes NetworkClient::read(std::size_t count, std::chrono::milliseconds timeout) {
  if (ended_) return {};
  return ReadWithin(fd_.get(), count, timeout, ended_);
}

bool NetworkClient::endsWithin(std::chrono::milliseconds timeout, Bytes* before) {
  const Bytes got = read(SIZE_MAX, timeout);
  if (before) *before = got;
  return ended_;
}

ScopedAnnouncementDir::ScopedAnnouncementDir() {
  if (const char* old = std::getenv(kVariable)) previous_ = old;
  std::string pattern = (std::filesystem::temp_directory_path() / "korvel-emulator-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  setenv(kVariable, path_.c_str(), 1);
}

ScopedAnnouncementDir::~ScopedAnnouncementDir() {
  if (previous_) {
    setenv(kVariable, previous_->c_str(), 1);
  } else {
    unsetenv(kVariable);
  }
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

bool ScopedAnnouncementDir::isEmpty() const {
  std::error_code error;
  return std::filesystem::is_empty(path_, error) && !error;
}

}  // namespace emulator
