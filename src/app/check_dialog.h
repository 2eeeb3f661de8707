// The check of the controller on line, in a dialog of the window: the port
// and the controller, what the check will move and open and about how long
// it takes, the devices to set, the limits on time and who tests what, then
// Start; while it runs a progress bar with the time left and the table of
// steps filling in as they end (failures on red), and Stop, which ends it
// after the cycle under way and sets the settings found again; at the end
// the verdict as a coloured banner, the summary and a chart per wheel of
// move time against distance below the table, and Save Report…. Every
// cycle is a Send of the main window, whose input is refused meanwhile.
#pragma once

#include <QDialog>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "check_report.h"
#include "controller_check.h"
#include "html_report.h"

class CheckFields;
class ConsoleSession;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class TessaroController;

// The charts of a finished check's moves, one per wheel, side by side.
class MoveChartView : public QWidget {
 public:
  explicit MoveChartView(QWidget* parent);
  void show(std::vector<WheelMoves> wheels);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<WheelMoves> wheels_;
};

class CheckDialog : public QDialog {
 public:
  // portPath: the port as the report names it.
  CheckDialog(ConsoleSession& session, TessaroController& controller, std::string portPath, QWidget* parent);

  // Runs the check to its end; Stop and closing the dialog end it early.
  void start();
  void stop();
  // The console ends: the check stops after the cycle under way, and the
  // dialog says that the console ends once the settings found are set again.
  void stopForExit();
  // Save Report…: asks for the file, starting in the folder a report was
  // last saved in, then writes the report there.
  void saveReport();
  // Writes the finished check's report in path; empty when written, else why not.
  std::string writeReport(const std::string& path) const;
  // How Save Report… asks for the file, given the path it proposes; an
  // empty answer saves nothing. A file dialog unless replaced.
  void askReportPathWith(std::function<QString(const QString& proposed)> ask) { askReportPath_ = std::move(ask); }

  bool running() const { return running_; }
  const CheckResult& result() const { return result_; }
  // The plan's time as estimated before Start, in seconds.
  double estimatedSeconds() const { return estimated_; }
  // The devices the plan as shown now sets, in its order, once each.
  const std::vector<std::string>& plannedDevices() const { return plannedDevices_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void showPlan();
  void showController();
  void setFieldsEnabled(bool enabled);
  void showProgress(const QString& format);
  void stepEnded(const CheckStep& step, const CheckProgress& counts);
  void finished();
  void showVerdict();
  void showSummary();

  ConsoleSession& session_;
  TessaroController& controller_;
  std::string portPath_;
  QLabel* controllerLine_;
  QLabel* plan_;
  CheckFields* fields_;
  QPushButton* start_;
  QPushButton* stop_;
  QProgressBar* progress_;
  QLabel* timeLeft_;
  QLabel* verdict_;
  QTableWidget* table_;
  QPlainTextEdit* summary_;
  MoveChartView* chart_;
  QPushButton* save_;
  QLabel* message_;
  std::function<QString(const QString&)> askReportPath_;
  double estimated_ = 0;
  std::vector<std::string> plannedDevices_;
  bool running_ = false;
  bool stopAsked_ = false;
  bool finished_ = false;
  // What ran and who ran it, as Start took them.
  std::string command_;
  RunDescription who_;
  std::chrono::steady_clock::time_point started_{};
  std::chrono::system_clock::time_point startedAt_{};
  std::chrono::system_clock::time_point endedAt_{};
  CheckResult result_;
};
