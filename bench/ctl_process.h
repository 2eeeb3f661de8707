// korvel-ctl run as a whole process for a bench figure: its wall time, its
// CPU time (its own and that of every process it waited for, as a rack's
// controllers), its exit status, and its standard error when asked for.
// Standard input and output are /dev/null: without a terminal it asks
// nothing and draws no progress lines.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

struct CtlProcess {
  std::chrono::duration<double> wall{};
  std::chrono::duration<double> cpu{};
  std::string err;  // only when kept
  int status = -1;  // -1: it did not exit on its own
};

inline CtlProcess RunKorvelCtl(const std::vector<std::string>& words, bool keepErr = false) {
  CtlProcess p;
  int err[2] = {-1, -1};
  if (keepErr && pipe(err) != 0) return p;
  std::vector<std::string> copies = words;
  std::string program = KORVEL_CTL;
  std::vector<char*> argv = {program.data()};
  for (std::string& w : copies) argv.push_back(w.data());
  argv.push_back(nullptr);
  // The child would write out what this process buffered.
  std::fflush(stdout);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    if (null < 0 || dup2(null, STDIN_FILENO) < 0 || dup2(null, STDOUT_FILENO) < 0 ||
        dup2(keepErr ? err[1] : null, STDERR_FILENO) < 0) {
      _exit(127);
    }
    if (keepErr) close(err[0]);
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (keepErr) {
    close(err[1]);
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(err[0], buffer, sizeof buffer)) > 0) p.err.append(buffer, static_cast<std::size_t>(n));
    close(err[0]);
  }
  int status = 0;
  rusage usage{};
  if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
    p.wall = std::chrono::steady_clock::now() - start;
    p.cpu = std::chrono::duration<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            std::chrono::duration<double>((usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6);
    p.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  return p;
}
