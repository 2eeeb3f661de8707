// Times whole command cycles of the console (the in-memory window driving the
// controller object) against the emulated controller at 300 baud: each
// cycle's wall time over the line time of the bytes it exchanged, and the
// console thread's CPU time over its wall time across 50 cycles.
#include <chrono>
#include <cstdio>
#include <cstring>

#include <algorithm>
#include <memory>

#include "cycle_state.h"
#include "line_timing.h"
#include "thread_cpu_time.h"
#include "memory_window.h"
#include "port_setup.h"
#include "pty_server.h"
#include "serial_state.h"

namespace {

using Seconds = std::chrono::duration<double>;
using emulator::EmulatorServer;
using Model = emulator::Variant;

struct Measured {
  Seconds wall{};
  Seconds line{};
  Seconds cpu{};
  void add(const Measured& other) {
    wall += other.wall;
    line += other.line;
    cpu += other.cpu;
  }
};

// One console with its port open on an emulated controller.
class Console {
 public:
  explicit Console(Model variant) {
    EmulatorServer::Options options;
    options.variant = variant;
    options.announce = false;
    controller_ = std::make_unique<EmulatorServer>(options);
    ResetSerialState();
    ResetCycleState();
    if (!controller_->start()) return;
    std::strcpy(bsdPath, controller_->devicePath().c_str());
    window_.controller.open();
    controller_->clearReceived();
  }
  ~Console() { ClosePort(); }
  bool ready() const { return window_.openField.text == "Port is ready for communication."; }
  MemoryWindow& window() { return window_; }

  // One send action; the line time counts the bytes the controller received
  // and the bytes it answered (each echo line of the log is one reply byte).
  Measured send() {
    const std::size_t logBefore = window_.receivedView.text.size();
    const Seconds cpuBefore = ThreadCpuTime();
    const auto start = std::chrono::steady_clock::now();
    window_.controller.communicate();
    Measured m;
    m.wall = std::chrono::steady_clock::now() - start;
    m.cpu = ThreadCpuTime() - cpuBefore;
    const std::string added = window_.receivedView.text.substr(logBefore);
    const auto echoLines = std::count(added.begin(), added.end(), '\n') - 1;  // the separator
    const auto sent = controller_->received().size();
    controller_->clearReceived();
    m.line = static_cast<double>(sent + echoLines) * kCharacterTime;
    return m;
  }

 private:
  MemoryWindow window_;
  std::unique_ptr<EmulatorServer> controller_;
};

bool Report(const char* name, const Measured& m, Seconds allowance) {
  const double target = (m.line + allowance) / m.line;
  std::printf("%-34s wall/line = %.3f  (target <= %.3f)\n", name, m.wall / m.line, target);
  return m.wall <= m.line + allowance;
}

}  // namespace

int main() {
  struct Case {
    const char* name;
    Model variant;
  };
  const Case variants[] = {{"status query cycle, Triad", Model::kTriad},
                           {"status query cycle, Duo w/s", Model::kDuoWheelShutter},
                           {"status query cycle, Duo s/s", Model::kDuoShutterShutter},
                           {"status query cycle, Mono", Model::kMono}};
  bool within = true;
  Measured all;
  for (const auto& v : variants) {
    Console console(v.variant);
    if (!console.ready()) {
      std::printf("the emulated controller did not go on line\n");
      return 1;
    }
    console.window().otherCommand.choose(1);
    const Measured m = console.send();
    all.add(m);
    within = Report(v.name, m, kQuietTime) && within;
  }

  // 50 cycles on a Triad: status queries and wheel moves, one after the other.
  Console console(Model::kTriad);
  Measured moves;
  Measured fifty;
  for (int cycle = 0; cycle < 50; ++cycle) {
    if (cycle % 2 == 0) {
      console.window().otherCommand.choose(1);
      fifty.add(console.send());
    } else {
      console.window().filterA.choose((cycle / 2) % 10);
      const Measured m = console.send();
      moves.add(m);
      fifty.add(m);
    }
  }
  within = Report("wheel move cycle (25 of them)", moves, 25 * kQuietTime) && within;
  const double share = 100.0 * fifty.cpu / fifty.wall;
  std::printf("%-34s %.2f %% of wall time  (target < 2 %%)\n", "console CPU, 50 cycles", share);
  return within && share < 2.0 ? 0 : 1;
}
