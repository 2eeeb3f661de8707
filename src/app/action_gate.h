// Runs the window's actions one at a time on the main thread. While a command
// cycle waits on the line the window keeps handling events, and an event may
// ask for another action; none may start in the middle of a cycle.
#pragma once

#include <functional>

class ActionGate {
 public:
  // exitAction ends the program: it restores and closes the port.
  explicit ActionGate(std::function<void()> exitAction) : exitAction_(std::move(exitAction)) {}

  // Runs action unless one is running or the program has ended; false when
  // it was turned away.
  bool run(const std::function<void()>& action);

  // Runs the exit action, once in the program's life. Asked for during an
  // action, it runs when that action has ended.
  void requestExit();

  bool busy() const { return busy_; }
  bool exited() const { return exited_; }

 private:
  std::function<void()> exitAction_;
  bool busy_ = false;
  bool exitPending_ = false;
  bool exited_ = false;
};
