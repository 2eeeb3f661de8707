// korvel-emulator: serves one emulated controller on a pseudo-terminal until
// SIGINT or SIGTERM. The device path is the one line on standard output.
#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "pty_server.h"

namespace {

// How often the main thread looks whether serving still goes on.
constexpr long kHealthCheckNs = 200'000'000;

sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

// Waits for a stop signal; false when serving failed first.
bool WaitForStopSignal(const sigset_t& signals, const emulator::EmulatorServer& server) {
  const timespec pause{0, kHealthCheckNs};
  for (;;) {
    if (sigtimedwait(&signals, nullptr, &pause) >= 0) return true;
    if (errno != EAGAIN && errno != EINTR) return false;
    if (!server.serving()) return false;
  }
}

int Serve(const emulator::EmulatorOptions& options) {
  // Blocked before the serving thread starts, so that it inherits the mask
  // and the signals reach only sigtimedwait.
  const sigset_t signals = StopSignals();
  if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) != 0) {
    std::cerr << "korvel-emulator: cannot block SIGINT and SIGTERM\n";
    return 1;
  }
  signal(SIGPIPE, SIG_IGN);
  emulator::EmulatorServer server(options);
  if (!server.start()) {
    std::cerr << "korvel-emulator: " << server.error() << '\n';
    return 1;
  }
  if (options.announce && server.announcement().empty()) {
    std::cerr << "korvel-emulator: could not announce " << server.devicePath() << " to port searches\n";
  }
  std::cout << server.devicePath() << std::endl;
  const bool stopped = WaitForStopSignal(signals, server);
  const std::string problem = server.error();
  server.stop();
  if (stopped) return 0;
  std::cerr << "korvel-emulator: " << problem << '\n';
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const emulator::CommandLine line = emulator::ParseCommandLine(arguments);
  if (!line.error.empty()) {
    std::cerr << "korvel-emulator: " << line.error << '\n' << emulator::UsageText();
    return 2;
  }
  if (line.help) {
    std::cout << emulator::UsageText();
    return 0;
  }
  return Serve(line.options);
}
