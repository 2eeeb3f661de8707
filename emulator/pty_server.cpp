#include "pty_server.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <utility>

#include "emulator_announcements.h"
#include "system_error_text.h"

namespace emulator {

namespace {

// How long a byte waits for room when nobody reads the device; then it is
// dropped, as a serial line drops what its receiver does not take.
constexpr auto kStalledReaderLimit = std::chrono::seconds(1);

}  // namespace

EmulatorServer::EmulatorServer(Options options) : options_(std::move(options)), controller_(options_) {}

EmulatorServer::~EmulatorServer() { stop(); }

bool EmulatorServer::start() {
  if (started_) return refuse("the emulator was started before");
  started_ = true;
  std::string problem;
  auto pty = OpenPseudoTerminal(problem);
  if (!pty) return refuse(problem);
  if (!stop_.open(problem)) return refuse(problem);
  pty_ = std::move(*pty);
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
    stop_.raise();
    thread_.join();
  }
  pty_ = PseudoTerminal{};
  stop_.close();
}

bool EmulatorServer::serving() const { return thread_.joinable() && !failed_; }

std::string EmulatorServer::error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

void EmulatorServer::fail(const std::string& operation) {
  std::lock_guard lock(mutex_);
  error_ = SystemErrorText(operation);
  failed_ = true;
}

void EmulatorServer::serve() {
  std::array<uint8_t, 256> chunk{};
  for (;;) {
    if (!controller_.deliverDue(*this)) return;
    const int timeout = controller_.holding() ? PollTimeout(controller_.due()) : -1;
    std::array<pollfd, 2> fds{{{pty_.master.get(), POLLIN, 0}, {stop_.readFd(), POLLIN, 0}}};
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
      if (!controller_.hear(chunk[static_cast<std::size_t>(i)], ready, *this)) return;
    }
  }
}

bool EmulatorServer::deliver(const std::vector<uint8_t>& bytes) {
  switch (stop_.writeWithin(pty_.master.get(), bytes, kStalledReaderLimit, ::write)) {
    case WriteOutcome::kWritten:
    case WriteOutcome::kDropped:
      return true;
    case WriteOutcome::kStopped:
      return false;
    case WriteOutcome::kFailed:
      break;
  }
  fail("write to " + devicePath_);
  return false;
}

// False when a stop was asked for (or waiting failed).
bool EmulatorServer::waitUntil(Clock::time_point deadline) {
  switch (stop_.sleepUntil(deadline)) {
    case WaitOutcome::kReached:
      return true;
    case WaitOutcome::kStopped:
      return false;
    case WaitOutcome::kFailed:
      break;
  }
  fail("poll");
  return false;
}

}  // namespace emulator
