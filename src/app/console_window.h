// The console's window as its layout resource draws it, with a Qt control
// behind each of the controller's outlets.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "controls.h"
#include "opening_layout.h"
#include "status_line.h"
#include "tessaro_controller.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;
namespace Ui {
class ConsoleWindowForm;
}

// The buttons that trigger the controller's actions.
struct ActionButtons {
  QPushButton* search;
  QPushButton* open;
  QPushButton* send;
  QPushButton* close;
  QPushButton* exit;
};

// The controls of the port list, the saved log, the session record and the
// emptying of the views.
struct KeepingControls {
  QComboBox* portChoice;
  QLineEdit* pathField;
  QPushButton* saveLog;
  QPushButton* record;
  QPushButton* clear;
  QPushButton* check;  // Check…: opens the check of the controller on line
};

class ConsoleWindow {
 public:
  ConsoleWindow();
  ~ConsoleWindow();
  ConsoleWindow(const ConsoleWindow&) = delete;
  ConsoleWindow& operator=(const ConsoleWindow&) = delete;

  // Connects the controller's 52 outlets to the window's controls; once. Each
  // control's accessible description becomes its outlet's name, which is how
  // assistive technology tells lists with the same items apart.
  void bind(TessaroController& controller, ::TessaroApp& application);

  QWidget& widget() { return *widget_; }
  ActionButtons buttons() const;
  KeepingControls keepingControls() const;
  StatusLine& statusLine() { return *statusLine_; }
  // The texts of the log and the status view as the window shows them.
  std::string logText() const;
  std::string statusText() const;
  // Empties the log and the status view.
  void clearViews();
  // The lists and number fields in which Enter sends, as the Send button does.
  std::vector<QWidget*> valueControls() const;

 private:
  std::unique_ptr<QWidget> widget_;
  std::unique_ptr<Ui::ConsoleWindowForm> form_;
  std::unique_ptr<StatusLine> statusLine_;
  OpeningLayout opening_;
  std::vector<std::unique_ptr<Control>> controls_;
};
