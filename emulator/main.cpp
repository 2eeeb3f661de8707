// korvel-emulator: serves one emulated controller (or --count of them) on
// pseudo-terminals, or one on the network with --listen, until SIGINT, SIGTERM
// or SIGHUP. Each device path (or the network address) is a line on standard
// output.
#include <signal.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "command_line.h"
#include "device_link.h"
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

using Servers = std::vector<std::unique_ptr<emulator::EmulatorServer>>;
using Links = std::vector<std::unique_ptr<emulator::DeviceLink>>;

// Starts controllers 1 to options.count, each linked when asked; on a failure
// stops those started, removes their links and says why.
bool StartDevices(const emulator::EmulatorOptions& options, Servers& servers, Links& links, std::string& notices) {
  for (int index = 1; index <= options.count; ++index) {
    servers.push_back(std::make_unique<emulator::EmulatorServer>(emulator::ControllerOptions(options, index)));
    emulator::EmulatorServer& server = *servers.back();
    links.push_back(std::make_unique<emulator::DeviceLink>());
    std::string problem;
    const bool started = server.start();
    if (!started) problem = server.error();
    if (started && !options.link.empty()) {
      links.back()->make(emulator::LinkPath(options.link, index, options.count), server.devicePath(), problem);
    }
    if (!problem.empty()) {
      std::cerr << "korvel-emulator: " << problem << '\n';
      for (auto& link : links) link->remove();
      for (auto& made : servers) made->stop();
      return false;
    }
    if (options.announce && server.announcement().empty()) {
      notices += "korvel-emulator: not announcing " + server.devicePath() + " to port searches - " +
                 server.notAnnouncedBecause() + "\n";
    }
  }
  return true;
}

int ServeDevices(const emulator::EmulatorOptions& options, const sigset_t& signals, const std::string& startLine) {
  Servers servers;
  Links links;
  std::string line = startLine;
  if (!StartDevices(options, servers, links, line)) return 1;
  std::string paths;
  for (const auto& server : servers) paths += server->devicePath() + (server == servers.back() ? "" : "\n");
  std::cerr << line << std::flush;
  std::cout << paths << std::endl;
  const bool stopped = emulator::WaitForStopSignal(signals, servers);
  std::string problem;
  for (const auto& server : servers) {
    if (problem.empty() && !server->serving()) problem = server->error();
    server->stop();
  }
  for (auto& link : links) link->remove();
  if (stopped) return 0;
  std::cerr << "korvel-emulator: " << problem << '\n';
  return 1;
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
  return options.listen ? ServeNetwork(options, signals, startLine) : ServeDevices(options, signals, startLine);
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
