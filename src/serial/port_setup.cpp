#include "port_setup.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <span>

#include "diagnostics.h"
#include "device_stream.h"
#include "line_wait.h"
#include "network_address.h"
#include "network_open.h"
#include "reply_reader.h"
#include "serial_state.h"

namespace {

constexpr unsigned char kOnLine = 0xEE;
constexpr int kOnLineWriteAttempts = 3;
// The echoed 0xEE and its closing 0x0D.
constexpr int kOnLineAnswerLength = 2;

int OnLineAnswerLength(std::span<const unsigned char> /*received*/) { return kOnLineAnswerLength; }

// Closes fd after a failed step, printing the step's message first; the step
// and its error stay for the window.
int FailOpen(OpenStep step, const char* message, const char* path, int fd) {
  const int error = errno;
  portHealth.failedStep = step;
  portHealth.failedError = error;
  PrintDiagnostic(message, path, std::strerror(error), error);
  if (fd >= 0) close(fd);
  return -1;
}

// Writes the on-line byte; false after three failed attempts.
bool SendOnLineByte(int descriptor) {
  for (int attempt = 0; attempt < kOnLineWriteAttempts; ++attempt) {
    ssize_t written = -1;
    if (WaitWritable(descriptor, LineClock::now() + kWriteTimeout)) {
      written = WriteLine(descriptor, mycomm, 1);
    } else {
      errno = ETIMEDOUT;
    }
    if (written > 0) return true;
    const int error = errno;
    if (written < 0) PrintDiagnostic("Error writing to modem - %s(%d).\n", std::strerror(error), error);
  }
  return false;
}

// One program on the line at a time, so that no two interleave their bytes:
// an advisory lock for programs that honour one, and then the terminal's
// exclusive mode, which refuses any further open of the device.
bool Lock(int fd) {
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  if (errno == EWOULDBLOCK) errno = EBUSY;
  return false;
}

// A new port, or none: nothing known about it yet.
void ForgetPortHealth() { portHealth = PortHealth{}; }

}  // namespace

termios LineSettingsFor(termios line) {
  line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  // The reply bytes are binary: no carriage-return or newline translation
  // (the closing 0x0D must arrive as 0x0D), no stripping of bit 7, and no
  // doubling of 0xFF for parity marks.
  line.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | ISTRIP | IUCLC | PARMRK);
  // Nor does a BREAK flush what was received, nor a parity error drop or
  // change a byte: every byte the controller sent is shown as it came.
  line.c_iflag &= ~static_cast<tcflag_t>(BRKINT | IGNBRK | INPCK | IGNPAR);
  line.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  line.c_cflag |= CREAD | CLOCAL;
  line.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
  line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB);
  line.c_cflag |= CS8;
  line.c_lflag &= ~static_cast<tcflag_t>(ICANON | ISIG | ECHO | ECHOE);
  line.c_cc[VMIN] = 1;
  line.c_cc[VTIME] = 0;
  cfsetospeed(&line, B300);
  cfsetispeed(&line, B300);
  return line;
}

int OpenSerialPort(const char* path) {
  if (IsNetworkAddress(path)) return OpenNetworkLine(path);
  // Without O_NOCTTY a console started without a controlling terminal would
  // take the port as its own, and unplugging the adapter would end it by SIGHUP.
  const int fd = ::open(path, O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return FailOpen(OpenStep::kOpening, "Error opening serial port %s - %s(%d).\n", path, -1);
  if (!Lock(fd)) return FailOpen(OpenStep::kLocking, "Error locking serial port %s - %s(%d).\n", path, fd);
  // Every other status flag is cleared, but the port stays non-blocking: a
  // write takes what the driver has room for and never holds up the window,
  // and reads only ask for bytes that are known to be waiting.
  if (fcntl(fd, F_SETFL, O_NONBLOCK) == -1) {
    return FailOpen(OpenStep::kClearingNonBlocking, "Error clearing O_NDELAY %s - %s(%d).\n", path, fd);
  }
  if (tcgetattr(fd, &gOriginalTTYAttrs) == -1) {
    return FailOpen(OpenStep::kGettingAttributes, "Error getting tty attributes %s - %s(%d).\n", path, fd);
  }
  if (ioctl(fd, TIOCEXCL) == -1) {
    return FailOpen(OpenStep::kLocking, "Error locking serial port %s - %s(%d).\n", path, fd);
  }
  const termios line = LineSettingsFor(gOriginalTTYAttrs);
  if (tcsetattr(fd, TCSANOW, &line) == -1) {
    return FailOpen(OpenStep::kSettingAttributes, "Error setting tty attributes %s - %s(%d).\n", path, fd);
  }
  KeepStream(fd, std::make_unique<DeviceStream>(fd));
  return fd;
}

int InitializeModem(int32_t descriptor) {
  portHealth.onLine = false;
  lineExchange = LineExchange{};
  // No port, nothing to write to: the failed open has said why already.
  if (descriptor < 0) return 0;
  mycomm[0] = kOnLine;
  DiscardStaleInput(descriptor);
  if (!SendOnLineByte(descriptor)) return 0;
  lineExchange.sent = 1;
  // The echo may be followed by a closing 0x0D: take it too, so that it is
  // not read as the start of the next reply; once it has come the answer is
  // whole. An echo whose closing byte has not come yet leaves that byte owed,
  // for the next command to wait for briefly: nothing moves before it.
  ReplyRule wholeAnswer{1, true, false};
  wholeAnswer.lengthOf = OnLineAnswerLength;
  wholeAnswer.echo = kOnLine;
  const int count = ReadReply(descriptor, wholeAnswer, LineClock::now() + kFirstByteTimeout);
  if (count == 1 && lineExchange.echoed) lineOwesBytes = true;
  if (lineOwesBytes) owedBytesWait = kOwedClosingByteTimeout;
  if (RefusedOnLine(descriptor)) {
    if (descriptor == fileDescriptor) fileDescriptor = -1;
    lineOwesBytes = false;
    return 0;
  }
  portHealth.onLine = count > 0 && Buffer[0] == kOnLine;
  return portHealth.onLine ? 1 : 0;
}

int CloseSerialPort(int32_t descriptor) {
  // No port open: there are no settings to put back and nothing failed.
  if (descriptor < 0) {
    errno = EBADF;
    return -1;
  }
  if (IsNetworkLine(descriptor)) return CloseNetworkLine(descriptor);
  DropStream(descriptor);
  if (tcsetattr(descriptor, TCSANOW, &gOriginalTTYAttrs) == -1) {
    const int error = errno;
    PrintDiagnostic("Error resetting tty attributes - %s(%d).\n", std::strerror(error), error);
  }
  // Exclusive mode belongs to the device and outlives this descriptor; the
  // lock goes with the close. A line that is gone has no mode to leave.
  static_cast<void>(ioctl(descriptor, TIOCNXCL));
  return close(descriptor);
}

int OpenPort() {
  if (fileDescriptor >= 0) ClosePort();
  ForgetPortHealth();
  lineOwesBytes = false;
  fileDescriptor = OpenSerialPort(bsdPath);
  return fileDescriptor;
}

int ClosePort() {
  const int result = CloseSerialPort(fileDescriptor);
  fileDescriptor = -1;
  ForgetPortHealth();
  lineOwesBytes = false;
  return result;
}
