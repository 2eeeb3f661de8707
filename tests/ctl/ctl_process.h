// korvel-ctl run as a whole process, the way a script runs it: its standard
// output, standard error and exit status come back to the test.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

struct CtlRun {
  std::string out;
  std::string err;
  int status = -1;  // exit status; -1 when it did not end normally in time
};

// Far above any single command's line time at 300 baud, and bounded.
inline constexpr std::chrono::seconds kCtlDeadline{30};

class CtlProcess {
 public:
  // descriptor3: handed to the process as its descriptor 3 (a rack's
  // record channel); -1: none.
  explicit CtlProcess(const std::vector<std::string>& arguments, int descriptor3 = -1);
  ~CtlProcess();  // a process still running is killed
  CtlProcess(const CtlProcess&) = delete;
  CtlProcess& operator=(const CtlProcess&) = delete;

  pid_t pid() const { return pid_; }
  // Reads its output until it ends or the timeout passes.
  CtlRun Finish(std::chrono::milliseconds timeout = kCtlDeadline);
  // Reads what is waiting on standard output, waiting at most timeout.
  const std::string& ReadOut(std::chrono::milliseconds timeout);

 private:
  bool ReadSome(std::chrono::steady_clock::time_point deadline);

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  CtlRun run_;
};

// Runs to the end.
CtlRun RunCtl(const std::vector<std::string>& arguments);

// The measured times of korvel-ctl's output shown as '#', so that the rest
// can be compared exactly: JSON's "echo_ms" and "reply_ms" values (null stays
// null) and --verbose's "time: echo 0.034 s, reply 0.068 s" lines.
std::string TimesHidden(const std::string& text);
