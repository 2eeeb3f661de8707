// The line at the foot of the window that says what the console is doing:
// on its left the port's state, always; beside it the latest message (a
// command under way, changes that were not sent, or whatever else a part of
// the window has to tell). Every part of the window writes here, through
// this class: QStatusBar::showMessage would hide both texts.
#pragma once

#include <string>

class QLabel;
class QStatusBar;

class StatusLine {
 public:
  explicit StatusLine(QStatusBar& bar);

  // Stays until the next port state.
  void showPortState(const std::string& text);
  // Replaces the message before it and stays until the next one or clear.
  void showMessage(const std::string& text);
  void clearMessage() { showMessage({}); }

  std::string portState() const;
  std::string message() const;

 private:
  QLabel& portState_;
  QLabel& message_;
};
