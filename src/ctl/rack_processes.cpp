#include "rack_processes.h"

#include <QJsonDocument>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "controller_arguments.h"
#include "setting_tables.h"
#include "stop_request.h"

namespace {

using Clock = std::chrono::steady_clock;

// The loop wakes at least this often: a stop is passed on and the progress
// lines redrawn within it.
constexpr int kTurnMs = 200;
// A controller's report section is its longest record: a few megabytes (its
// charts are one per setting or wheel, its failures bounded). A longer line
// is no record of ours and is dropped.
constexpr std::size_t kMaxRecordLine = 16u << 20;
// A line of a controller's own words longer than this is passed on in pieces.
constexpr std::size_t kMaxWordsLine = 4096;
// What a process that ended left in its pipes is read for at most this
// long: a process it started could hold them open.
constexpr auto kDrainAfterEnd = std::chrono::seconds(2);
constexpr std::size_t kReadChunk = 64 * 1024;

enum Stream { kOut, kErr, kRecords, kStreams };
// Where each stream is in a controller's process: its standard output and
// error, and the records' descriptor.
constexpr int kChildFd[kStreams] = {STDOUT_FILENO, STDERR_FILENO, kControllerRecordFd};

struct Controller {
  pid_t pid = -1;
  int fds[kStreams] = {-1, -1, -1};  // read ends; -1 once at their end
  std::string pending[kStreams];     // the line not yet whole
  bool droppingRecord = false;       // a record over kMaxRecordLine is being skipped
  bool reaped = false;
  Clock::time_point started;
  Clock::time_point ended;
};

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// Only async-signal-safe calls from here to the exec.
[[noreturn]] void Fail(const char* what) {
  const char prefix[] = "korvel-ctl: a controller's process could not start: ";
  // Nothing is left to do when standard error cannot take it.
  if (write(STDERR_FILENO, prefix, sizeof prefix - 1) >= 0 && write(STDERR_FILENO, what, strlen(what)) >= 0) {
    if (write(STDERR_FILENO, "\n", 1) < 0) _exit(kExitUsage);
  }
  _exit(kExitUsage);
}

// Every descriptor above the records'; one by one up to the process's limit
// where the kernel has no close_range (before Linux 5.9); there most are not
// open, and close's EBADF says only that.
void CloseTheRest() {
  if (close_range(kControllerRecordFd + 1, ~0U, 0) == 0) return;
  rlimit open{};
  if (getrlimit(RLIMIT_NOFILE, &open) != 0) Fail("getrlimit");
  for (rlim_t fd = kControllerRecordFd + 1; fd < open.rlim_cur && fd < (1u << 20); ++fd) close(static_cast<int>(fd));
}

// The child between fork and exec: its own process group, SIGTERM when the
// parent dies, the stop signals as a new process has them, standard input
// from /dev/null, the pipes at 1, 2 and 3 and no other descriptor.
[[noreturn]] void BecomeController(const int (&writeEnds)[kStreams], char* const* argv, pid_t parent) {
  if (setpgid(0, 0) != 0) Fail("setpgid");
  struct sigaction standard = {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  for (const int signal : StopSignals()) {
    if (sigaction(signal, &standard, nullptr) != 0) Fail("sigaction");
  }
  sigset_t none;
  sigemptyset(&none);
  if (sigprocmask(SIG_SETMASK, &none, nullptr) != 0) Fail("sigprocmask");
  if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0) Fail("prctl");
  if (getppid() != parent) _exit(128 + SIGTERM);
  const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (null < 0) Fail("/dev/null");
  // Above the targets first, so that no source is overwritten before it is moved.
  const int sources[] = {null, writeEnds[kOut], writeEnds[kErr], writeEnds[kRecords]};
  const int targets[] = {STDIN_FILENO, kChildFd[kOut], kChildFd[kErr], kChildFd[kRecords]};
  int high[4];
  for (int i = 0; i < 4; ++i) {
    high[i] = fcntl(sources[i], F_DUPFD_CLOEXEC, 10);
    if (high[i] < 0) Fail("fcntl");
  }
  for (int i = 0; i < 4; ++i) {
    if (dup2(high[i], targets[i]) < 0) Fail("dup2");
  }
  CloseTheRest();
  execv("/proc/self/exe", argv);
  Fail("exec of /proc/self/exe");
}

// Blocks the stop signals while it lives: a fork's child must not run this
// process's handlers, which end it and remove the report's temporary file.
class StopSignalsHeld {
 public:
  StopSignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : StopSignals()) sigaddset(&held, signal);
    error_ = pthread_sigmask(SIG_BLOCK, &held, &before_);
  }
  ~StopSignalsHeld() {
    if (error_ == 0) pthread_sigmask(SIG_SETMASK, &before_, nullptr);
  }
  StopSignalsHeld(const StopSignalsHeld&) = delete;
  StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;
  // 0 when held, else the error number.
  int error() const { return error_; }

 private:
  sigset_t before_{};
  int error_ = 0;
};

std::string ErrorWords(const char* what, int error) { return std::string(what) + " failed: " + std::strerror(error); }

std::string ErrnoWords(const char* what) { return ErrorWords(what, errno); }

// Forks and execs one controller's process; empty when it started, else why not.
std::string Start(Controller& c, const std::vector<std::string>& commandLine) {
  std::vector<char*> argv;
  for (const std::string& word : commandLine) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  int writeEnds[kStreams] = {-1, -1, -1};
  for (int s = 0; s < kStreams; ++s) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
      const std::string why = ErrnoWords("pipe2");
      for (int k = 0; k < s; ++k) CloseFd(writeEnds[k]), CloseFd(c.fds[k]);
      return why;
    }
    c.fds[s] = ends[0];
    writeEnds[s] = ends[1];
  }
  const pid_t parent = getpid();
  const StopSignalsHeld held;
  c.started = Clock::now();
  c.pid = held.error() == 0 ? fork() : -1;
  if (c.pid == 0) BecomeController(writeEnds, argv.data(), parent);
  const std::string why = held.error() == 0 ? ErrnoWords("fork") : ErrorWords("pthread_sigmask", held.error());
  for (int& fd : writeEnds) CloseFd(fd);
  if (c.pid < 0) {
    for (int& fd : c.fds) CloseFd(fd);
    return why;
  }
  // Also here, so that a Ctrl-C right after the fork reaches the parent
  // only. Its failure leaves the child's own setpgid, which Fail reports:
  // EACCES when the child has run its exec already, ESRCH when it has ended.
  const int grouped = setpgid(c.pid, c.pid);
  static_cast<void>(grouped);
  for (const int fd : c.fds) {
    const int flags = fcntl(fd, F_GETFL);
    // A read end left blocking is still read only when poll says it has something.
    if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  }
  return {};
}

class Loop {
 public:
  Loop(std::vector<Controller>& controllers, std::vector<ControllerEnd>& ends, RackListener& listener)
      : c_(controllers), ends_(ends), listener_(listener) {}

  void run() {
    bool forwarded = false;
    while (!allDone()) {
      if (StopRequested() && !forwarded) {
        forward(StopSignal());
        forwarded = true;
      }
      waitAndRead();
      reap();
      dropLeftovers();
      listener_.turned();
    }
  }

 private:
  bool allDone() const {
    for (const Controller& c : c_) {
      if (!c.reaped || c.fds[kOut] >= 0 || c.fds[kErr] >= 0 || c.fds[kRecords] >= 0) return false;
    }
    return true;
  }

  void forward(int signal) {
    for (const Controller& c : c_) {
      // ESRCH: it has just ended; it is reaped below.
      if (!c.reaped && c.pid > 0 && kill(c.pid, signal) != 0 && errno != ESRCH) {
        listener_.said(static_cast<std::size_t>(&c - c_.data()), "korvel-ctl: the stop could not be passed on: " +
                                                                      std::string(std::strerror(errno)));
      }
    }
  }

  void waitAndRead() {
    std::vector<pollfd> waits;
    std::vector<std::pair<std::size_t, int>> owners;
    for (std::size_t i = 0; i < c_.size(); ++i) {
      for (int s = 0; s < kStreams; ++s) {
        if (c_[i].fds[s] < 0) continue;
        waits.push_back({c_[i].fds[s], POLLIN, 0});
        owners.emplace_back(i, s);
      }
    }
    const int ready = poll(waits.data(), waits.size(), kTurnMs);
    if (ready < 0) {
      // EINTR: a stop signal, passed on at the next turn. Anything else
      // (ENOMEM) is waited out for a turn rather than spun on.
      if (errno != EINTR) usleep(kTurnMs * 1000);
      return;
    }
    for (std::size_t k = 0; k < waits.size(); ++k) {
      if (waits[k].revents != 0) readFrom(owners[k].first, owners[k].second);
    }
  }

  void readFrom(std::size_t i, int s) {
    char chunk[kReadChunk];
    const ssize_t got = read(c_[i].fds[s], chunk, sizeof chunk);
    if (got > 0) {
      take(i, s, std::string_view(chunk, static_cast<std::size_t>(got)));
    } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
      finish(i, s);
    }
  }

  void take(std::size_t i, int s, std::string_view data) {
    if (s == kOut) {
      ControllerEnd& end = ends_[i];
      if (end.output.size() + data.size() > kMaxControllerOutput) {
        end.outputCut = true;
      } else {
        end.output.append(data);
      }
      return;
    }
    if (s == kErr) {
      takeWords(i, data);
      return;
    }
    takeRecords(i, data);
  }

  void takeWords(std::size_t i, std::string_view data) {
    std::string& pending = c_[i].pending[kErr];
    pending.append(data);
    std::size_t start = 0;
    for (std::size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n', start)) {
      said(i, pending.substr(start, end - start));
      start = end + 1;
    }
    pending.erase(0, start);
    while (pending.size() > kMaxWordsLine) {
      said(i, pending.substr(0, kMaxWordsLine));
      pending.erase(0, kMaxWordsLine);
    }
  }

  void said(std::size_t i, const std::string& line) {
    if (!line.empty()) ends_[i].lastWords = line;
    listener_.said(i, line);
  }

  void takeRecords(std::size_t i, std::string_view data) {
    Controller& c = c_[i];
    std::string& pending = c.pending[kRecords];
    while (!data.empty()) {
      const std::size_t end = data.find('\n');
      const std::string_view part = data.substr(0, end);
      if (!c.droppingRecord) pending.append(part);
      if (pending.size() > kMaxRecordLine) {
        pending.clear();
        c.droppingRecord = true;
        listener_.said(i, "korvel-ctl: a record of over " + std::to_string(kMaxRecordLine >> 20) +
                              " MiB from this controller's process was dropped");
      }
      if (end == std::string_view::npos) return;
      if (!c.droppingRecord) record(i, pending);
      pending.clear();
      c.droppingRecord = false;
      data.remove_prefix(end + 1);
    }
  }

  void record(std::size_t i, const std::string& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
      listener_.said(i, "korvel-ctl: a record from this controller's process that is no JSON object was dropped");
      return;
    }
    listener_.told(i, document.object());
  }

  // At a stream's end: a last line without its line end is still a line.
  void finish(std::size_t i, int s) {
    Controller& c = c_[i];
    CloseFd(c.fds[s]);
    if (s == kErr && !c.pending[kErr].empty()) said(i, c.pending[kErr]);
    if (s == kRecords && !c.pending[kRecords].empty() && !c.droppingRecord) record(i, c.pending[kRecords]);
    c.pending[s].clear();
  }

  void reap() {
    for (std::size_t i = 0; i < c_.size(); ++i) {
      Controller& c = c_[i];
      if (c.reaped) continue;
      int status = 0;
      const pid_t got = waitpid(c.pid, &status, WNOHANG);
      if (got == 0 || (got < 0 && errno == EINTR)) continue;
      c.reaped = true;
      c.ended = Clock::now();
      ends_[i].seconds = std::chrono::duration<double>(c.ended - c.started).count();
      if (got < 0) {
        ends_[i].lastWords = ErrnoWords("waitpid") + "; how its process ended is not known";
      } else if (WIFSIGNALED(status)) {
        ends_[i].signal = WTERMSIG(status);
      } else {
        ends_[i].exitStatus = WEXITSTATUS(status);
      }
      listener_.ended(i);
    }
  }

  void dropLeftovers() {
    const auto now = Clock::now();
    for (std::size_t i = 0; i < c_.size(); ++i) {
      if (!c_[i].reaped || now - c_[i].ended < kDrainAfterEnd) continue;
      for (int s = 0; s < kStreams; ++s) {
        if (c_[i].fds[s] >= 0) finish(i, s);
      }
    }
  }

  std::vector<Controller>& c_;
  std::vector<ControllerEnd>& ends_;
  RackListener& listener_;
};

}  // namespace

std::vector<ControllerEnd> RunControllers(const std::vector<std::vector<std::string>>& commandLines,
                                          const std::vector<std::string>& ports, RackListener& listener) {
  std::vector<Controller> controllers(commandLines.size());
  std::vector<ControllerEnd> ends(commandLines.size());
  for (std::size_t i = 0; i < commandLines.size(); ++i) {
    ends[i].port = i < ports.size() ? ports[i] : std::string();
    if (const std::string why = Start(controllers[i], commandLines[i]); !why.empty()) {
      ends[i].started = false;
      ends[i].lastWords = "korvel-ctl: its process could not start: " + why;
      controllers[i].reaped = true;
    }
  }
  Loop(controllers, ends, listener).run();
  return ends;
}
