// korvel-emulator: serves one emulated controller on a pseudo-terminal, or on
// the network with --listen, until SIGINT, SIGTERM or SIGHUP. The device path
// (or the network address) is the one line on standard output.
#include <signal.h>

#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "korvel_version.h"
#include "network_server.h"
#include "pty_server.h"
#include "stop_signals.h"

namespace {

// Says what is served, prints where, and serves until a stop signal.
template <class Server>
int ServeUntilStopped(Server& server, const sigset_t& signals, const std::string& startLine,
                      const std::string& where) {
  std::cerr << startLine << std::flush;
  std::cout << where << std::endl;
  const bool stopped = emulator::WaitForStopSignal(signals, server);
  const std::string problem = server.error();
  server.stop();
  if (stopped) return 0;
  std::cerr << "korvel-emulator: " << problem << '\n';
  return 1;
}

int ServeDevice(const emulator::EmulatorOptions& options, const sigset_t& signals, const std::string& startLine) {
  emulator::EmulatorServer server(options);
  if (!server.start()) {
    std::cerr << "korvel-emulator: " << server.error() << '\n';
    return 1;
  }
  std::string line = startLine;
  if (options.announce && server.announcement().empty()) {
    line += "korvel-emulator: not announcing " + server.devicePath() + " to port searches - " +
            server.notAnnouncedBecause() + "\n";
  }
  return ServeUntilStopped(server, signals, line, server.devicePath());
}

// Port searches never open network addresses: nothing is announced.
int ServeNetwork(const emulator::EmulatorOptions& options, const sigset_t& signals, const std::string& startLine) {
  emulator::NetworkServer server(options);
  if (!server.start()) {
    std::cerr << "korvel-emulator: " << server.error() << '\n';
    return 1;
  }
  return ServeUntilStopped(server, signals, startLine, server.address());
}

int Serve(const emulator::EmulatorOptions& options, const std::string& startLine) {
  sigset_t signals;
  if (!emulator::BlockStopSignals(signals)) {
    std::cerr << "korvel-emulator: cannot block SIGINT, SIGTERM and SIGHUP\n";
    return 1;
  }
  signal(SIGPIPE, SIG_IGN);
  return options.listen ? ServeNetwork(options, signals, startLine) : ServeDevice(options, signals, startLine);
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
