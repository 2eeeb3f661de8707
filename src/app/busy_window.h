// The window while an action runs. The operator's input is refused, not kept
// for later: a click made during a long wheel move must not open a list once
// the move has ended. From kBusyDelay on the window also shows that it
// waits: the status line's message, the action buttons unavailable and a
// busy pointer. The window goes on repainting throughout.
#pragma once

#include <QObject>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class QPushButton;
class QWidget;
class StatusLine;

// Shorter waits pass unnoticed; a person notices a pause from about here.
inline constexpr std::chrono::milliseconds kBusyDelay{200};

class BusyWindow : public QObject {
 public:
  // buttons become unavailable while busy is shown; passThrough (the Exit
  // button) keeps taking clicks, which end the program after the action.
  BusyWindow(StatusLine& statusLine, std::vector<QPushButton*> buttons, QPushButton* passThrough);
  ~BusyWindow() override;
  BusyWindow(const BusyWindow&) = delete;
  BusyWindow& operator=(const BusyWindow&) = delete;

  // An action starts; waiting tells, when asked, what it waits for.
  void begin(std::function<std::string()> waiting);
  // Called often while the action waits on the line.
  void tick();
  // The action has ended; the status line's message is cleared if busy was shown.
  void end();

  bool shown() const { return shown_; }
  // A window whose input passes while busy (the check's dialog, whose Stop
  // must reach it during a cycle); nullptr for none.
  void passWindow(const QWidget* window) { passWindow_ = window; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void show();

  StatusLine& statusLine_;
  std::vector<QPushButton*> buttons_;
  QPushButton* passThrough_;
  const QWidget* passWindow_ = nullptr;
  std::function<std::string()> waiting_;
  std::chrono::steady_clock::time_point started_{};
  bool running_ = false;
  bool shown_ = false;
};
