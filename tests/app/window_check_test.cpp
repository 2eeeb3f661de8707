// The check run in the desktop window against the emulated Triad: every
// cycle goes through the window's Send, so its log holds each one, and a
// stop mid-way ends after the cycle under way with the controller's
// settings as they were before.
#include <QAbstractItemModel>
#include <QMouseEvent>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QSpinBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <algorithm>
#include <QDir>
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
    options.baud = Baud();
    options.moveTime = MoveTime();
    options.positionTime = PositionTime();
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
  virtual std::chrono::milliseconds PositionTime() const { return std::chrono::milliseconds{0}; }
  virtual int Baud() const { return 0; }
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
  QLabel& described(CheckDialog& dialog, const char* description) {
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
      if (label->accessibleDescription() == QLatin1String(description)) return *label;
    }
    throw std::runtime_error(std::string("no label ") + description);
  }
  // Leaves every device out but those named ("wheel A", "shutter B").
  void choose(CheckDialog& dialog, const std::vector<std::string>& devices) {
    for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
      const bool chosen = std::find(devices.begin(), devices.end(), box->text().toStdString()) != devices.end();
      if (box->isChecked() != chosen) box->click();
    }
  }
  // Closes the dialog as the operator does, and lets it go.
  void close(CheckDialog& dialog) {
    Button(dialog, "Close").click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(session->checkDialog(), nullptr);
  }
};

TEST_F(CheckDialogTest, StartFillsTheTableWithEveryStepPassing) {
  CheckDialog& dialog = open();
  // The port and the controller are named before Start.
  const std::string named = described(dialog, "check controller").text().toStdString();
  EXPECT_NE(named.find(emulated().path()), std::string::npos) << named;
  EXPECT_NE(named.find("triad"), std::string::npos) << named;
  // Every device of the Triad is offered and chosen.
  ASSERT_EQ(dialog.findChildren<QCheckBox*>().size(), 5);
  for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) EXPECT_TRUE(box->isVisibleTo(&dialog) && box->isChecked());
  const int tableHeight = table(dialog).height();
  Button(dialog, "Start").click();
  ASSERT_FALSE(dialog.running());
  QTableWidget& steps = table(dialog);
  ASSERT_EQ(steps.rowCount(), dialog.result().planned);
  for (int row = 0; row < steps.rowCount(); ++row) {
    EXPECT_EQ(steps.item(row, 6)->text().toStdString(), "pass") << steps.item(row, 0)->text().toStdString();
  }
  EXPECT_EQ(dialog.findChild<QProgressBar*>()->value(), steps.rowCount());
  EXPECT_NE(dialog.findChild<QPlainTextEdit*>()->toPlainText().toStdString().find("passed"), std::string::npos);
  EXPECT_EQ(dialog.findChild<QProgressBar*>()->text().toStdString(), "all 70 steps done");
  // The verdict as a green banner, and the summary below the table leaves it its height.
  QLabel& verdict = described(dialog, "check verdict");
  EXPECT_TRUE(verdict.isVisibleTo(&dialog));
  EXPECT_EQ(verdict.text().toStdString(), "verdict: passed");
  EXPECT_NE(verdict.styleSheet().toStdString().find("#1b7a34"), std::string::npos) << verdict.styleSheet().toStdString();
  EXPECT_EQ(steps.height(), tableHeight);
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

// Save Report… writes what ran into the report's command row, and starts in
// the folder a report was last saved in, also once the dialog was closed and
// opened again, which offers the last operator again too.
TEST_F(CheckDialogTest, SaveReportNamesWhatRanAndStartsInTheLastFolder) {
  char dir[] = "/tmp/korvel-check-report-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::vector<std::string> proposed;
  int saved = 0;
  const auto ask = [&](const QString& path) {
    proposed.push_back(path.toStdString());
    return QString::fromStdString(std::string(dir) + "/report-" + std::to_string(++saved) + ".html");
  };
  CheckDialog& first = open();
  first.askReportPathWith(ask);
  choose(first, {"wheel A", "wheel C", "shutter A"});
  first.findChild<QSpinBox*>()->setValue(2000);
  for (QLineEdit* field : first.findChildren<QLineEdit*>()) {
    if (field->accessibleDescription() == QLatin1String("check operator")) field->setText(QStringLiteral("R. Lind"));
  }
  Button(first, "Start").click();
  ASSERT_EQ(VerdictName(first.result().verdict), std::string("passed"));
  Button(first, "Save Report…").click();
  ASSERT_EQ(proposed.size(), 1u);
  EXPECT_EQ(proposed[0].rfind(QDir::homePath().toStdString() + "/korvel-check-", 0), 0u) << proposed[0];
  std::ifstream file(std::string(dir) + "/report-1.html");
  const std::string html((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(html.find("<th>Command</th><td>Check… in korvel-console: wheels A, C; shutters A; max 2000 ms</td>"),
            std::string::npos)
      << html.substr(0, 2000);
  close(first);

  CheckDialog& second = open();
  second.askReportPathWith(ask);
  for (QLineEdit* field : second.findChildren<QLineEdit*>()) {
    if (field->accessibleDescription() == QLatin1String("check operator")) {
      EXPECT_EQ(field->text().toStdString(), "R. Lind");
    }
  }
  choose(second, {"shutter B"});
  Button(second, "Start").click();
  Button(second, "Save Report…").click();
  ASSERT_EQ(proposed.size(), 2u);
  EXPECT_EQ(proposed[1].rfind(std::string(dir) + "/korvel-check-", 0), 0u) << proposed[1];
  std::filesystem::remove_all(dir);
}

// The check at 300 baud, as a controller answers, with wheels that take
// their time: one wheel chosen, only it is planned and moved, and the
// estimate shown before Start is within a factor of two of the run. The
// run's time on a busy machine only grows, so the estimate is bounded above
// by twice the time the run took, and below by half the time its cycles
// spent on the line (first byte sent to last byte read), which the
// emulator's pacing and moves set.
class CheckDialogPaced : public CheckDialogTest {
 protected:
  int Baud() const override { return 300; }
  std::chrono::milliseconds MoveTime() const override { return std::chrono::milliseconds{150}; }
  std::chrono::milliseconds PositionTime() const override { return std::chrono::milliseconds{40}; }
};

TEST_F(CheckDialogPaced, OneWheelChosenPlansOnlyItWithinTwiceTheEstimate) {
  CheckDialog& dialog = open();
  choose(dialog, {"wheel B"});
  EXPECT_EQ(dialog.plannedDevices(), std::vector<std::string>{"wheelB"});
  const double estimate = dialog.estimatedSeconds();
  const auto started = std::chrono::steady_clock::now();
  Button(dialog, "Start").click();
  const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  ASSERT_EQ(VerdictName(dialog.result().verdict), std::string("passed"));
  double onLine = 0;
  for (const CheckStep& step : dialog.result().steps) {
    if (step.result == StepResult::kSkipped) {
      EXPECT_EQ(step.note, "left out") << step.device;
      continue;
    }
    EXPECT_EQ(step.device, "wheelB");
    onLine += (step.ms + step.statusMs) / 1000;
  }
  EXPECT_LE(estimate, 2 * took) << "estimate " << estimate << " s, run " << took << " s";
  EXPECT_GE(estimate, onLine / 2) << "estimate " << estimate << " s, on the line " << onLine << " s";
  EXPECT_TRUE(dialog.result().restored) << dialog.result().restoreNote;
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
  EXPECT_EQ(dialog.findChild<QProgressBar*>()->text().toStdString(), "stopped at step 6 of 70");
  QLabel& verdict = described(dialog, "check verdict");
  EXPECT_EQ(verdict.text().toStdString(), "verdict: stopped");
  EXPECT_NE(verdict.styleSheet().toStdString().find("#f2b705"), std::string::npos) << verdict.styleSheet().toStdString();
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
