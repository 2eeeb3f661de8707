#include "action_gate.h"

bool ActionGate::run(const std::function<void()>& action) {
  if (busy_ || exited_) return false;
  busy_ = true;
  action();
  busy_ = false;
  if (exitPending_) requestExit();
  return true;
}

void ActionGate::requestExit() {
  if (exited_) return;
  if (busy_) {
    exitPending_ = true;
    return;
  }
  exited_ = true;
  exitPending_ = false;
  busy_ = true;
  exitAction_();
  busy_ = false;
}
