#include "check_dialog.h"

#include <algorithm>

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "check_output.h"
#include "check_plan.h"
#include "check_timing.h"
#include "console_session.h"
#include "cycle_state.h"
#include "html_report.h"
#include "serial_state.h"
#include "time_figures.h"
#include "window_check_line.h"

namespace {

constexpr char kWhatMoves[] =
    "The check moves every connected wheel through each filter position and speed and sets every connected "
    "shutter open, closed and through each mode, each setting verified by a status query; then it sets the "
    "settings found again. Wheels move and shutters open: light may reach a sample.";

const char* const kColumns[] = {"device", "setting", "value", "sent", "expected", "reported", "result", "ms"};

}  // namespace

MoveChartView::MoveChartView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(600, 260);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void MoveChartView::show(std::vector<WheelMoves> wheels) {
  wheels_ = std::move(wheels);
  setVisible(!wheels_.empty());
  update();
}

void MoveChartView::paintEvent(QPaintEvent*) {
  if (wheels_.empty()) return;
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  const double width = static_cast<double>(this->width()) / static_cast<double>(wheels_.size());
  for (std::size_t i = 0; i < wheels_.size(); ++i) {
    DrawMoveChart(painter, QRectF(width * static_cast<double>(i), 0, width, height()), wheels_[i]);
  }
}

CheckDialog::CheckDialog(ConsoleSession& session, TessaroController& controller, std::string portPath,
                         QWidget* parent)
    : QDialog(parent), session_(session), controller_(controller), portPath_(std::move(portPath)) {
  setWindowTitle(QStringLiteral("Check the Controller"));
  auto* layout = new QVBoxLayout(this);
  plan_ = new QLabel(this);
  plan_->setWordWrap(true);
  layout->addWidget(plan_);
  auto* progressRow = new QHBoxLayout;
  progress_ = new QProgressBar(this);
  progress_->setAccessibleDescription(QStringLiteral("check progress"));
  timeLeft_ = new QLabel(this);
  progressRow->addWidget(progress_, 1);
  progressRow->addWidget(timeLeft_);
  layout->addLayout(progressRow);
  table_ = new QTableWidget(0, static_cast<int>(std::size(kColumns)), this);
  QStringList headers;
  for (const char* column : kColumns) headers << QString::fromLatin1(column);
  table_->setHorizontalHeaderLabels(headers);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setAccessibleDescription(QStringLiteral("check steps"));
  layout->addWidget(table_, 1);
  summary_ = new QPlainTextEdit(this);
  summary_->setReadOnly(true);
  summary_->setAccessibleDescription(QStringLiteral("check summary"));
  summary_->setMaximumHeight(140);
  summary_->hide();
  layout->addWidget(summary_);
  chart_ = new MoveChartView(this);
  chart_->hide();
  layout->addWidget(chart_);
  message_ = new QLabel(this);
  message_->setWordWrap(true);
  layout->addWidget(message_);
  auto* buttons = new QHBoxLayout;
  start_ = new QPushButton(QStringLiteral("Start"), this);
  stop_ = new QPushButton(QStringLiteral("Stop"), this);
  save_ = new QPushButton(QStringLiteral("Save Report…"), this);
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  stop_->setEnabled(false);
  save_->setEnabled(false);
  for (QPushButton* button : {start_, stop_, save_}) buttons->addWidget(button);
  buttons->addStretch(1);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  connect(start_, &QPushButton::clicked, this, &CheckDialog::start);
  connect(stop_, &QPushButton::clicked, this, &CheckDialog::stop);
  connect(save_, &QPushButton::clicked, this, &CheckDialog::saveReport);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  resize(900, 760);
  showPlan();
}

// The plan from what the window shows now; the check plans again from the
// controller's first status reply, which may tell otherwise and which alone
// holds a Mono's own settings (the preview counts its shutter only).
void CheckDialog::showPlan() {
  WindowCheckLine line(session_, controller_);
  const CheckPlan plan = PlanCheck(line.window(), {}, {});
  std::vector<std::string> devices;
  for (const PlannedStep& step : plan.steps) {
    if (step.skipped.empty()) devices.push_back(step.device);
  }
  estimated_ = EstimatedCheckSeconds(devices);
  std::string text = kWhatMoves;
  if (devices.empty()) {
    text += "\n\nThe window does not know the controller's devices yet: the check plans from its first status reply.";
  } else {
    text += "\n\nPlan: " + std::to_string(devices.size()) + " steps, about " + std::to_string(estimated_) + " s.";
  }
  plan_->setText(QString::fromStdString(text));
}

namespace {

// "plan of 70 steps, devices wheelA wheelB shutterA": the plan from what the
// window shows as the check starts.
std::string PlanRecordText(WindowCheckLine& line) {
  const CheckPlan plan = PlanCheck(line.window(), {}, {});
  std::vector<std::string> devices;
  int steps = 0;
  for (const PlannedStep& step : plan.steps) {
    if (!step.skipped.empty()) continue;
    ++steps;
    if (std::find(devices.begin(), devices.end(), step.device) == devices.end()) devices.push_back(step.device);
  }
  std::string named;
  for (const std::string& device : devices) named += (named.empty() ? "" : " ") + device;
  return "plan of " + std::to_string(steps) + " steps, devices " +
         (named.empty() ? std::string("from the first status reply") : named);
}

std::string VerdictRecordText(const CheckResult& result) {
  return std::string("verdict ") + VerdictName(result.verdict) + "; restore " +
         (result.restored ? "verified" : "NOT verified: " + result.restoreNote);
}

}  // namespace

void CheckDialog::start() {
  if (running_) return;
  running_ = true;
  stopAsked_ = false;
  finished_ = false;
  start_->setEnabled(false);
  stop_->setEnabled(true);
  save_->setEnabled(false);
  summary_->hide();
  chart_->hide();
  message_->clear();
  table_->setRowCount(0);
  progress_->setValue(0);
  timeLeft_->setText(QStringLiteral("about %1 s left").arg(estimated_));
  startedAt_ = std::chrono::system_clock::now();
  started_ = std::chrono::steady_clock::now();
  WindowCheckLine line(session_, controller_);
  CheckOptions options;
  options.stopRequested = [this] { return stopAsked_; };
  options.stepEnded = [this](const CheckStep& step, const CheckProgress& counts) {
    stepEnded(step, counts);
  };
  session_.passWindow(this);
  session_.beginCheckRecord(PlanRecordText(line));
  result_ = RunCheck(line, options);
  session_.endCheckRecord(VerdictRecordText(result_));
  session_.passWindow(nullptr);
  endedAt_ = std::chrono::system_clock::now();
  finished();
  // Last: it may end the console.
  session_.checkEnded();
}

void CheckDialog::stopForExit() {
  stopAsked_ = true;
  stop_->setEnabled(false);
  message_->setText(QStringLiteral(
      "The console is ending: the check stops after the cycle under way, sets the settings found again and "
      "verifies them; then the console ends."));
}

void CheckDialog::stepEnded(const CheckStep& step, const CheckProgress& counts) {
  const int row = table_->rowCount();
  table_->insertRow(row);
  const QString cells[] = {QString::fromStdString(step.device),   QString::fromStdString(step.setting),
                           QString::fromStdString(step.value),    QString::fromStdString(step.sent),
                           QString::fromStdString(step.expected), QString::fromStdString(step.reported),
                           QString::fromLatin1(StepResultName(step.result)), QString::fromStdString(MsText(step.ms))};
  for (int column = 0; column < static_cast<int>(std::size(cells)); ++column) {
    auto* item = new QTableWidgetItem(cells[column]);
    if (!step.note.empty()) item->setToolTip(QString::fromStdString(step.note));
    if (step.result == StepResult::kFail) item->setBackground(QColor(255, 190, 190));
    table_->setItem(row, column, item);
  }
  table_->scrollToItem(table_->item(row, 0));
  progress_->setMaximum(counts.planned);
  progress_->setValue(counts.done);
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  const int left = CheckSecondsLeft(elapsed, counts.done, counts.planned, estimated_);
  timeLeft_->setText(QStringLiteral("about %1 s left").arg(left));
}

void CheckDialog::finished() {
  running_ = false;
  finished_ = true;
  start_->setEnabled(true);
  stop_->setEnabled(false);
  save_->setEnabled(true);
  timeLeft_->setText(QStringLiteral("done"));
  summary_->setPlainText(QString::fromStdString(CheckSummaryText(result_)));
  summary_->show();
  chart_->show(MoveSeries(result_.steps));
}

std::string CheckDialog::writeReport(const std::string& path) const {
  const RunDescription run =
      DescribeRun("korvel-console", result_.configuration, portPath_, startedAt_, endedAt_);
  return WriteReport(path, CheckReportHtml(run, result_));
}

void CheckDialog::saveReport() {
  if (!finished_ || running_) return;
  const QString defaultPath = QDir::home().filePath(
      QStringLiteral("korvel-check-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss")) +
      QStringLiteral(".html"));
  // The report is never written over a file that is there: the writer
  // refuses and says so here.
  const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Report"), defaultPath,
                                                    QStringLiteral("HTML files (*.html);;All files (*)"), nullptr,
                                                    QFileDialog::DontConfirmOverwrite);
  if (path.isEmpty()) return;
  const std::string failure = writeReport(path.toStdString());
  message_->setText(QString::fromStdString(failure.empty() ? "The report was saved in " + path.toStdString() + "."
                                                           : failure));
}

// Closing while the check runs stops it; the dialog closes once the
// settings found are set again.
void CheckDialog::closeEvent(QCloseEvent* event) {
  if (running_) {
    stopAsked_ = true;
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}
