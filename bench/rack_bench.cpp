// A rack check: `korvel-ctl check --yes` of eight emulated Triads at 300 baud
// with modelled move times, all eight at once, beside a check of one of them
// run alone (the first and the last, the slower taken). The rack's wall time
// over the slowest single check's, and the CPU time of korvel-ctl and its
// controllers' processes together, per controller, over the rack's wall time.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ctl_process.h"

namespace {

using Seconds = std::chrono::duration<double>;

constexpr int kControllers = 8;

// The emulator serving eight Triads, each linked as DIR/triad-N; its pid, or
// -1. Its paths on standard output tell that every controller is served.
pid_t StartEmulator(const std::string& dir) {
  int out[2];
  if (pipe(out) != 0) return -1;
  const std::string count = std::to_string(kControllers);
  const std::string link = dir + "/triad";
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, STDERR_FILENO);
    execl(KORVEL_EMULATOR, KORVEL_EMULATOR, "--count", count.c_str(), "--move-time", "50", "--position-time", "10",
          "--no-announce", "--link", link.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  int lines = 0;
  char c = 0;
  while (lines < kControllers && read(out[0], &c, 1) == 1) lines += c == '\n' ? 1 : 0;
  close(out[0]);
  if (lines == kControllers) return pid;
  if (pid > 0) kill(pid, SIGTERM);
  return -1;
}

std::string PortOf(const std::string& dir, int n) { return dir + "/triad-" + std::to_string(n); }

}  // namespace

int main() {
  char dir[] = "/tmp/korvel-rack-bench-XXXXXX";
  if (mkdtemp(dir) == nullptr) return 1;
  const pid_t emulator = StartEmulator(dir);
  if (emulator < 0) {
    rmdir(dir);
    return 1;
  }
  bool passed = true;
  Seconds slowest{};
  for (const int n : {1, kControllers}) {
    const CtlProcess single = RunKorvelCtl({"--port", PortOf(dir, n), "check", "--yes"});
    passed = passed && single.status == 0;
    if (single.wall > slowest) slowest = single.wall;
  }
  std::vector<std::string> words;
  for (int n = 1; n <= kControllers; ++n) words.insert(words.end(), {"--port", PortOf(dir, n)});
  words.insert(words.end(), {"check", "--yes"});
  const CtlProcess rack = RunKorvelCtl(words);
  kill(emulator, SIGTERM);
  waitpid(emulator, nullptr, 0);
  rmdir(dir);
  const double ratio = rack.wall / slowest;
  const double cpu = 100.0 * rack.cpu / rack.wall / kControllers;
  std::printf("%-34s %.1f s, slowest single check %.1f s: %.3f  (target <= 1.10)\n",
              "rack check, 8 Triads at once", rack.wall.count(), slowest.count(), ratio);
  std::printf("%-34s %.2f %% of a core per controller  (target < 2 %%)\n", "rack check CPU", cpu);
  return passed && rack.status == 0 && ratio <= 1.10 && cpu < 2.0 ? 0 : 1;
}
