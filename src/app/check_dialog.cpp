#include "check_dialog.h"

#include <algorithm>

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextDocument>
#include <QVBoxLayout>

#include "check_fields.h"
#include "check_output.h"
#include "check_plan.h"
#include "check_timing.h"
#include "console_session.h"
#include "cycle_state.h"
#include "serial_state.h"
#include "status_length.h"
#include "time_figures.h"
#include "window_check_line.h"

namespace {

constexpr char kWhatMoves[] =
    "The check moves each chosen wheel through each filter position and speed and sets each chosen shutter "
    "open, closed and through each mode, each setting verified by a status query; then it sets the settings "
    "found again. Wheels move and shutters open: light may reach a sample.";

const char* const kColumns[] = {"device", "setting", "value", "sent", "expected", "reported", "result", "ms"};

// About twelve rows: the table keeps this height whatever appears below it.
constexpr int kTableHeight = 340;

// The verdict's banner: passed green, failed red, anything else amber.
struct BannerColours {
  CheckVerdict verdict;
  const char* style;
};
constexpr BannerColours kBanners[] = {
    {CheckVerdict::kPassed, "background:#1b7a34;color:white;"},
    {CheckVerdict::kFailed, "background:#c62828;color:white;"},
};
constexpr char kOtherBanner[] = "background:#f2b705;color:black;";

std::vector<std::string> DevicesOf(const CheckPlan& plan) {
  std::vector<std::string> devices;
  for (const PlannedStep& step : plan.steps) {
    if (!step.skipped.empty()) continue;
    if (std::find(devices.begin(), devices.end(), step.device) == devices.end()) devices.push_back(step.device);
  }
  return devices;
}

int StepsOf(const CheckPlan& plan) {
  return static_cast<int>(std::count_if(plan.steps.begin(), plan.steps.end(),
                                        [](const PlannedStep& step) { return step.skipped.empty(); }));
}

// "plan of 70 steps, devices wheelA wheelB shutterA": the plan from what the
// window shows as the check starts.
std::string PlanRecordText(const CheckPlan& plan) {
  std::string named;
  for (const std::string& device : DevicesOf(plan)) named += (named.empty() ? "" : " ") + device;
  return "plan of " + std::to_string(StepsOf(plan)) + " steps, devices " +
         (named.empty() ? std::string("from the first status reply") : named);
}

std::string VerdictRecordText(const CheckResult& result) {
  return std::string("verdict ") + VerdictName(result.verdict) + "; restore " +
         (result.restored ? "verified" : "NOT verified: " + result.restoreNote);
}

QString AskWithFileDialog(QWidget* parent, const QString& proposed) {
  // The report is never written over a file that is there: the writer
  // refuses and says so in the dialog.
  return QFileDialog::getSaveFileName(parent, QStringLiteral("Save Report"), proposed,
                                      QStringLiteral("HTML files (*.html);;All files (*)"), nullptr,
                                      QFileDialog::DontConfirmOverwrite);
}

// The folder a report was last saved in this session, while it is there.
QString ReportFolder(const CheckMemory& memory) {
  const QString last = QString::fromStdString(memory.reportFolder);
  return !last.isEmpty() && QFileInfo(last).isDir() ? last : QDir::homePath();
}

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
    : QDialog(parent),
      session_(session),
      controller_(controller),
      portPath_(std::move(portPath)),
      askReportPath_([this](const QString& proposed) { return AskWithFileDialog(this, proposed); }) {
  setWindowTitle(QStringLiteral("Check the Controller"));
  auto* outer = new QVBoxLayout(this);
  // Everything but the buttons scrolls together: what appears at the end
  // goes below the table and never squeezes it.
  auto* scroll = new QScrollArea(this);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  auto* content = new QWidget(scroll);
  auto* layout = new QVBoxLayout(content);
  controllerLine_ = new QLabel(content);
  controllerLine_->setWordWrap(true);
  controllerLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  controllerLine_->setAccessibleDescription(QStringLiteral("check controller"));
  layout->addWidget(controllerLine_);
  plan_ = new QLabel(content);
  plan_->setWordWrap(true);
  plan_->setAccessibleDescription(QStringLiteral("check plan"));
  layout->addWidget(plan_);
  fields_ = new CheckFields(content);
  layout->addWidget(fields_);
  auto* progressRow = new QHBoxLayout;
  progress_ = new QProgressBar(content);
  progress_->setAccessibleDescription(QStringLiteral("check progress"));
  progress_->setRange(0, 1);
  progress_->setValue(0);
  showProgress(QStringLiteral("not started"));
  timeLeft_ = new QLabel(content);
  timeLeft_->setAccessibleDescription(QStringLiteral("check time left"));
  progressRow->addWidget(progress_, 1);
  progressRow->addWidget(timeLeft_);
  layout->addLayout(progressRow);
  verdict_ = new QLabel(content);
  verdict_->setAccessibleDescription(QStringLiteral("check verdict"));
  verdict_->setMargin(8);
  QFont bannerFont = verdict_->font();
  bannerFont.setBold(true);
  bannerFont.setPointSizeF(bannerFont.pointSizeF() * 1.3);
  verdict_->setFont(bannerFont);
  verdict_->hide();
  layout->addWidget(verdict_);
  table_ = new QTableWidget(0, static_cast<int>(std::size(kColumns)), content);
  QStringList headers;
  for (const char* column : kColumns) headers << QString::fromLatin1(column);
  table_->setHorizontalHeaderLabels(headers);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // One line a step, each column as wide as its widest cell.
  table_->setWordWrap(false);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->setAccessibleDescription(QStringLiteral("check steps"));
  table_->setFixedHeight(kTableHeight);
  layout->addWidget(table_);
  summary_ = new QPlainTextEdit(content);
  summary_->setReadOnly(true);
  summary_->setAccessibleDescription(QStringLiteral("check summary"));
  summary_->setLineWrapMode(QPlainTextEdit::NoWrap);
  summary_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  summary_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  summary_->hide();
  layout->addWidget(summary_);
  chart_ = new MoveChartView(content);
  chart_->hide();
  layout->addWidget(chart_);
  message_ = new QLabel(content);
  message_->setWordWrap(true);
  layout->addWidget(message_);
  layout->addStretch(1);
  scroll->setWidget(content);
  outer->addWidget(scroll, 1);
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
  outer->addLayout(buttons);
  connect(start_, &QPushButton::clicked, this, &CheckDialog::start);
  connect(stop_, &QPushButton::clicked, this, &CheckDialog::stop);
  connect(save_, &QPushButton::clicked, this, &CheckDialog::saveReport);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  fields_->setOperatorName(session_.checkMemory().operatorName);
  fields_->onChoiceChanged([this] {
    if (!running_) showPlan();
  });
  resize(920, 860);
  showPlan();
}

// "Port /dev/ttyUSB0 · triad", then the configuration reply's text: the
// configuration the last check read, else the window's last one.
void CheckDialog::showController() {
  const std::string configuration = finished_ && !result_.configuration.empty() ? result_.configuration
                                                                                 : session_.configuration();
  std::string text = "Port " + (portPath_.empty() ? std::string("(none)") : portPath_) + " · controller: " +
                     (itype == kUnknown ? std::string("not identified yet (the check identifies it first)")
                                        : std::string(VariantName(itype)));
  if (!configuration.empty()) text += "\nConfiguration: " + configuration;
  controllerLine_->setText(QString::fromStdString(text));
}

// The plan from what the window shows now; the check plans again from the
// controller's first status reply, which may tell otherwise and which alone
// holds a Mono's own settings (the preview counts its shutter only).
void CheckDialog::showPlan() {
  showController();
  WindowCheckLine line(session_, controller_);
  fields_->offer(PlanCheck(line.window(), CheckChoice{}, {}));
  const CheckPlan plan = PlanCheck(line.window(), fields_->choice(), {});
  plannedDevices_ = DevicesOf(plan);
  estimated_ = CheckEstimate(plan, itype, PlainStatusReplyLength(itype)).secondsLeft();
  std::string text = kWhatMoves;
  if (itype == kUnknown) {
    text += "\n\nThe window does not know the controller's devices yet: the check plans from its first status reply.";
  } else if (plannedDevices_.empty()) {
    text += "\n\nPlan: no device is chosen; the check only reads the controller's status.";
  } else {
    text += "\n\nPlan: " + std::to_string(StepsOf(plan)) + " steps, about " + DurationText(estimated_) +
            " on the line at 300 baud.";
  }
  plan_->setText(QString::fromStdString(text));
}

// The bar's text is also its name for assistive technology, which reads no
// progress bar's text otherwise.
void CheckDialog::showProgress(const QString& format) {
  progress_->setFormat(format);
  progress_->setAccessibleName(progress_->text());
}

void CheckDialog::setFieldsEnabled(bool enabled) {
  fields_->setEnabled(enabled);
  start_->setEnabled(enabled);
  save_->setEnabled(enabled && finished_);
  stop_->setEnabled(!enabled);
}

void CheckDialog::start() {
  if (running_) return;
  running_ = true;
  stopAsked_ = false;
  finished_ = false;
  setFieldsEnabled(false);
  verdict_->hide();
  summary_->hide();
  chart_->hide();
  message_->clear();
  table_->setRowCount(0);
  progress_->setRange(0, 1);
  progress_->setValue(0);
  showProgress(QStringLiteral("identifying the controller"));
  timeLeft_->setText(QString::fromStdString("time left about " + DurationText(estimated_)));
  command_ = fields_->commandText();
  who_ = RunDescription{};
  fields_->describe(who_);
  if (!who_.operatorName.empty()) session_.checkMemory().operatorName = who_.operatorName;
  startedAt_ = std::chrono::system_clock::now();
  started_ = std::chrono::steady_clock::now();
  WindowCheckLine line(session_, controller_);
  CheckOptions options;
  options.choice = fields_->choice();
  fields_->limitsInto(options);
  options.stopRequested = [this] { return stopAsked_; };
  options.stepEnded = [this](const CheckStep& step, const CheckProgress& counts) { stepEnded(step, counts); };
  session_.passWindow(this);
  session_.beginCheckRecord(PlanRecordText(PlanCheck(line.window(), options.choice, {})));
  result_ = RunCheck(line, options);
  session_.endCheckRecord(VerdictRecordText(result_));
  session_.passWindow(nullptr);
  endedAt_ = std::chrono::system_clock::now();
  finished();
  // Last: it may end the console.
  session_.checkEnded();
}

void CheckDialog::stop() {
  if (!running_ || stopAsked_) return;
  stopAsked_ = true;
  stop_->setEnabled(false);
  timeLeft_->setText(QStringLiteral("stopping after this step"));
}

void CheckDialog::stopForExit() {
  stop();
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
  progress_->setRange(0, counts.planned);
  progress_->setValue(counts.done);
  showProgress(QStringLiteral("step %v of %m"));
  if (!stopAsked_) timeLeft_->setText(QString::fromStdString("time left about " + DurationText(counts.secondsLeft)));
}

void CheckDialog::finished() {
  running_ = false;
  finished_ = true;
  setFieldsEnabled(true);
  const int done = static_cast<int>(result_.steps.size());
  progress_->setRange(0, std::max(result_.planned, 1));
  progress_->setValue(std::min(done, std::max(result_.planned, 1)));
  QString format;
  if (result_.planned == 0) {
    format = QStringLiteral("ended before any step");
  } else if (result_.verdict == CheckVerdict::kStopped) {
    format = QStringLiteral("stopped at step %1 of %2").arg(done).arg(result_.planned);
  } else if (done < result_.planned) {
    format = QStringLiteral("ended at step %1 of %2").arg(done).arg(result_.planned);
  } else {
    format = QStringLiteral("all %1 steps done").arg(result_.planned);
  }
  showProgress(format);
  const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  timeLeft_->setText(QString::fromStdString("took " + DurationText(took)));
  showVerdict();
  showSummary();
  chart_->show(MoveSeries(result_.steps));
  // The check identified the controller: the devices and plan it has now.
  showPlan();
}

void CheckDialog::showVerdict() {
  const char* style = kOtherBanner;
  for (const BannerColours& banner : kBanners) {
    if (banner.verdict == result_.verdict) style = banner.style;
  }
  std::string text = std::string("verdict: ") + VerdictName(result_.verdict);
  if (!result_.restored) text += " · settings found NOT verified again";
  verdict_->setStyleSheet(QString::fromLatin1(style));
  verdict_->setText(QString::fromStdString(text));
  verdict_->show();
}

// The whole summary, as tall as its lines: it scrolls with the dialog.
void CheckDialog::showSummary() {
  summary_->setPlainText(QString::fromStdString(CheckSummaryText(result_)));
  const int lines = summary_->document()->blockCount();
  const QMargins margins = summary_->contentsMargins();
  const int scrollBar = summary_->horizontalScrollBar()->sizeHint().height();
  summary_->setFixedHeight((lines + 1) * summary_->fontMetrics().lineSpacing() + margins.top() + margins.bottom() +
                           2 * summary_->frameWidth() + scrollBar);
  summary_->show();
}

std::string CheckDialog::writeReport(const std::string& path) const {
  RunDescription run = DescribeRun("korvel-console", result_.configuration, portPath_, startedAt_, endedAt_, command_);
  run.label = who_.label;
  run.operatorName = who_.operatorName;
  run.note = who_.note;
  return WriteReport(path, CheckReportHtml(run, result_));
}

void CheckDialog::saveReport() {
  if (!finished_ || running_) return;
  CheckMemory& memory = session_.checkMemory();
  const QString proposed = QDir(ReportFolder(memory)).filePath(
      QStringLiteral("korvel-check-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss")) +
      QStringLiteral(".html"));
  const QString path = askReportPath_(proposed);
  if (path.isEmpty()) return;
  const std::string failure = writeReport(path.toStdString());
  if (failure.empty()) memory.reportFolder = QFileInfo(path).absolutePath().toStdString();
  message_->setText(QString::fromStdString(failure.empty() ? "The report was saved in " + path.toStdString() + "."
                                                           : failure));
}

// Closing while the check runs stops it; the dialog closes once the
// settings found are set again.
void CheckDialog::closeEvent(QCloseEvent* event) {
  if (running_) {
    stop();
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}
