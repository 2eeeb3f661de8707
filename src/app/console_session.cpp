#include "console_session.h"

#include <QEvent>
#include <QCoreApplication>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>
#include <QWidget>

#include <chrono>

#include "console_window.h"
#include "line_wait.h"
#include "tessaro_controller.h"

namespace {

// Often enough for the window to repaint smoothly and to answer the desktop
// before it declares the program hung.
constexpr std::chrono::milliseconds kRepaintInterval{15};

void KeepWindowPainting() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

}  // namespace

ConsoleSession::ConsoleSession(ConsoleWindow& window, TessaroController& controller)
    : controller_(controller), window_(window.widget()), gate_([this] { controller_.exit(); }) {
  controller_.endProgram = [] { QCoreApplication::quit(); };
  connectButtons(window);
  auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), &window.widget());
  connect(quit, &QShortcut::activated, this, &ConsoleSession::requestExit);
  window_.installEventFilter(this);
  SetLineWaitHook(KeepWindowPainting, kRepaintInterval);
}

ConsoleSession::~ConsoleSession() {
  SetLineWaitHook({}, kRepaintInterval);
  window_.removeEventFilter(this);
}

void ConsoleSession::connectButtons(ConsoleWindow& window) {
  const ActionButtons buttons = window.buttons();
  connect(buttons.search, &QPushButton::clicked, this, [this] { runAction(&TessaroController::search); });
  connect(buttons.open, &QPushButton::clicked, this, [this] { runAction(&TessaroController::open); });
  connect(buttons.send, &QPushButton::clicked, this, [this] { runAction(&TessaroController::communicate); });
  connect(buttons.exit, &QPushButton::clicked, this, &ConsoleSession::requestExit);
}

void ConsoleSession::runAction(void (TessaroController::*action)(void*)) {
  gate_.run([this, action] { (controller_.*action)(nullptr); });
}

bool ConsoleSession::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &window_ || event->type() != QEvent::Close || gate_.exited()) {
    return QObject::eventFilter(watched, event);
  }
  // A close in the middle of an action waits for its end, and exit: then
  // closes the window.
  if (gate_.busy()) {
    event->ignore();
    gate_.requestExit();
    return true;
  }
  // exit: closes the window again from inside this close, which Qt lets pass;
  // this close then goes on.
  gate_.requestExit();
  return false;
}
