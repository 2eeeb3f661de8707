// Starts a program on the X display named by DISPLAY and prints one line,
// "MILLISECONDS KILOBYTES": the time from its start until its first top-level
// window is mapped, and its peak resident memory a second later; then ends it
// with SIGTERM (SIGKILL when it does not end). The display should be a private
// one: the first window anyone maps there is taken for the program's.
//
// Usage: first_window PROGRAM [ARGUMENT...]
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A cold start of a Qt program takes well under this on any machine.
constexpr std::chrono::seconds kMapTimeout{30};
// Long enough for the first paint and what a program sets up after it.
constexpr milliseconds kSettleTime{1000};
constexpr std::chrono::seconds kEndTimeout{5};
constexpr milliseconds kWaitSlice{10};

enum class MapOutcome { kMapped, kEnded, kTimeout, kFailed };

// One started program; ended and reaped by its destructor at the latest.
class Child {
 public:
  explicit Child(char** argv) {
    pid_ = fork();
    if (pid_ != 0) return;
    // The caller's standard output carries the figures only.
    if (dup2(STDERR_FILENO, STDOUT_FILENO) < 0) _exit(126);
    execvp(argv[0], argv);
    std::fprintf(stderr, "first_window: cannot start %s: %s\n", argv[0], std::strerror(errno));
    _exit(127);
  }
  ~Child() { end(); }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  // True once the program has ended (it is then reaped).
  bool ended() {
    if (reaped_) return true;
    const pid_t got = waitpid(pid_, nullptr, WNOHANG);
    reaped_ = got == pid_ || (got < 0 && errno == ECHILD);
    return reaped_;
  }

  // SIGTERM, and SIGKILL when that does not end it in time; true when it ended.
  bool end() {
    if (!started() || ended()) return true;
    for (const int signal : {SIGTERM, SIGKILL}) {
      if (kill(pid_, signal) != 0 && errno != ESRCH) return false;
      const auto deadline = Clock::now() + kEndTimeout;
      while (!ended() && Clock::now() < deadline) std::this_thread::sleep_for(kWaitSlice);
      if (reaped_) return true;
    }
    return false;
  }

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
};

// Waits for the first top-level window mapped on the display (not a menu or
// tooltip, which bypass the window manager).
MapOutcome AwaitFirstMap(Display* display, Child& child, Clock::time_point deadline) {
  const Window root = DefaultRootWindow(display);
  for (;;) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MapNotify && event.xmap.event == root && !event.xmap.override_redirect) {
        return MapOutcome::kMapped;
      }
    }
    if (child.ended()) return MapOutcome::kEnded;
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
    if (left <= milliseconds::zero()) return MapOutcome::kTimeout;
    pollfd entry{ConnectionNumber(display), POLLIN, 0};
    if (poll(&entry, 1, static_cast<int>(std::min(left, kWaitSlice).count())) < 0 && errno != EINTR) {
      return MapOutcome::kFailed;
    }
  }
}

// The process's peak resident set in kilobytes; -1 when it cannot be read.
long PeakResidentKilobytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

int Fail(const char* what) {
  std::fprintf(stderr, "first_window: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Fail("usage: first_window PROGRAM [ARGUMENT...]");
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return Fail("cannot open the X display named by DISPLAY");
  // The program must not inherit this connection.
  if (fcntl(ConnectionNumber(display), F_SETFD, FD_CLOEXEC) != 0) return Fail("cannot mark the X connection");
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, True);

  const auto start = Clock::now();
  Child child(argv + 1);
  if (!child.started()) return Fail("cannot fork");
  const MapOutcome outcome = AwaitFirstMap(display, child, start + kMapTimeout);
  const std::chrono::duration<double, std::milli> toMap = Clock::now() - start;
  XCloseDisplay(display);
  switch (outcome) {
    case MapOutcome::kMapped: break;
    case MapOutcome::kEnded: return Fail("the program ended before it showed a window");
    case MapOutcome::kTimeout: return Fail("the program showed no window in time");
    case MapOutcome::kFailed: return Fail("waiting on the X connection failed");
  }

  std::this_thread::sleep_for(kSettleTime);
  if (child.ended()) return Fail("the program ended on its own");
  const long peak = PeakResidentKilobytes(child.pid());
  if (!child.end()) return Fail("the program did not end");
  if (peak < 0) return Fail("cannot read the program's peak memory");
  std::printf("%.1f %ld\n", toMap.count(), peak);
  return 0;
}
