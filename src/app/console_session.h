// Ties the window to the controller: the buttons trigger the actions one at a
// time, and every way of closing the window (the window manager, Ctrl+Q, the
// Exit button) ends the program through exit:, which puts the port's settings
// back. Enter in a list or a number field sends, as the Send button does. The
// status line tells the port's state after every action, and when the open
// port goes away between them. Every search, open
// and cycle goes into the session record while one is kept. While an action
// waits on the line the window goes on painting and answering, shows that it
// waits, and refuses the operator's input.
#pragma once

#include <QObject>
#include <QPointer>

#include <string>

#include "action_gate.h"
#include "busy_window.h"
#include "hang_up_watch.h"
#include "port_choice.h"
#include "window_record.h"

class CheckDialog;
class ConsoleWindow;
class QWidget;
class QEvent;
class StatusLine;
class TessaroController;

// What the check's dialog keeps for the rest of the session, across its
// closing and opening again (the console keeps no files).
struct CheckMemory {
  std::string reportFolder;  // where a report was last saved; empty: none yet
  std::string operatorName;  // the last operator named
};

class ConsoleSession : public QObject {
 public:
  ConsoleSession(ConsoleWindow& window, TessaroController& controller);
  ~ConsoleSession() override;
  ConsoleSession(const ConsoleSession&) = delete;
  ConsoleSession& operator=(const ConsoleSession&) = delete;

  // exit:, at once or when the running action has ended; once. While the
  // check runs it stops after the cycle under way, sets the settings found
  // again and verifies them, and exit: follows.
  void requestExit();
  // The check's dialog tells that its check has ended (restore included).
  void checkEnded();
  // An exit waits for the check's end.
  bool exitAfterCheck() const { return exitAfterCheck_; }
  const ActionGate& gate() const { return gate_; }

  // Starts the session record in path (--log); the status line says where,
  // or why not.
  bool startRecord(const std::string& path) { return record_.start(path); }
  const WindowRecord& record() const { return record_; }
  PortChoice& portChoice() { return portChoice_; }
  // Send, as the button runs it; false when it did not run (another action
  // runs, or the program is ending).
  bool runSend();
  // Input to window passes while an action runs; nullptr for none.
  void passWindow(const QWidget* window) { busy_.passWindow(window); }
  // A check's start and end in the session record; between them each cycle
  // is recorded as the check's.
  void beginCheckRecord(const std::string& plan);
  void endCheckRecord(const std::string& verdict);
  // Check…: the check's dialog, for the controller on line.
  void openCheck();
  CheckDialog* checkDialog() const;
  CheckMemory& checkMemory() { return checkMemory_; }
  // The last configuration reply's text; empty when none came.
  const std::string& configuration() const { return configuration_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void connectButtons(ConsoleWindow& window);
  void sendOnEnter(ConsoleWindow& window);
  bool closeEvent(QEvent* event);

  void search();
  void open();
  void send();
  // Closes the port as exit: does, and the console goes on.
  void close();
  // Save Log: asks for the file, then writes both views to it.
  void saveLog();
  // Clear (Ctrl+L): empties the log and the status view.
  void clearViews();
  // The Record button: asks for the file to start, stops when pressed again.
  void toggleRecord(bool on);
  // Runs action unless another one is running (false then); waiting says
  // what it waits for once that shows.
  bool runAction(const std::function<void()>& action, std::function<std::string()> waiting);
  void showPortState();
  void takeConfiguration();

  TessaroController& controller_;
  ConsoleWindow& consoleWindow_;
  QObject& window_;
  StatusLine& statusLine_;
  BusyWindow busy_;
  ActionGate gate_;
  PortChoice portChoice_;
  WindowRecord record_;
  HangUpWatch hangUp_;
  std::string portPath_;
  bool closedByOperator_ = false;
  bool goneRecorded_ = false;  // the record holds the port's going away
  bool exitAfterCheck_ = false;
  bool silent_ = false;  // the last command sent got no reply
  std::string configuration_;  // the last configuration reply's text, for Save Log
  int checkCycles_ = -1;       // the running check's cycles so far; -1: no check runs
  QPointer<CheckDialog> checkDialog_;
  CheckMemory checkMemory_;
};
