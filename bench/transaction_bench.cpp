// Times status queries and wheel moves against the emulated controller at
// 300 baud: the wall time of each transaction over the line time of the bytes
// exchanged (the command and its reply, one character time each; a byte
// arrives once it has been sent whole), and the console thread's CPU time over
// its wall time. One case hands the bytes on in bursts, as a USB serial
// adapter with its default latency timer of 16 ms does.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "line_timing.h"
#include "thread_cpu_time.h"
#include "port_setup.h"
#include "pty_server.h"
#include "serial_state.h"
#include "transaction.h"

namespace {

using Seconds = std::chrono::duration<double>;
using emulator::EmulatorServer;
using emulator::Variant;

constexpr int kRuns = 5;

struct Case {
  const char* name;
  Variant variant;
  std::vector<unsigned char> command;
  int32_t extraLength;
  std::chrono::milliseconds moveTime;
  std::chrono::milliseconds latencyTimer{};
};

struct Totals {
  Seconds wall{};
  Seconds cpu{};
};

// Runs one case kRuns times; prints its ratio and adds to the totals.
bool Measure(const Case& c, Totals& totals) {
  EmulatorServer::Options options;
  options.variant = c.variant;
  options.moveTime = c.moveTime;
  options.latencyTimer = c.latencyTimer;
  options.announce = false;
  EmulatorServer server(options);
  if (!server.start()) {
    std::printf("cannot start the emulator: %s\n", server.error().c_str());
    return false;
  }
  std::strcpy(bsdPath, server.devicePath().c_str());
  if (OpenPort() < 0 || InitializeModem(fileDescriptor) != 1) {
    std::printf("the emulated controller did not go on line\n");
    return false;
  }
  Seconds wall{};
  Seconds line{};
  for (int run = 0; run < kRuns; ++run) {
    std::memcpy(mycomm, c.command.data(), c.command.size());
    mycomm[c.command.size()] = 0x0A;
    const Seconds cpuBefore = ThreadCpuTime();
    const auto start = std::chrono::steady_clock::now();
    const int32_t count = Communicate(static_cast<int32_t>(c.command.size()), c.extraLength);
    wall += std::chrono::steady_clock::now() - start;
    totals.cpu += ThreadCpuTime() - cpuBefore;
    line += (static_cast<int32_t>(c.command.size()) + count) * kCharacterTime;
  }
  ClosePort();
  totals.wall += wall;
  // An adapter holds the last byte for up to one tick, and the quiet that
  // ends a reply grows by up to one tick with the gaps between its bursts.
  const Seconds allowed = line + kRuns * (kQuietTime + c.moveTime + 2 * c.latencyTimer);
  std::printf("%-28s wall/line = %.3f  (target <= %.3f)\n", c.name, wall / line, allowed / line);
  return wall <= allowed;
}

}  // namespace

int main() {
  const Case cases[] = {
      {"status query, Triad", Variant::kTriad, {0xCC}, 3, {}},
      {"status query, Mono", Variant::kMono, {0xCC}, 3, {}},
      {"wheel move", Variant::kTriad, {0x23}, 0, {}},
      {"wheel move, 300 ms move", Variant::kTriad, {0x45}, 0, std::chrono::milliseconds(300)},
      {"status query, 16 ms bursts", Variant::kTriad, {0xCC}, 3, {}, std::chrono::milliseconds(16)},
  };
  Totals totals;
  bool withinTargets = true;
  for (const Case& c : cases) withinTargets = Measure(c, totals) && withinTargets;
  const double share = 100.0 * totals.cpu / totals.wall;
  std::printf("%-28s %.2f %% of wall time  (target < 2 %%)\n", "console CPU share", share);
  return withinTargets && share < 2.0 ? 0 : 1;
}
