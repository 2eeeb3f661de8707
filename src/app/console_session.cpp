#include "console_session.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "check_dialog.h"
#include "command_cycle.h"
#include "console_window.h"
#include "cycle_state.h"
#include "cycle_entry.h"
#include "exchange_notes.h"
#include "korvel_version.h"
#include "line_session.h"
#include "line_wait.h"
#include "network_address.h"
#include "open_failure.h"
#include "port_setup.h"
#include "port_state.h"
#include "saved_log.h"
#include "serial_state.h"
#include "status_line.h"
#include "tessaro_controller.h"
#include "unsent_changes.h"

namespace {

// Often enough for the window to repaint smoothly and to answer the desktop
// before it declares the program hung.
constexpr std::chrono::milliseconds kRepaintInterval{15};

constexpr char kNothingChanged[] = "Nothing changed since the last Send; nothing sent.";
constexpr char kPortClosed[] = "The port is closed.";
constexpr char kPortGone[] = "The port went away.";
// Until a status or configuration reply names the controller, the window
// keeps the shape it opened with, which may offer devices it lacks.
constexpr char kEndsAfterCheck[] =
    "Ending: the check stops after the cycle under way, sets the settings found again and verifies them; "
    "then the console ends.";
constexpr char kAskForStatus[] = "Send a status query so that the window takes this controller's shape";

// The reply's time, then bytes dropped before it (the reply shown is not
// all the line carried), then the changes the cycle left unsent.
std::string CycleMessage(const std::string& unsent) {
  std::string message;
  for (const std::string& part : {ReplyTimeNote(lineExchange), DroppedBytesNote(lineExchange), unsent}) {
    if (part.empty()) continue;
    message += (message.empty() ? "" : "; ") + part;
  }
  return message;
}

std::string SearchedPath() { return std::string(bsdPath, strnlen(bsdPath, kPathSize)); }

bool IsEnter(const QEvent* event) {
  if (event->type() != QEvent::KeyPress) return false;
  const int key = static_cast<const QKeyEvent*>(event)->key();
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

ConsoleSession::ConsoleSession(ConsoleWindow& window, TessaroController& controller)
    : controller_(controller),
      consoleWindow_(window),
      window_(window.widget()),
      statusLine_(window.statusLine()),
      busy_(window.statusLine(),
            {window.buttons().search, window.buttons().open, window.buttons().send, window.buttons().close,
             window.keepingControls().check},
            window.buttons().exit),
      gate_([this] {
        record_.event("exit");
        hangUp_.stop();
        controller_.exit();
      }),
      portChoice_(*window.keepingControls().portChoice, *window.keepingControls().pathField),
      record_(window.statusLine(), *window.keepingControls().record),
      hangUp_([this] { showPortState(); }) {
  controller_.endProgram = [] { QCoreApplication::quit(); };
  connectButtons(window);
  sendOnEnter(window);
  auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), &window.widget());
  connect(quit, &QShortcut::activated, this, &ConsoleSession::requestExit);
  auto* save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), &window.widget());
  connect(save, &QShortcut::activated, this, &ConsoleSession::saveLog);
  auto* clear = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), &window.widget());
  connect(clear, &QShortcut::activated, this, &ConsoleSession::clearViews);
  window_.installEventFilter(this);
  // The operator's input is refused meanwhile (BusyWindow), so every event
  // may be handled.
  SetLineWaitHook(
      [this] {
        busy_.tick();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
      },
      kRepaintInterval);
  showPortState();
}

ConsoleSession::~ConsoleSession() {
  SetLineWaitHook({}, kRepaintInterval);
  window_.removeEventFilter(this);
}

void ConsoleSession::connectButtons(ConsoleWindow& window) {
  const ActionButtons buttons = window.buttons();
  connect(buttons.search, &QPushButton::clicked, this, &ConsoleSession::search);
  connect(buttons.open, &QPushButton::clicked, this, &ConsoleSession::open);
  connect(buttons.send, &QPushButton::clicked, this, &ConsoleSession::send);
  connect(buttons.close, &QPushButton::clicked, this, &ConsoleSession::close);
  connect(buttons.exit, &QPushButton::clicked, this, &ConsoleSession::requestExit);
  const KeepingControls keeping = window.keepingControls();
  connect(keeping.saveLog, &QPushButton::clicked, this, &ConsoleSession::saveLog);
  connect(keeping.record, &QPushButton::toggled, this, &ConsoleSession::toggleRecord);
  connect(keeping.clear, &QPushButton::clicked, this, &ConsoleSession::clearViews);
  connect(keeping.check, &QPushButton::clicked, this, &ConsoleSession::openCheck);
}

void ConsoleSession::sendOnEnter(ConsoleWindow& window) {
  for (QWidget* control : window.valueControls()) {
    if (auto* field = qobject_cast<QLineEdit*>(control)) {
      connect(field, &QLineEdit::returnPressed, this, &ConsoleSession::send);
    } else {
      control->installEventFilter(this);
    }
  }
}

bool ConsoleSession::runAction(const std::function<void()>& action, std::function<std::string()> waiting) {
  return gate_.run([&] {
    hangUp_.stop();
    portChoice_.hold();
    busy_.begin(std::move(waiting));
    action();
    busy_.end();
    portChoice_.release();
    showPortState();
    if (!portHealth.hungUp) hangUp_.follow(fileDescriptor);
  });
}

void ConsoleSession::search() {
  const bool ran =
      runAction([this] { controller_.search(); }, [] { return std::string("Searching for serial ports…"); });
  if (!ran) return;
  portChoice_.refresh();
  record_.search(SearchedPath());
}

void ConsoleSession::open() {
  const bool ran = runAction(
      [this] {
        controller_.open();
        portPath_ = SearchedPath();
        closedByOperator_ = false;
        goneRecorded_ = false;
        silent_ = false;
      },
      [] { return "Opening " + SearchedPath() + "; waiting for the controller to answer the on-line byte EE…"; });
  if (!ran) return;
  if (fileDescriptor >= 0 && IsNetworkAddress(portPath_)) portChoice_.remember(portPath_);
  // The field's words alone do not say what failed: the record keeps the
  // status line's explanation beside them.
  const bool checkFailed = fileDescriptor >= 0 && !portHealth.onLine;
  record_.open(portPath_, controller_.openField->stringValue() +
                              (checkFailed ? " " + OnLineCheckFailedText(portPath_) : std::string()));
  if (fileDescriptor >= 0 && portHealth.onLine && itype == kUnknown) statusLine_.showMessage(kAskForStatus);
}

void ConsoleSession::send() { runSend(); }

bool ConsoleSession::runSend() {
  ChangesBefore before;
  const bool ran = runAction(
      [&] {
        before = TakeChangesBefore(controller_);
        portHealth.sendingLength = 0;
        controller_.communicate();
      },
      [this] {
        const std::string waiting =
            "Waiting for the controller's reply to " + HexList(mycomm, portHealth.sendingLength, portHealth.sendingLength) + "…";
        return exitAfterCheck_ ? std::string(kEndsAfterCheck) + " " + waiting : waiting;
      });
  if (!ran || gate_.exited()) return false;
  const bool sent = lineExchange.sent > 0;
  takeConfiguration();
  // A command that went out and got not one byte back leaves the controller
  // silent until a reply comes; a Send that sent nothing says nothing of it.
  if (sent) {
    silent_ = lineExchange.replyLength <= 0;
    showPortState();
  }
  // What the cycle added, as it added it: a Send costs the same however long
  // the views have grown.
  const CycleFacts& added = LastCycle();
  // A cycle that found no change adds only the separator to the log.
  const bool nothingChanged = added.log == kSeparator && lineExchange.sendFailure == SendFailure::kNone;
  if (exitAfterCheck_) {
    statusLine_.showMessage(kEndsAfterCheck);
  } else {
    statusLine_.showMessage(nothingChanged
                                ? kNothingChanged
                                : CycleMessage(UnsentMessage(UnsentControls(before, sent, LastCommandWasSetting()))));
  }
  if (checkCycles_ >= 0) record_.event("check cycle " + std::to_string(++checkCycles_));
  record_.cycle(CycleEntryOf(added.log, added.status));
  return true;
}

void ConsoleSession::requestExit() {
  CheckDialog* check = checkDialog();
  // Ending in the middle of the check would leave the controller as the
  // check set it: the check ends first, its restore included.
  if (check != nullptr && check->running() && !gate_.exited()) {
    exitAfterCheck_ = true;
    check->stopForExit();
    statusLine_.showMessage(kEndsAfterCheck);
    return;
  }
  gate_.requestExit();
}

void ConsoleSession::checkEnded() {
  if (exitAfterCheck_) gate_.requestExit();
}

// The configuration query's reply text, kept for Save Log's header.
void ConsoleSession::takeConfiguration() {
  constexpr unsigned char kConfigurationQuery = 0xFD;
  const CycleFacts& cycle = LastCycle();
  if (cycle.command.empty() || cycle.command[0] != kConfigurationQuery || !cycle.echoed) return;
  configuration_ = ConfigurationText(cycle.reply);
}

void ConsoleSession::beginCheckRecord(const std::string& plan) {
  checkCycles_ = 0;
  record_.event("check start: " + plan);
}

void ConsoleSession::endCheckRecord(const std::string& verdict) {
  record_.event("check end after " + std::to_string(checkCycles_) + " cycles: " + verdict);
  checkCycles_ = -1;
}

void ConsoleSession::openCheck() {
  if (gate_.busy() || gate_.exited() || fileDescriptor < 0 || !portHealth.onLine || portHealth.hungUp) return;
  if (checkDialog_ == nullptr) {
    checkDialog_ = new CheckDialog(*this, controller_, portPath_, &consoleWindow_.widget());
    checkDialog_->setAttribute(Qt::WA_DeleteOnClose);
  }
  checkDialog_->show();
  checkDialog_->raise();
  checkDialog_->activateWindow();
}

void ConsoleSession::saveLog() {
  if (gate_.busy() || gate_.exited()) return;
  const QString defaultPath = QDir::home().filePath(DefaultLogName(QDateTime::currentDateTime()));
  // The dialog asks before it lets an existing file be picked.
  const QString path = QFileDialog::getSaveFileName(&consoleWindow_.widget(), QStringLiteral("Save Log"), defaultPath,
                                                    QStringLiteral("Text files (*.txt);;All files (*)"));
  if (path.isEmpty()) return;
  SavedLogHeader header;
  header.when = QDateTime::currentDateTime();
  if (fileDescriptor >= 0) header.port = portPath_;
  if (itype != kUnknown) header.variant = VariantName(itype);
  header.configuration = configuration_;
  header.programVersion = std::string("korvel-console ") + kKorvelVersion;
  const std::string failure = WriteSavedLog(path, header, consoleWindow_.logText(), consoleWindow_.statusText());
  statusLine_.showMessage(failure.empty() ? "The log was saved in " + path.toStdString() + "." : failure);
}

// Only the views are emptied: the session record already holds what they
// showed, and a cycle under way never sees its views change under it.
void ConsoleSession::clearViews() {
  if (gate_.busy() || gate_.exited()) return;
  consoleWindow_.clearViews();
}

void ConsoleSession::toggleRecord(bool on) {
  QPushButton& button = *consoleWindow_.keepingControls().record;
  // No file dialog in the middle of an action: the button goes back.
  if (gate_.busy() || gate_.exited()) {
    const QSignalBlocker quiet(button);
    button.setChecked(!on);
    return;
  }
  if (!on) {
    record_.stop();
    return;
  }
  const QString defaultPath = QDir::home().filePath(
      QStringLiteral("korvel-session-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss")) +
      QStringLiteral(".txt"));
  // The record is appended to, never replaced: the dialog does not ask about
  // an existing file.
  const QString path = QFileDialog::getSaveFileName(&consoleWindow_.widget(), QStringLiteral("Record the Session"),
                                                    defaultPath, QStringLiteral("Text files (*.txt);;All files (*)"),
                                                    nullptr, QFileDialog::DontConfirmOverwrite);
  if (path.isEmpty()) {
    button.setChecked(false);
    return;
  }
  record_.start(path.toStdString());
}

void ConsoleSession::close() {
  runAction(
      [this] {
        if (fileDescriptor < 0) return;
        ClosePort();
        closedByOperator_ = true;
        silent_ = false;
        record_.event("close " + portPath_);
      },
      {});
}

void ConsoleSession::showPortState() {
  const PortView port = CurrentPort(portPath_, closedByOperator_, silent_);
  statusLine_.showPortState(PortStateText(port));
  consoleWindow_.keepingControls().check->setEnabled(port.open && port.health.onLine && !port.health.hungUp);
  // The field beside Open keeps what the Open said until the port's state
  // changes, so that it never contradicts the status line.
  if (port.closedByOperator && !port.open) {
    controller_.openField->setStringValue(kPortClosed);
  } else if (port.open && port.health.hungUp) {
    controller_.openField->setStringValue(kPortGone);
    if (!goneRecorded_) record_.event("gone " + port.path + ": " + GoneWords(port.path));
    goneRecorded_ = true;
  }
}

bool ConsoleSession::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && event->type() == QEvent::Close && !gate_.exited()) return closeEvent(event);
  // Enter in a list sends; while the list's pop-up is open, Enter picks the
  // item instead and never reaches the list.
  if (watched != &window_ && IsEnter(event)) {
    send();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

bool ConsoleSession::closeEvent(QEvent* event) {
  // A close in the middle of an action or of the check waits for its end,
  // and exit: then closes the window.
  const CheckDialog* check = checkDialog();
  if (gate_.busy() || (check != nullptr && check->running())) {
    event->ignore();
    requestExit();
    return true;
  }
  // exit: closes the window again from inside this close, which Qt lets pass;
  // this close then goes on.
  gate_.requestExit();
  return false;
}

CheckDialog* ConsoleSession::checkDialog() const { return checkDialog_.data(); }
