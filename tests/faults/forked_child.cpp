#include "forked_child.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

void CloseIfOpen(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

ForkedChild::ForkedChild(std::function<int(ForkedChild&)> body) {
  int output[2];
  int go[2];
  if (pipe(output) != 0) return;
  if (pipe(go) != 0) {
    close(output[0]);
    close(output[1]);
    return;
  }
  std::fflush(stdout);
  pid_ = fork();
  if (pid_ == 0) {
    close(output[0]);
    close(go[1]);
    goInChild_ = go[0];
    if (dup2(output[1], STDOUT_FILENO) < 0) _exit(126);
    close(output[1]);
    const int status = body(*this);
    std::fflush(stdout);
    _exit(status);
  }
  close(output[1]);
  close(go[0]);
  fromChild_ = output[0];
  goToChild_ = go[1];
  if (pid_ < 0) {
    CloseIfOpen(fromChild_);
    CloseIfOpen(goToChild_);
  }
}

ForkedChild::~ForkedChild() {
  CloseIfOpen(goToChild_);
  CloseIfOpen(fromChild_);
  if (pid_ > 0 && !reaped_ && waitpid(pid_, nullptr, WNOHANG) == 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool ForkedChild::ReadSome(std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    if (fromChild_ < 0) return false;
    pollfd entry{fromChild_, POLLIN, 0};
    const int ready = poll(&entry, 1, MillisecondsLeft(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    char piece[512];
    const ssize_t got = read(fromChild_, piece, sizeof piece);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      CloseIfOpen(fromChild_);
      return false;
    }
    output_.append(piece, static_cast<std::size_t>(got));
    return true;
  }
}

bool ForkedChild::ReadUntil(const std::string& marker, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (output_.find(marker) == std::string::npos) {
    if (!ReadSome(deadline)) return false;
  }
  return true;
}

void ForkedChild::Go() {
  const char go = 'g';
  if (goToChild_ >= 0 && write(goToChild_, &go, 1) != 1) CloseIfOpen(goToChild_);
}

int ForkedChild::Wait(std::chrono::milliseconds timeout) {
  if (pid_ <= 0 || reaped_) return -1;
  const auto deadline = Clock::now() + timeout;
  // The output ends when the child does.
  while (ReadSome(deadline)) {
  }
  for (;;) {
    int status = 0;
    const pid_t ended = waitpid(pid_, &status, WNOHANG);
    if (ended == pid_) {
      reaped_ = true;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (ended < 0 || Clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool ForkedChild::WaitForGo() {
  char go = 0;
  ssize_t got;
  do {
    got = read(goInChild_, &go, 1);
  } while (got < 0 && errno == EINTR);
  return got == 1;
}
