// emulator_probe: an emulated controller for the real-window test, with the
// korvel-emulator's options. Prints the device path, serves until SIGTERM or
// SIGINT, then prints what the controller received and whether the device's
// line settings are back to those it had before anyone opened it:
//
//   /dev/pts/7
//   received: EE CC 03
//   line settings: restored
#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command_line.h"
#include "line_settings.h"
#include "pty_server.h"
#include "stop_signals.h"

namespace {

void PrintReceived(const std::vector<uint8_t>& bytes) {
  std::printf("received:");
  for (const uint8_t byte : bytes) std::printf(" %02X", byte);
  std::printf("\n");
}

int Fail(const std::string& problem) {
  std::fprintf(stderr, "emulator_probe: %s\n", problem.c_str());
  return 1;
}

int Probe(const emulator::EmulatorOptions& options) {
  sigset_t signals;
  if (!emulator::BlockStopSignals(signals)) return Fail("cannot block SIGINT and SIGTERM");

  emulator::EmulatorServer server(options);
  if (!server.start()) return Fail(server.error());
  // Held open from before the console's open to after its close, so that the
  // settings can be read whatever the console does to the device.
  const int device = open(server.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  termios before{};
  if (device < 0 || tcgetattr(device, &before) != 0) return Fail(std::string("device: ") + std::strerror(errno));
  std::printf("%s\n", server.devicePath().c_str());
  std::fflush(stdout);

  const bool stopped = emulator::WaitForStopSignal(signals, server);
  termios after{};
  const bool read = tcgetattr(device, &after) == 0;
  const std::string problem = server.error();
  server.stop();
  close(device);
  if (!stopped) return Fail(problem);
  PrintReceived(server.received());
  std::printf("line settings: %s\n", !read ? "unreadable" : SameLineSettings(before, after) ? "restored" : "changed");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const emulator::CommandLine line = emulator::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!line.error.empty() || line.help) {
    std::fprintf(stderr, "%s%s", line.error.empty() ? "" : (line.error + "\n").c_str(), emulator::UsageText().c_str());
    return line.help ? 0 : 2;
  }
  return Probe(line.options);
}
