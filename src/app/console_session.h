// Ties the window to the controller: the buttons trigger the actions one at a
// time, and every way of closing the window (the window manager, Ctrl+Q, the
// Exit button) ends the program through exit:, which puts the port's settings
// back. While a transaction waits on the line the window goes on painting and
// answering; the operator's input waits until the action has ended.
#pragma once

#include <QObject>

#include "action_gate.h"

class ConsoleWindow;
class QEvent;
class TessaroController;

class ConsoleSession : public QObject {
 public:
  ConsoleSession(ConsoleWindow& window, TessaroController& controller);
  ~ConsoleSession() override;
  ConsoleSession(const ConsoleSession&) = delete;
  ConsoleSession& operator=(const ConsoleSession&) = delete;

  // exit:, at once or when the running action has ended; once.
  void requestExit() { gate_.requestExit(); }
  const ActionGate& gate() const { return gate_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void connectButtons(ConsoleWindow& window);
  // Runs one of the actions other than exit:, unless another one is running.
  void runAction(void (TessaroController::*action)(void*));

  TessaroController& controller_;
  QObject& window_;
  ActionGate gate_;
};
