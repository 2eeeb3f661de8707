// Starts a program on the X display named by DISPLAY and prints one line,
// "MILLISECONDS KILOBYTES END_MILLISECONDS": the time from its start until its
// first top-level window is mapped, its peak resident memory a second later,
// and the time from asking that window to close (WM_DELETE_WINDOW, as a
// window manager's close button does) until the program has ended. A program
// that does not end within kEndTimeout is ended with SIGTERM (SIGKILL when
// that fails) and no figures are printed. The display should be a private
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
// tooltip, which bypass the window manager) and names it in mapped.
MapOutcome AwaitFirstMap(Display* display, Child& child, Clock::time_point deadline, Window& mapped) {
  const Window root = DefaultRootWindow(display);
  for (;;) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MapNotify && event.xmap.event == root && !event.xmap.override_redirect) {
        mapped = event.xmap.window;
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

// What a window manager sends when the window's close button is pressed.
bool AskToClose(Display* display, Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  if (XSendEvent(display, window, False, NoEventMask, &event) == 0) return false;
  XSync(display, False);
  return true;
}

bool AwaitEnd(Child& child, Clock::time_point deadline) {
  while (!child.ended()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
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
  Window window = 0;
  const MapOutcome outcome = AwaitFirstMap(display, child, start + kMapTimeout, window);
  const std::chrono::duration<double, std::milli> toMap = Clock::now() - start;
  switch (outcome) {
    case MapOutcome::kMapped: break;
    case MapOutcome::kEnded: return Fail("the program ended before it showed a window");
    case MapOutcome::kTimeout: return Fail("the program showed no window in time");
    case MapOutcome::kFailed: return Fail("waiting on the X connection failed");
  }

  std::this_thread::sleep_for(kSettleTime);
  if (child.ended()) return Fail("the program ended on its own");
  const long peak = PeakResidentKilobytes(child.pid());
  if (peak < 0) return Fail("cannot read the program's peak memory");
  const auto asked = Clock::now();
  if (!AskToClose(display, window)) return Fail("cannot ask the window to close");
  const bool ended = AwaitEnd(child, asked + kEndTimeout);
  const std::chrono::duration<double, std::milli> toEnd = Clock::now() - asked;
  XCloseDisplay(display);
  if (!ended) return Fail("the program did not end when its window was closed");
  std::printf("%.1f %ld %.1f\n", toMap.count(), peak, toEnd.count());
  return 0;
}
