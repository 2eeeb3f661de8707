// The line a check runs its cycles on: a headless window the check reads and
// sets as an operator does, and the command cycle on it. korvel-ctl runs it
// on its own session; a front with a window of its own keeps that window's
// views, record and input in step with each cycle.
#pragma once

#include "line_session.h"
#include "headless_window.h"

class CheckLine {
 public:
  virtual ~CheckLine() = default;
  // The controls as the last cycle left them.
  virtual HeadlessWindow& window() = 0;
  // One command cycle with the window's settings, as Send runs it.
  virtual CycleResult send() = 0;
  // Picks the general command list's entry the list had at layoutIndex when
  // the window opened; false when the list no longer holds it.
  virtual bool pickGeneralCommand(int layoutIndex) = 0;
};

// The check on korvel-ctl's session.
class SessionCheckLine : public CheckLine {
 public:
  explicit SessionCheckLine(LineSession& session) : session_(session) {}
  HeadlessWindow& window() override { return session_.window(); }
  CycleResult send() override { return session_.send(); }
  bool pickGeneralCommand(int layoutIndex) override { return session_.pickGeneralCommand(layoutIndex); }

 private:
  LineSession& session_;
};
