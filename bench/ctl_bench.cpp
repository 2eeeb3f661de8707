// korvel-ctl as a whole process against the emulated controller at 300 baud:
// `korvel-ctl status` from process start to exit (search, open and on-line
// check included) over the line time of the on-line check and the status
// exchange, per variant; then a burn-in of 200 status queries, its throughput
// as a share of what the line allows, and its CPU time over its wall time;
// then a burn-in of moves against modelled move times, and its memory over a
// long unpaced run; last, a whole check of a Triad against modelled move
// times.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "controller_model.h"
#include "ctl_process.h"
#include "move_timing.h"
#include "line_timing.h"
#include "pty_server.h"

namespace {

using Seconds = std::chrono::duration<double>;
using emulator::Variant;

// korvel-ctl with its standard error kept (the --verbose log).
CtlProcess Run(const std::vector<std::string>& words) { return RunKorvelCtl(words, true); }

// Reply bytes in a --verbose log: one echo line each.
int EchoLines(const std::string& log) {
  int lines = 0;
  std::size_t at = 0;
  while ((at = log.find("       0x", at)) != std::string::npos) {
    ++lines;
    at = log.find('\n', at);
  }
  return lines;
}

// What the controller sends for the on-line byte: its echo, and a closing byte.
int OnLineReplyBytes(Variant variant) {
  emulator::ControllerModel model(emulator::ControllerSetup{variant});
  const emulator::Reply reply = model.feed(0xEE);
  return 1 + static_cast<int>(reply.answer.size()) + (reply.closes ? 1 : 0);
}

std::unique_ptr<emulator::EmulatorServer> Serve(Variant variant, bool announce) {
  emulator::EmulatorServer::Options options;
  options.variant = variant;
  options.announce = announce;
  auto server = std::make_unique<emulator::EmulatorServer>(options);
  if (!server->start()) return nullptr;
  return server;
}

bool WholeStatus(const char* name, Variant variant) {
  auto server = Serve(variant, true);
  if (!server) return false;
  const CtlProcess p = Run({"--verbose", "status"});
  // The controller received EE and CC; it sent the on-line reply and the
  // status reply.
  const int bytes = 2 + OnLineReplyBytes(variant) + EchoLines(p.err);
  const Seconds line = bytes * Seconds(kCharacterTime);
  const double ratio = p.wall / line;
  std::printf("%-34s wall/line = %.3f  (target <= 1.15)\n", name, ratio);
  return p.status == 0 && ratio <= 1.15;
}

bool BurnIn() {
  constexpr int kRuns = 200;
  auto server = Serve(Variant::kTriad, false);
  if (!server) return false;
  const CtlProcess one = Run({"--port", server->devicePath(), "--verbose", "status"});
  const int queryBytes = 1 + EchoLines(one.err);
  const CtlProcess p = Run({"--port", server->devicePath(), "--repeat", std::to_string(kRuns), "status"});
  const double perMinute = kRuns / (p.wall.count() / 60.0);
  const double lineMaximum = 60.0 / (queryBytes * Seconds(kCharacterTime).count());
  const double share = perMinute / lineMaximum;
  const double cpu = 100.0 * p.cpu / p.wall;
  std::printf("%-34s %.1f queries/min of %.1f: %.3f  (target >= 0.9)\n", "burn-in, 200 status queries", perMinute,
              lineMaximum, share);
  std::printf("%-34s %.2f %% of wall time  (target < 2 %%)\n", "burn-in CPU", cpu);
  return p.status == 0 && share >= 0.9 && cpu < 2.0;
}

// At 300 baud with modelled move times, or unpaced with moves that take no time.
std::unique_ptr<emulator::EmulatorServer> ServeMoves(bool paced) {
  emulator::EmulatorServer::Options options;
  options.variant = Variant::kTriad;
  options.announce = false;
  options.baud = paced ? 300 : 0;
  options.moveTime = std::chrono::milliseconds(paced ? 50 : 0);
  options.positionTime = std::chrono::milliseconds(paced ? 10 : 0);
  auto server = std::make_unique<emulator::EmulatorServer>(options);
  if (!server->start()) return nullptr;
  return server;
}

// A burn-in of 200 moves there and back (wheel A between filters 5 and 0) at
// 300 baud: its wall time over what the line and the modelled moves take,
// and its CPU time over its wall time.
bool MoveBurnIn() {
  constexpr int kRounds = 100;
  auto server = ServeMoves(true);
  if (!server) return false;
  const CtlProcess status = Run({"--port", server->devicePath(), "--verbose", "status"});
  const int statusBytes = 1 + EchoLines(status.err);
  const CtlProcess p = Run({"--port", server->devicePath(), "--repeat", std::to_string(kRounds), "set", "wheelA.filter=5",
                         "wheelA.filter=0"});
  // Each move: its echo and closing byte on the line, then the move of five
  // positions at speed 0; before them the on-line check and the status query.
  const emulator::MoveTimes model{std::chrono::milliseconds(50), std::chrono::milliseconds(10), {}};
  const Seconds move = emulator::ModelledMoveTime(model, emulator::Device::kWheelA, 5, 0, 0);
  const Seconds expected = 2 * kRounds * (2 * Seconds(kCharacterTime) + move) +
                           (1 + OnLineReplyBytes(Variant::kTriad) + statusBytes) * Seconds(kCharacterTime);
  const double ratio = p.wall / expected;
  const double cpu = 100.0 * p.cpu / p.wall;
  std::printf("%-34s wall/(line + moves) = %.3f  (target <= 1.05)\n", "burn-in, 200 moves there and back", ratio);
  std::printf("%-34s %.2f %% of wall time  (target < 2 %%)\n", "move burn-in CPU", cpu);
  return p.status == 0 && ratio <= 1.05 && cpu < 2.0;
}

// Resident memory of a process in KiB, from /proc; -1 when unreadable.
long ResidentKiB(pid_t pid) {
  FILE* status = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
  if (status == nullptr) return -1;
  char line[256];
  long kib = -1;
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::sscanf(line, "VmRSS: %ld", &kib) == 1) break;
  }
  std::fclose(status);
  return kib;
}

// Lines in a file so far.
long LinesIn(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "r");
  if (file == nullptr) return 0;
  long lines = 0;
  for (int c = 0; (c = std::fgetc(file)) != EOF;) lines += c == '\n';
  std::fclose(file);
  return lines;
}

// Waits until the CSV holds `rows` rows; false after a minute.
bool WaitForRows(const std::string& csv, long rows) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (LinesIn(csv) < rows + 1) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    usleep(20'000);
  }
  return true;
}

// Unpaced rounds of two moves with a CSV file and a report: the memory after
// 10,000 rounds beside that after 1,000.
bool MoveBurnInMemory() {
  auto server = ServeMoves(false);
  if (!server) return false;
  char dir[] = "/tmp/korvel-ctl-memory-XXXXXX";
  if (mkdtemp(dir) == nullptr) return false;
  const std::string csv = std::string(dir) + "/rows.csv";
  const std::string report = std::string(dir) + "/report.html";
  std::vector<std::string> words = {"--port", server->devicePath(), "--repeat", "10500", "--csv", csv, "--report",
                                    report, "set", "wheelA.filter=5", "wheelA.filter=0"};
  std::vector<char*> argv;
  std::string program = KORVEL_CTL;
  argv.push_back(program.data());
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) {
    if (freopen("/dev/null", "w", stdout) == nullptr) _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  const bool reached1000 = pid > 0 && WaitForRows(csv, 2 * 1000);
  const long after1000 = ResidentKiB(pid);
  const bool reached10000 = reached1000 && WaitForRows(csv, 2 * 10'000);
  const long after10000 = ResidentKiB(pid);
  int status = -1;
  if (pid > 0) waitpid(pid, &status, 0);
  std::remove(csv.c_str());
  std::remove(report.c_str());
  rmdir(dir);
  const long growth = after10000 - after1000;
  std::printf("%-34s %ld KiB after 1,000 rounds, %ld KiB after 10,000: +%ld KiB  (target <= 1024)\n",
              "move burn-in memory", after1000, after10000, growth);
  return reached10000 && after1000 > 0 && growth <= 1024 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A whole `korvel-ctl check --yes` of a Triad at 300 baud with modelled move
// times: its wall time over what the line and the moves take, and its CPU
// time over its wall time. The bytes the controller received are played
// again through the controller's model: its replies are the line time (the
// bytes sent to it cross the line while it answers the ones before), and its
// move clock gives each command's modelled move.
bool WholeCheck() {
  auto server = ServeMoves(true);
  if (!server) return false;
  const CtlProcess p = Run({"--port", server->devicePath(), "check", "--yes"});
  emulator::ControllerModel model(emulator::ControllerSetup{Variant::kTriad});
  emulator::MoveClock clock({std::chrono::milliseconds(50), std::chrono::milliseconds(10), {}});
  long replyBytes = 0;
  Seconds moves{};
  for (const uint8_t byte : server->received()) {
    const emulator::ControllerState before = model.state();
    const emulator::Reply reply = model.feed(byte);
    replyBytes += 1 + static_cast<long>(reply.answer.size()) + (reply.closes ? 1 : 0);
    if (reply.complete) moves += clock.pauseFor(before, model.state());
  }
  const Seconds line = replyBytes * Seconds(kCharacterTime);
  const double ratio = p.wall / (line + moves);
  const double cpu = 100.0 * p.cpu / p.wall;
  std::printf("%-34s %.1f s, line %.1f s + moves %.1f s: wall/(line + moves) = %.3f  (target <= 1.10)\n",
              "korvel-ctl check, Triad", p.wall.count(), line.count(), moves.count(), ratio);
  std::printf("%-34s %.2f %% of wall time  (target < 2 %%)\n", "check CPU", cpu);
  const bool whole = server->received().size() < emulator::EmulatorServer::kReceivedLogLimit / 2;
  return p.status == 0 && whole && ratio <= 1.10 && cpu < 2.0;
}

}  // namespace

int main() {
  // Announcements go to a directory of this run only, so that the search
  // finds this emulator and no other.
  char dir[] = "/tmp/korvel-ctl-bench-XXXXXX";
  if (mkdtemp(dir) == nullptr || setenv("KORVEL_EMULATOR_DIR", dir, 1) != 0) return 1;
  struct Case {
    const char* name;
    Variant variant;
  };
  const Case cases[] = {{"korvel-ctl status, Triad", Variant::kTriad},
                        {"korvel-ctl status, Duo w/s", Variant::kDuoWheelShutter},
                        {"korvel-ctl status, Duo s/s", Variant::kDuoShutterShutter},
                        {"korvel-ctl status, Mono", Variant::kMono}};
  bool within = true;
  for (const Case& c : cases) within = WholeStatus(c.name, c.variant) && within;
  within = BurnIn() && within;
  within = MoveBurnIn() && within;
  within = MoveBurnInMemory() && within;
  within = WholeCheck() && within;
  rmdir(dir);
  return within ? 0 : 1;
}
