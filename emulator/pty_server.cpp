#include "pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <utility>

#include "emulator_announcements.h"
#include "protocol_codes.h"
#include "system_error_text.h"

namespace emulator {

namespace {

using Clock = LinePacer::Clock;

// How long a byte waits for room when nobody reads the device; then it is
// dropped, as a serial line drops what its receiver does not take.
constexpr auto kStalledReaderLimit = std::chrono::seconds(1);

int PollTimeout(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

ControllerSetup SetupOf(const EmulatorOptions& options) {
  ControllerSetup setup{options.variant, options.notConnected};
  setup.stuck = options.stuck;
  setup.ignoredMode = options.ignoredMode;
  setup.skippedByte = options.skippedByte;
  return setup;
}

MoveTimes MoveTimesOf(const EmulatorOptions& options) {
  return {options.moveTime, options.positionTime, options.wear};
}

}  // namespace

EmulatorServer::EmulatorServer(Options options)
    : options_(std::move(options)),
      pacer_(options_.baud),
      adapter_(options_.latencyTimer, Clock::now()),
      moveClock_(MoveTimesOf(options_)),
      model_(SetupOf(options_)) {}

EmulatorServer::~EmulatorServer() { stop(); }

bool EmulatorServer::start() {
  if (started_) return refuse("the emulator was started before");
  started_ = true;
  std::string problem;
  auto pty = OpenPseudoTerminal(problem);
  if (!pty) return refuse(problem);
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return refuse(SystemErrorText("pipe2"));
  pty_ = std::move(*pty);
  stopRead_.reset(ends[0]);
  stopWrite_.reset(ends[1]);
  devicePath_ = pty_.devicePath;
  if (options_.announce) announcement_ = AnnounceEmulator(devicePath_, &notAnnouncedBecause_);
  thread_ = std::thread(&EmulatorServer::serve, this);
  return true;
}

bool EmulatorServer::refuse(std::string problem) {
  std::lock_guard lock(mutex_);
  error_ = std::move(problem);
  return false;
}

void EmulatorServer::stop() {
  WithdrawEmulator(announcement_);
  announcement_.clear();
  if (thread_.joinable()) {
    const uint8_t wake = 1;
    // The pipe is empty until now and is never read, so the byte stays and
    // every later wait of the serving thread sees it.
    ssize_t written;
    do {
      written = write(stopWrite_.get(), &wake, 1);
    } while (written < 0 && errno == EINTR);
    thread_.join();
  }
  pty_ = PseudoTerminal{};
  stopRead_.reset();
  stopWrite_.reset();
}

bool EmulatorServer::serving() const { return thread_.joinable() && !failed_; }

std::string EmulatorServer::error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

std::vector<uint8_t> EmulatorServer::received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

void EmulatorServer::clearReceived() {
  std::lock_guard lock(mutex_);
  received_.clear();
}

ControllerState EmulatorServer::state() const {
  std::lock_guard lock(mutex_);
  return model_.state();
}

void EmulatorServer::fail(const std::string& operation) {
  std::lock_guard lock(mutex_);
  error_ = SystemErrorText(operation);
  failed_ = true;
}

void EmulatorServer::serve() {
  std::array<uint8_t, 256> chunk{};
  for (;;) {
    // Bytes an adapter holds go on at their tick, also while no command comes.
    if (adapter_.holding() && Clock::now() >= adapter_.due() && !deliverHeld()) return;
    const int timeout = adapter_.holding() ? PollTimeout(adapter_.due()) : -1;
    std::array<pollfd, 2> fds{{{pty_.master.get(), POLLIN, 0}, {stopRead_.get(), POLLIN, 0}}};
    if (poll(fds.data(), fds.size(), timeout) < 0) {
      if (errno == EINTR) continue;
      fail("poll");
      return;
    }
    if (fds[1].revents != 0) return;
    if (fds[0].revents == 0) continue;
    const ssize_t count = read(pty_.master.get(), chunk.data(), chunk.size());
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (count <= 0) {
      if (count == 0) errno = EIO;
      fail("read from " + devicePath_);
      return;
    }
    const Clock::time_point ready = Clock::now();
    for (ssize_t i = 0; i < count; ++i) {
      if (!handle(chunk[static_cast<std::size_t>(i)], ready)) return;
    }
  }
}

bool EmulatorServer::handle(uint8_t byte, Clock::time_point ready) {
  Reply reply;
  ControllerState before;
  ControllerState after;
  {
    std::lock_guard lock(mutex_);
    if (received_.size() >= kReceivedLogLimit) {
      received_.erase(received_.begin(), received_.begin() + kReceivedLogLimit / 2);
    }
    received_.push_back(byte);
    // A controller gone silent hears nothing more and says nothing.
    if (options_.silentAfter > 0 && answered_ >= options_.silentAfter) return true;
    before = model_.state();
    reply = model_.feed(byte);
    after = model_.state();
    if (reply.complete) ++answered_;
  }
  if (!send(reply.echo, ready)) return false;
  if (!reply.complete || (reply.answer.empty() && !reply.closes)) return true;
  pacer_.delay(ready, options_.latency);
  for (uint8_t b : reply.answer) {
    if (!send(b, ready)) return false;
  }
  if (!reply.closes) return true;
  if (reply.wheelMoved) pacer_.delay(ready, moveClock_.pauseFor(before, after));
  return send(code::kClosing, ready);
}

// A byte goes on at once when it has crossed the line, unless an adapter
// holds it for its next tick; what the adapter held before goes first.
bool EmulatorServer::send(uint8_t byte, Clock::time_point ready) {
  const Clock::time_point arrived = pacer_.nextByte(ready);
  if (adapter_.holding() && adapter_.due() < arrived && !deliverHeld()) return false;
  adapter_.hold(byte, arrived);
  return adapter_.due() > arrived || deliverHeld();
}

bool EmulatorServer::deliverHeld() { return sleepUntil(adapter_.due()) && writeBytes(adapter_.take()); }

// False when a stop was asked for (or waiting failed).
bool EmulatorServer::sleepUntil(Clock::time_point deadline) {
  while (Clock::now() < deadline) {
    pollfd stop{stopRead_.get(), POLLIN, 0};
    const int result = poll(&stop, 1, PollTimeout(deadline));
    if (result > 0) return false;
    if (result < 0 && errno != EINTR) {
      fail("poll");
      return false;
    }
  }
  return true;
}

bool EmulatorServer::writeBytes(const std::vector<uint8_t>& bytes) {
  const Clock::time_point giveUp = Clock::now() + kStalledReaderLimit;
  std::size_t done = 0;
  for (;;) {
    const ssize_t written = write(pty_.master.get(), bytes.data() + done, bytes.size() - done);
    if (written > 0) done += static_cast<std::size_t>(written);
    if (done == bytes.size()) return true;
    if (written < 0 && errno != EAGAIN && errno != EINTR) {
      fail("write to " + devicePath_);
      return false;
    }
    if (Clock::now() >= giveUp) return true;
    std::array<pollfd, 2> fds{{{pty_.master.get(), POLLOUT, 0}, {stopRead_.get(), POLLIN, 0}}};
    const int result = poll(fds.data(), fds.size(), PollTimeout(giveUp));
    if (result < 0 && errno != EINTR) {
      fail("poll");
      return false;
    }
    if (result > 0 && fds[1].revents != 0) return false;
  }
}

}  // namespace emulator
