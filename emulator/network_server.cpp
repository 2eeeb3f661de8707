#include "network_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <utility>

#include "system_error_text.h"
#include "telnet_codec.h"

namespace emulator {

namespace {

// How long a byte waits for room when the client reads nothing; then it is
// dropped, as a serial line drops what its receiver does not take.
constexpr auto kStalledReaderLimit = std::chrono::seconds(1);

// The client closed its end (or the connection broke); what it sent before
// is still there to read.
bool PeerHungUp(int fd) {
  pollfd p{fd, POLLRDHUP, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

}  // namespace

NetworkServer::NetworkServer(EmulatorOptions options)
    : options_(std::move(options)), listen_(options_.listen.value_or(ListenAddress{})), controller_(options_) {}

NetworkServer::~NetworkServer() { stop(); }

bool NetworkServer::start() {
  if (started_) return refuse("the emulator was started before");
  started_ = true;
  std::string problem;
  if (!listener_.open(listen_, problem) || !stop_.open(problem)) return refuse(problem);
  address_ = (listen_.rfc2217 ? "rfc2217://" : "tcp://") + listener_.hostPort();
  thread_ = std::thread(&NetworkServer::serve, this);
  return true;
}

void NetworkServer::stop() {
  if (thread_.joinable()) {
    stop_.raise();
    thread_.join();
  }
  dropConnection();
  listener_.close();
  stop_.close();
}

bool NetworkServer::serving() const { return thread_.joinable() && !failed_; }

std::string NetworkServer::error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

ComPortSettings NetworkServer::lineSettings() const {
  std::lock_guard lock(mutex_);
  return settings_;
}

bool NetworkServer::refuse(std::string problem) {
  std::lock_guard lock(mutex_);
  error_ = std::move(problem);
  return false;
}

void NetworkServer::fail(const std::string& problem) {
  std::lock_guard lock(mutex_);
  error_ = problem;
  failed_ = true;
}

void NetworkServer::serve() {
  for (;;) {
    if (!controller_.deliverDue(*this)) return;
    const int timeout = controller_.holding() ? PollTimeout(controller_.due()) : -1;
    std::array<pollfd, 3> fds{{{stop_.readFd(), POLLIN, 0}, {listener_.fd(), POLLIN, 0}, {connection_.get(), POLLIN, 0}}};
    // A descriptor of -1 is not watched.
    if (poll(fds.data(), fds.size(), timeout) < 0) {
      if (errno == EINTR) continue;
      fail(SystemErrorText("poll"));
      return;
    }
    if (fds[0].revents != 0) return;
    // The open connection first: its end lets a waiting one in.
    if (fds[2].revents != 0 && !readConnection()) return;
    if (fds[1].revents != 0 && !takeNewcomer()) return;
  }
}

bool NetworkServer::readConnection() {
  std::array<uint8_t, 256> chunk{};
  const ssize_t count = read(connection_.get(), chunk.data(), chunk.size());
  if (count < 0 && (errno == EINTR || errno == EAGAIN)) return true;
  if (count <= 0) {
    dropConnection();
    return true;
  }
  const Clock::time_point ready = Clock::now();
  std::vector<uint8_t> data;
  std::vector<uint8_t> answers;
  if (telnet_) {
    std::lock_guard lock(mutex_);
    for (ssize_t i = 0; i < count; ++i) telnet_->take(chunk[static_cast<std::size_t>(i)], data, answers);
  } else {
    data.assign(chunk.begin(), chunk.begin() + count);
  }
  // A device server answers its client at once; only the data wait for the line.
  if (!answers.empty() && !sendNow(answers)) return false;
  for (uint8_t byte : data) {
    if (!controller_.hear(byte, ready, *this)) return false;
  }
  return true;
}

// False ends serving.
bool NetworkServer::takeNewcomer() {
  if (!connection_.valid()) {
    std::string problem;
    UniqueFd connection = listener_.accept(problem);
    if (!problem.empty()) fail(problem);
    return problem.empty() && (!connection.valid() || adopt(std::move(connection)));
  }
  // When the open connection's client has gone, the newcomer is let in once
  // what that client sent is read.
  return PeerHungUp(connection_.get()) || refuseNewcomer();
}

bool NetworkServer::refuseNewcomer() {
  std::string problem;
  const UniqueFd newcomer = listener_.accept(problem);
  if (problem.empty()) return true;
  fail(problem);
  return false;
}

bool NetworkServer::adopt(UniqueFd connection) {
  connection_ = std::move(connection);
  telnet_.reset();
  if (!listen_.rfc2217) return true;
  std::vector<uint8_t> greeting;
  {
    std::lock_guard lock(mutex_);
    telnet_.emplace(settings_);
    greeting = telnet_->greeting();
  }
  return sendNow(greeting);
}

void NetworkServer::dropConnection() {
  connection_.reset();
  telnet_.reset();
}

// Bytes for the open connection, if any; a client that went away is no
// failure of the server, which goes on for the next one.
bool NetworkServer::sendNow(const std::vector<uint8_t>& bytes) {
  if (!connection_.valid()) return true;
  switch (stop_.writeWithin(connection_.get(), bytes, kStalledReaderLimit, SendWithoutSignal)) {
    case WriteOutcome::kWritten:
    case WriteOutcome::kDropped:
      return true;
    case WriteOutcome::kStopped:
      return false;
    case WriteOutcome::kFailed:
      break;
  }
  dropConnection();
  return true;
}

bool NetworkServer::deliver(const std::vector<uint8_t>& bytes) {
  if (!telnet_) return sendNow(bytes);
  std::vector<uint8_t> encoded;
  telnet::AppendEscaped(bytes.data(), bytes.size(), encoded);
  return sendNow(encoded);
}

// While a reply is paced, a newcomer is refused as at any other time.
bool NetworkServer::waitUntil(Clock::time_point deadline) {
  while (Clock::now() < deadline) {
    const bool watchListener = connection_.valid() && !PeerHungUp(connection_.get());
    std::array<pollfd, 2> fds{{{stop_.readFd(), POLLIN, 0}, {watchListener ? listener_.fd() : -1, POLLIN, 0}}};
    const int result = poll(fds.data(), fds.size(), PollTimeout(deadline));
    if (result < 0 && errno != EINTR) {
      fail(SystemErrorText("poll"));
      return false;
    }
    if (result <= 0) continue;
    if (fds[0].revents != 0) return false;
    // The open connection's client may have left since this wait began.
    if (!PeerHungUp(connection_.get()) && !refuseNewcomer()) return false;
  }
  return true;
}

}  // namespace emulator
