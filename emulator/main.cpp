// korvel-emulator: serves one emulated controller on a pseudo-terminal until
// SIGINT, SIGTERM or SIGHUP. The device path is the one line on standard output.
#include <signal.h>

#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "korvel_version.h"
#include "pty_server.h"
#include "stop_signals.h"

namespace {

int Serve(const emulator::EmulatorOptions& options, const std::string& startLine) {
  sigset_t signals;
  if (!emulator::BlockStopSignals(signals)) {
    std::cerr << "korvel-emulator: cannot block SIGINT, SIGTERM and SIGHUP\n";
    return 1;
  }
  signal(SIGPIPE, SIG_IGN);
  emulator::EmulatorServer server(options);
  if (!server.start()) {
    std::cerr << "korvel-emulator: " << server.error() << '\n';
    return 1;
  }
  std::cerr << startLine << std::flush;
  if (options.announce && server.announcement().empty()) {
    std::cerr << "korvel-emulator: not announcing " << server.devicePath() << " to port searches - "
              << server.notAnnouncedBecause() << '\n';
  }
  std::cout << server.devicePath() << std::endl;
  const bool stopped = emulator::WaitForStopSignal(signals, server);
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
  if (line.help || line.version) {
    std::cout << (line.help ? emulator::UsageText() : std::string("korvel-emulator ") + kKorvelVersion + "\n");
    // An answer that could not be written is a failure.
    return std::cout.flush() ? 0 : 1;
  }
  return Serve(line.options, emulator::StartLine(line, arguments));
}
