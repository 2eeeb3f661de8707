#include "emulator_test_support.h"

#include <fcntl.h>
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

bool Terminal::write(const Bytes& bytes) {
  return ::write(fd_.get(), bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

Bytes Terminal::read(std::size_t count, std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  Bytes got;
  while (got.size() < count) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    pollfd p{fd_.get(), POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    uint8_t chunk[64];
    const ssize_t n = ::read(fd_.get(), chunk, std::min(sizeof chunk, count - got.size()));
    if (n > 0) {
      got.insert(got.end(), chunk, chunk + n);
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      break;  // the device went away
    }
  }
  return got;
}

Bytes Terminal::readPiece(std::chrono::milliseconds timeout) {
  pollfd p{fd_.get(), POLLIN, 0};
  if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) return {};
  uint8_t chunk[256];
  const ssize_t n = ::read(fd_.get(), chunk, sizeof chunk);
  return n > 0 ? Bytes(chunk, chunk + n) : Bytes{};
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
