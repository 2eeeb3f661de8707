#include "pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>

#include <array>
#include <cerrno>

#include "system_error_text.h"

namespace emulator {

namespace {

bool AddFlags(int fd, int getCommand, int setCommand, int flags) {
  const int current = fcntl(fd, getCommand);
  return current >= 0 && fcntl(fd, setCommand, current | flags) == 0;
}

// With the terminal's default echo on, every byte the emulator writes would
// come straight back to it as a command.
bool MakeRaw(int fd) {
  termios attributes{};
  if (tcgetattr(fd, &attributes) != 0) return false;
  cfmakeraw(&attributes);
  attributes.c_cc[VMIN] = 1;
  attributes.c_cc[VTIME] = 0;
  return tcsetattr(fd, TCSANOW, &attributes) == 0;
}

}  // namespace

std::optional<PseudoTerminal> OpenPseudoTerminal(std::string& error) {
  PseudoTerminal pty;
  pty.master = UniqueFd(posix_openpt(O_RDWR | O_NOCTTY));
  if (!pty.master.valid()) {
    error = SystemErrorText("posix_openpt");
    return std::nullopt;
  }
  const int master = pty.master.get();
  if (!AddFlags(master, F_GETFD, F_SETFD, FD_CLOEXEC) || !AddFlags(master, F_GETFL, F_SETFL, O_NONBLOCK)) {
    error = SystemErrorText("fcntl on the pseudo-terminal");
    return std::nullopt;
  }
  if (grantpt(master) != 0 || unlockpt(master) != 0) {
    error = SystemErrorText("grantpt/unlockpt");
    return std::nullopt;
  }
  std::array<char, 256> name{};
  if (const int failure = ptsname_r(master, name.data(), name.size()); failure != 0) {
    errno = failure;
    error = SystemErrorText("ptsname");
    return std::nullopt;
  }
  pty.devicePath = name.data();
  pty.slave = UniqueFd(open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!pty.slave.valid()) {
    error = SystemErrorText("open " + pty.devicePath);
    return std::nullopt;
  }
  if (!MakeRaw(pty.slave.get())) {
    error = SystemErrorText("setting raw mode on " + pty.devicePath);
    return std::nullopt;
  }
  return pty;
}

}  // namespace emulator
