#include "pty_port.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

PtyPort::PtyPort() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  char name[256];
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name) != 0) {
    ADD_FAILURE() << "no pseudo-terminal: " << std::strerror(errno);
    return;
  }
  path_ = name;
  slave_ = open(name, O_RDWR | O_NOCTTY);
  if (slave_ < 0) ADD_FAILURE() << "cannot open " << path_ << ": " << std::strerror(errno);
}

PtyPort::~PtyPort() {
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
}

termios PtyPort::settings() const {
  termios line{};
  if (tcgetattr(slave_, &line) != 0) ADD_FAILURE() << "tcgetattr: " << std::strerror(errno);
  return line;
}
