// A part of a test played by another process: a forked child whose standard
// output comes back to the test, and which waits at set points until the test
// lets it go on. Fork before starting any thread, so that the child holds no
// lock another thread took.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>

class ForkedChild {
 public:
  // Runs body in the child with its standard output on a pipe; its result is
  // the child's exit status.
  explicit ForkedChild(std::function<int(ForkedChild&)> body);
  // A child still running is killed.
  ~ForkedChild();
  ForkedChild(const ForkedChild&) = delete;
  ForkedChild& operator=(const ForkedChild&) = delete;

  bool started() const { return pid_ > 0; }

  // In the test: reads the child's output until it holds marker, at most for
  // timeout; false when the marker did not come.
  bool ReadUntil(const std::string& marker, std::chrono::milliseconds timeout);
  // Everything the child printed so far.
  const std::string& output() const { return output_; }
  // Lets the child go on past its next WaitForGo.
  void Go();
  // Waits at most timeout for the child to end, reading the rest of its
  // output; its exit status, or -1 when it did not end normally in time.
  int Wait(std::chrono::milliseconds timeout);

  // In the child: blocks until the test calls Go; false when the test is gone.
  bool WaitForGo();

 private:
  // Appends what the child printed next; false at its end or the deadline.
  bool ReadSome(std::chrono::steady_clock::time_point deadline);

  pid_t pid_ = -1;
  bool reaped_ = false;
  int fromChild_ = -1;
  int goToChild_ = -1;
  int goInChild_ = -1;
  std::string output_;
};
