#include "ctl_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <stdexcept>

namespace {

void ClosePipe(int (&ends)[2]) {
  close(ends[0]);
  close(ends[1]);
}

}  // namespace

CtlProcess::CtlProcess(const std::vector<std::string>& arguments, int descriptor3) {
  int out[2];
  int err[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe");
  if (pipe(err) != 0) {
    ClosePipe(out);
    throw std::runtime_error("pipe");
  }
  std::vector<char*> argv;
  std::string program = KORVEL_CTL;
  argv.push_back(program.data());
  std::vector<std::string> copies = arguments;
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    ClosePipe(out);
    ClosePipe(err);
    // dup2 leaves a descriptor that is already 3 as it is, close-on-exec too.
    if (descriptor3 == 3 && fcntl(3, F_SETFD, 0) != 0) _exit(127);
    if (descriptor3 >= 0 && descriptor3 != 3 && dup2(descriptor3, 3) != 3) _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  out_ = out[0];
  err_ = err[0];
  if (pid_ < 0) throw std::runtime_error("fork");
}

CtlProcess::~CtlProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (out_ >= 0) close(out_);
  if (err_ >= 0) close(err_);
}

bool CtlProcess::ReadSome(std::chrono::steady_clock::time_point deadline) {
  pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) return false;
  if (poll(fds, 2, static_cast<int>(left.count())) <= 0) return false;
  bool open = false;
  for (int i = 0; i < 2; ++i) {
    int& fd = i == 0 ? out_ : err_;
    if (fd < 0) continue;
    if (fds[i].revents == 0) {
      open = true;
      continue;
    }
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      (i == 0 ? run_.out : run_.err).append(buffer, static_cast<std::size_t>(n));
      open = true;
    } else {
      close(fd);
      fd = -1;
    }
  }
  return open;
}

const std::string& CtlProcess::ReadOut(std::chrono::milliseconds timeout) {
  ReadSome(std::chrono::steady_clock::now() + timeout);
  return run_.out;
}

CtlRun CtlProcess::Finish(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while ((out_ >= 0 || err_ >= 0) && ReadSome(deadline)) {
  }
  if (out_ >= 0 || err_ >= 0) return run_;  // still running: the destructor kills it
  int status = 0;
  if (waitpid(pid_, &status, 0) == pid_) {
    pid_ = -1;
    run_.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  return run_;
}

CtlRun RunCtl(const std::vector<std::string>& arguments) { return CtlProcess(arguments).Finish(); }

std::string TimesHidden(const std::string& text) {
  static const std::regex kJsonTime(R"re("(echo_ms|reply_ms)":[0-9.]+)re");
  static const std::regex kTimeLine(R"(time: echo -?[0-9.]+ s, reply [0-9.]+ s\n)");
  return std::regex_replace(std::regex_replace(text, kJsonTime, "\"$1\":#"), kTimeLine, "time: #\n");
}
