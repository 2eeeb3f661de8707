#include "busy_window.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>

#include "status_line.h"

namespace {

bool IsOperatorInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

}  // namespace

BusyWindow::BusyWindow(StatusLine& statusLine, std::vector<QPushButton*> buttons, QPushButton* passThrough)
    : statusLine_(statusLine), buttons_(std::move(buttons)), passThrough_(passThrough) {}

BusyWindow::~BusyWindow() {
  if (running_) end();
}

void BusyWindow::begin(std::function<std::string()> waiting) {
  waiting_ = std::move(waiting);
  started_ = std::chrono::steady_clock::now();
  running_ = true;
  qApp->installEventFilter(this);
}

void BusyWindow::tick() {
  if (running_ && !shown_ && std::chrono::steady_clock::now() - started_ >= kBusyDelay) show();
}

void BusyWindow::show() {
  shown_ = true;
  statusLine_.showMessage(waiting_ ? waiting_() : std::string());
  for (QPushButton* button : buttons_) button->setEnabled(false);
  QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
}

void BusyWindow::end() {
  qApp->removeEventFilter(this);
  running_ = false;
  if (!shown_) return;
  shown_ = false;
  QApplication::restoreOverrideCursor();
  for (QPushButton* button : buttons_) button->setEnabled(true);
  statusLine_.clearMessage();
}

// Shortcuts (Ctrl+Q) reach their handlers before the key press is delivered,
// so they keep working; their exit waits for the action's end.
bool BusyWindow::eventFilter(QObject* watched, QEvent* event) {
  if (!running_ || !IsOperatorInput(event->type())) return QObject::eventFilter(watched, event);
  // The top-level window hands each event on to the widget it is for, which
  // decides.
  if (!watched->isWidgetType() || watched == passThrough_) return false;
  if (passWindow_ != nullptr && static_cast<QWidget*>(watched)->window() == passWindow_) return false;
  return true;
}
