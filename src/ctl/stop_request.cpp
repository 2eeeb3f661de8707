#include "stop_request.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <thread>

#include "serial_state.h"

namespace {

volatile std::sig_atomic_t gStopSignal = 0;

// A stop request is noticed within this time during a pause between cycles.
constexpr std::chrono::milliseconds kStopCheckInterval{20};

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

// Only async-signal-safe calls: sigaction, tcsetattr, ioctl and _exit.
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
  _exit(128 + signal);
}

}  // namespace

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
