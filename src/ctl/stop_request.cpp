#include "stop_request.h"

#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <csignal>
#include <thread>

#include "serial_state.h"

namespace {

volatile std::sig_atomic_t gStopSignal = 0;

// The cut-short line, for the handler: its length is 0 while the text changes.
constexpr std::size_t kCutShortSize = 2048;
char gCutShort[kCutShortSize];
volatile std::sig_atomic_t gCutShortLength = 0;

// The file to remove, for the handler: empty (a 0 first) while it changes.
constexpr std::size_t kRemovedSize = 4096;
char gRemoved[kRemovedSize];

// A stop request is noticed within this time during a pause between cycles.
constexpr std::chrono::milliseconds kStopCheckInterval{20};

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

// Only async-signal-safe calls: sigaction, tcsetattr, ioctl, unlink, write and _exit.
void OnStop(int signal) {
  if (signal == SIGPIPE) {
    // Later writes to the broken output fail with EPIPE, and the run ends
    // the ordinary way; a broken output never ends it at once.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, nullptr);
    if (gStopSignal == 0) gStopSignal = signal;
    return;
  }
  if (gStopSignal == 0) {
    gStopSignal = signal;
    return;
  }
  if (fileDescriptor >= 0) {
    tcsetattr(fileDescriptor, TCSANOW, &gOriginalTTYAttrs);
    ioctl(fileDescriptor, TIOCNXCL);
  }
  if (gRemoved[0] != '\0') unlink(gRemoved);
  if (gCutShortLength > 0) {
    // Nothing is left to do when standard error cannot take it; the result
    // is looked at only because fortified builds insist.
    if (write(STDERR_FILENO, gCutShort, static_cast<std::size_t>(gCutShortLength)) < 0) _exit(128 + signal);
  }
  _exit(128 + signal);
}

}  // namespace

std::span<const int> StopSignals() { return kStopSignals; }

bool InstallStopHandlers() {
  struct sigaction action = {};
  action.sa_handler = OnStop;
  sigemptyset(&action.sa_mask);
  // Waits on the line see EINTR and go on waiting; the cycle ends as usual.
  action.sa_flags = SA_RESTART;
  for (const int signal : kStopSignals) {
    if (sigaction(signal, &action, nullptr) != 0) return false;
  }
  return true;
}

bool StopRequested() { return gStopSignal != 0; }

int StopSignal() { return gStopSignal; }

int StoppedStatus() { return 128 + gStopSignal; }

void SleepUnlessStopped(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  while (!StopRequested()) {
    const auto left = end - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, kStopCheckInterval));
  }
}

void SetCutShortLine(const std::string& line) {
  gCutShortLength = 0;
  const std::size_t length = std::min(line.size(), kCutShortSize);
  std::memcpy(gCutShort, line.data(), length);
  if (length > 0 && length == kCutShortSize) gCutShort[length - 1] = '\n';
  gCutShortLength = static_cast<std::sig_atomic_t>(length);
}

void SetRemovedAtSecondSignal(const std::string& path) {
  gRemoved[0] = '\0';
  // A path too long for the buffer is left: better a stray file than another's removed.
  if (path.empty() || path.size() >= kRemovedSize) return;
  std::memcpy(gRemoved + 1, path.data() + 1, path.size() - 1);
  gRemoved[path.size()] = '\0';
  gRemoved[0] = path[0];
}

bool WaitForInputUnlessStopped(int fd) {
  // The stop signals are held back but while ppoll waits, so that one that
  // comes just before the wait still ends it.
  sigset_t held;
  sigset_t before;
  sigemptyset(&held);
  for (const int signal : kStopSignals) sigaddset(&held, signal);
  if (pthread_sigmask(SIG_BLOCK, &held, &before) != 0) return false;
  pollfd wait{fd, POLLIN, 0};
  int ready = 0;
  // A question to the user waits as long as the user takes.
  while (!StopRequested() && ready == 0) {
    ready = ppoll(&wait, 1, nullptr, &before);
    if (ready < 0 && errno == EINTR) ready = 0;
  }
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  return ready > 0 && !StopRequested();
}
