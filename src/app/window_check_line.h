// A check run in the desktop window: every cycle is a Send of the window
// (its log, status view and session record as for any Send, the window's
// input refused meanwhile). The check reads and sets a headless copy of the
// window's lists and fields; before each cycle the copy's choices go into
// the window, after it the window's state comes back into the copy.
#pragma once

#include "check_line.h"

class ConsoleSession;
class TessaroController;

class WindowCheckLine : public CheckLine {
 public:
  WindowCheckLine(ConsoleSession& session, TessaroController& controller);

  HeadlessWindow& window() override { return copy_; }
  CycleResult send() override;
  bool pickGeneralCommand(int layoutIndex) override;

 private:
  void intoWindow();
  void fromWindow();

  ConsoleSession& session_;
  TessaroController& controller_;
  HeadlessWindow copy_;
};
