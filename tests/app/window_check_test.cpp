// The check run in the desktop window against the emulated Triad: every
// cycle goes through the window's Send, so its log holds each one, and a
// stop mid-way ends after the cycle under way with the controller's
// settings as they were before.
#include <QAbstractItemModel>
#include <QMouseEvent>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <regex>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "check_dialog.h"
#include "command_cycle.h"
#include "console_session.h"
#include "console_window.h"
#include "controller_check.h"
#include "cycle_state.h"
#include "emulated_controller.h"
#include "port_setup.h"
#include "serial_state.h"
#include "settings.h"
#include "status_line.h"
#include "stop_signals.h"
#include "tessaro_controller.h"
#include "window_check_line.h"

namespace {

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

class WindowCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSerialState();
    ResetCycleState();
    emulator::EmulatorOptions options;
    options.variant = emulator::Variant::kTriad;
    options.baud = 0;
    options.moveTime = MoveTime();
    emulatedOn = std::make_unique<EmulatedController>(options);
    ASSERT_TRUE(emulated().ready());
    window.bind(controller, application);
    session = std::make_unique<ConsoleSession>(window, controller);
    controller.endProgram = [] {};
    window.widget().show();
    controller.searchField->setStringValue(emulated().path());
    window.buttons().open->click();
    ASSERT_TRUE(portHealth.onLine);
    line = std::make_unique<WindowCheckLine>(*session, controller);
    // Settings other than the emulator's own, set through the window, so
    // that the restore has work to do.
    std::string error;
    ASSERT_TRUE(line->pickGeneralCommand(1));
    ASSERT_EQ(line->send().outcome, CycleOutcome::kDone);
    for (const SettingCycle& cycle : ParseSettings({"wheelB.filter=4", "wheelC.speed=6", "shutterA.mode=nd", "shutterA.steps=21"}, error)) {
      ASSERT_EQ(ApplySettings(cycle, line->window()), "") << cycle.words();
      ASSERT_EQ(line->send().outcome, CycleOutcome::kDone) << cycle.words();
    }
    ASSERT_EQ(error, "");
    before = emulated().server().state();
    clearLog();
  }

  void TearDown() override {
    line.reset();
    session.reset();
    if (fileDescriptor >= 0) ClosePort();
    emulatedOn.reset();
  }

  std::string log() { return window.widget().findChild<QPlainTextEdit*>("receivedView")->toPlainText().toStdString(); }
  void clearLog() { window.widget().findChild<QPlainTextEdit*>("receivedView")->clear(); }

  // Every byte at once and no move time: no cycle waits on the line.
  virtual std::chrono::milliseconds MoveTime() const { return std::chrono::milliseconds{0}; }
  EmulatedController& emulated() { return *emulatedOn; }

  std::unique_ptr<EmulatedController> emulatedOn;
  ConsoleWindow window;
  TessaroController controller;
  TessaroApp application;
  std::unique_ptr<ConsoleSession> session;
  std::unique_ptr<WindowCheckLine> line;
  emulator::ControllerState before;
};


QPushButton& Button(QWidget& dialog, const char* text) {
  for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
    if (button->text() == QString::fromUtf8(text)) return *button;
  }
  throw std::runtime_error(std::string("no button ") + text);
}

// A click as the window system delivers it, through the application's event
// filters.
void Press(QPushButton& button) {
  const QPointF at = QRectF(button.rect()).center();
  QMouseEvent press(QEvent::MouseButtonPress, at, button.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, at, button.mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&button, &press);
  QApplication::sendEvent(&button, &release);
}

// The dialog opened with Check…, as the operator works it.
class CheckDialogTest : public WindowCheck {
 protected:
  CheckDialog& open() {
    QPushButton* check = window.keepingControls().check;
    EXPECT_TRUE(check->isEnabled());
    check->click();
    CheckDialog* dialog = session->checkDialog();
    if (dialog == nullptr) throw std::runtime_error("Check… opened no dialog");
    return *dialog;
  }
  QTableWidget& table(CheckDialog& dialog) { return *dialog.findChild<QTableWidget*>(); }
};

TEST_F(CheckDialogTest, StartFillsTheTableWithEveryStepPassing) {
  CheckDialog& dialog = open();
  Button(dialog, "Start").click();
  ASSERT_FALSE(dialog.running());
  QTableWidget& steps = table(dialog);
  ASSERT_EQ(steps.rowCount(), dialog.result().planned);
  for (int row = 0; row < steps.rowCount(); ++row) {
    EXPECT_EQ(steps.item(row, 6)->text().toStdString(), "pass") << steps.item(row, 0)->text().toStdString();
  }
  EXPECT_EQ(dialog.findChild<QProgressBar*>()->value(), steps.rowCount());
  EXPECT_NE(dialog.findChild<QPlainTextEdit*>()->toPlainText().toStdString().find("passed"), std::string::npos);
  EXPECT_EQ(emulated().server().state(), before);
  // Every cycle went through the main window's Send.
  const std::string separator(kSeparator, std::strlen(kSeparator) - 1);
  EXPECT_GE(Count(log(), separator), 2 + 2 * steps.rowCount() + 1);
}

// The session record marks the check: its start with the plan, each of its
// cycles as the check's, then its verdict and restore, in that order.
TEST_F(CheckDialogTest, TheRecordMarksTheChecksStartCyclesAndVerdict) {
  char dir[] = "/tmp/korvel-check-record-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/record.txt";
  ASSERT_TRUE(session->startRecord(path));
  CheckDialog& dialog = open();
  Button(dialog, "Start").click();
  ASSERT_FALSE(dialog.running());
  std::ifstream file(path);
  std::vector<std::string> marks;
  int cycles = 0;
  const std::regex mark(R"(^\S+ (check (start|cycle \d+|end).*)$)");
  for (std::string text; std::getline(file, text);) {
    std::smatch m;
    if (!std::regex_match(text, m, mark)) continue;
    if (m[2].str().rfind("cycle ", 0) == 0) {
      EXPECT_EQ(m[2].str(), "cycle " + std::to_string(++cycles));
    } else {
      marks.push_back(m[1].str());
    }
  }
  ASSERT_EQ(marks.size(), 2u);
  EXPECT_EQ(marks[0].rfind("check start: plan of ", 0), 0u) << marks[0];
  EXPECT_NE(marks[0].find("devices wheelA"), std::string::npos) << marks[0];
  EXPECT_EQ(marks[1], "check end after " + std::to_string(cycles) + " cycles: verdict passed; restore verified");
  EXPECT_GE(cycles, 2 * dialog.result().planned);
  std::filesystem::remove_all(dir);
}

// Stop pressed while a cycle waits on the line (the main window refuses
// input then; the dialog does not): wheels slow enough for a move to wait.
class CheckDialogStop : public CheckDialogTest {
 protected:
  std::chrono::milliseconds MoveTime() const override { return std::chrono::milliseconds{80}; }
};

TEST_F(CheckDialogStop, StopEndsAfterTheCurrentCycleAndRestores) {
  CheckDialog& dialog = open();
  QTableWidget& steps = table(dialog);
  QPushButton& stop = Button(dialog, "Stop");
  bool pressed = false;
  QObject::connect(steps.model(), &QAbstractItemModel::rowsInserted, &steps, [&] {
    if (steps.rowCount() != 5 || pressed) return;
    pressed = true;
    QTimer::singleShot(0, &stop, [&stop] { Press(stop); });
  });
  Button(dialog, "Start").click();
  ASSERT_TRUE(pressed);
  EXPECT_EQ(VerdictName(dialog.result().verdict), std::string("stopped"));
  // Pressed during the sixth step's move: that step ends, no other begins.
  EXPECT_EQ(steps.rowCount(), 6);
  EXPECT_TRUE(dialog.result().restored) << dialog.result().restoreNote;
  EXPECT_EQ(emulated().server().state(), before);
}

// The console asked to end while the check's sixth step waits on the line,
// as the operator or a script asks: the check ends that step, sets the
// settings found again and verifies them, and only then does the console end.
struct EndingWay {
  const char* name;
  std::function<void(ConsoleWindow&)> ask;
};

class CheckDialogExit : public CheckDialogStop, public ::testing::WithParamInterface<EndingWay> {};

TEST_P(CheckDialogExit, TheConsoleEndsAfterTheRestore) {
  StopSignals stopSignals([this] { session->requestExit(); });
  ASSERT_TRUE(stopSignals.installed());
  bool ended = false;
  controller.endProgram = [&] { ended = true; };
  CheckDialog& dialog = open();
  QTableWidget& steps = table(dialog);
  bool asked = false;
  std::string dialogSaid;
  std::string statusSaid;
  QObject::connect(steps.model(), &QAbstractItemModel::rowsInserted, &steps, [&] {
    if (steps.rowCount() == 5 && !asked) {
      asked = true;
      QTimer::singleShot(0, &steps, [this] { GetParam().ask(window); });
    } else if (steps.rowCount() == 6) {
      // Meanwhile both say that the console ends after the check's restore.
      for (QLabel* label : dialog.findChildren<QLabel*>()) dialogSaid += label->text().toStdString() + "\n";
      statusSaid = window.statusLine().message();
      EXPECT_FALSE(ended);
    }
  });
  Button(dialog, "Start").click();
  ASSERT_TRUE(asked);
  EXPECT_EQ(VerdictName(dialog.result().verdict), std::string("stopped"));
  EXPECT_EQ(steps.rowCount(), 6);
  EXPECT_TRUE(dialog.result().restored) << dialog.result().restoreNote;
  EXPECT_NE(dialogSaid.find("console is ending"), std::string::npos) << dialogSaid;
  EXPECT_NE(statusSaid.find("then the console ends"), std::string::npos) << statusSaid;
  EXPECT_TRUE(ended);
  EXPECT_TRUE(session->gate().exited());
  EXPECT_LT(fileDescriptor, 0);
  EXPECT_EQ(emulated().server().state(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, CheckDialogExit,
    ::testing::Values(EndingWay{"ExitPressed", [](ConsoleWindow& w) { Press(*w.buttons().exit); }},
                      EndingWay{"WindowClosed", [](ConsoleWindow& w) { w.widget().close(); }},
                      EndingWay{"Sigterm", [](ConsoleWindow&) { std::raise(SIGTERM); }}),
    [](const ::testing::TestParamInfo<EndingWay>& info) { return std::string(info.param.name); });

}  // namespace
