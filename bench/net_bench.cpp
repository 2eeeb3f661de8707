// A controller behind ser2net on loopback, at 300 baud: the open of an
// rfc2217:// address (connection, negotiation, line settings and the on-line
// byte), status queries through it against the line time of their bytes,
// and a korvel-ctl burn-in through it against the line's maximum query rate.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ctl_process.h"
#include "device_server.h"
#include "line_timing.h"
#include "port_setup.h"
#include "pty_server.h"
#include "serial_state.h"
#include "status_length.h"
#include "transaction.h"

namespace {

using Seconds = std::chrono::duration<double>;
constexpr int kRuns = 5;

bool OpenTimes(const std::string& address) {
  Seconds longest{};
  for (int run = 0; run < kRuns; ++run) {
    std::strcpy(bsdPath, address.c_str());
    const auto start = std::chrono::steady_clock::now();
    const bool onLine = OpenPort() >= 0 && InitializeModem(fileDescriptor) == 1;
    longest = std::max<Seconds>(longest, std::chrono::steady_clock::now() - start);
    ClosePort();
    if (!onLine) return false;
  }
  std::printf("%-34s %.3f s, longest of %d  (target <= 0.5 s)\n", "open of rfc2217:// with on-line byte",
              longest.count(), kRuns);
  return longest <= Seconds(0.5);
}

bool StatusCycles(const std::string& address) {
  SetStatusReplyLengthHook(StatusReplyLength);
  std::strcpy(bsdPath, address.c_str());
  if (OpenPort() < 0 || InitializeModem(fileDescriptor) != 1) return false;
  Seconds wall{};
  Seconds line{};
  for (int run = 0; run < kRuns; ++run) {
    mycomm[0] = 0xCC;
    mycomm[1] = 0x0A;
    const auto start = std::chrono::steady_clock::now();
    const int32_t count = Communicate(1, 3);
    wall += std::chrono::steady_clock::now() - start;
    if (count <= 0 || lineExchange.cutShort) return false;
    line += (1 + count) * Seconds(kCharacterTime);
  }
  ClosePort();
  const double ratio = wall / line;
  std::printf("%-34s wall/line = %.3f  (target <= 1.20)\n", "status query through ser2net", ratio);
  return ratio <= 1.20;
}


bool BurnIn(const std::string& address, int statusReplyBytes) {
  constexpr int kQueries = 100;
  const CtlProcess run = RunKorvelCtl({"--port", address, "--repeat", std::to_string(kQueries), "status"});
  const Seconds wall = run.wall;
  const int status = run.status;
  const double perMinute = kQueries / (wall.count() / 60.0);
  const double lineMaximum = 60.0 / ((1 + statusReplyBytes) * Seconds(kCharacterTime).count());
  const double share = perMinute / lineMaximum;
  std::printf("%-34s %.1f queries/min of %.1f: %.3f  (target >= 0.9)\n", "korvel-ctl burn-in through ser2net",
              perMinute, lineMaximum, share);
  return status == 0 && share >= 0.9;
}

}  // namespace

int main() {
  emulator::EmulatorServer::Options options;
  options.variant = emulator::Variant::kTriad;
  options.announce = false;
  emulator::EmulatorServer controller(options);
  if (!controller.start()) {
    std::printf("cannot start the emulator: %s\n", controller.error().c_str());
    return 1;
  }
  DeviceServer server(DeviceServer::Kind::kSer2net, controller.devicePath());
  if (!server.ready()) {
    std::printf("ser2net did not start\n");
    return 1;
  }
  ResetSerialState();
  bool met = OpenTimes(server.rfc2217());
  met = StatusCycles(server.rfc2217()) && met;
  const int replyBytes = lineExchange.replyLength - 1;
  met = BurnIn(server.rfc2217(), replyBytes) && met;
  return met ? 0 : 1;
}
