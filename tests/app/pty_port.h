// A pseudo-terminal whose slave side stands in for the controller's port. The
// test holds the slave open as well, to see the line settings the console
// leaves on it.
#pragma once

#include <termios.h>

#include <string>

class PtyPort {
 public:
  PtyPort();  // fails the current test when no pair could be opened
  ~PtyPort();
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  const std::string& path() const { return path_; }
  // The slave's line settings as they stand now.
  termios settings() const;

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};
