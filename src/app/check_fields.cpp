#include "check_fields.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include <cstdio>

namespace {

// A move's limit up to a minute: the slowest move known takes about 6 s.
constexpr int kLongestMaxMs = 60000;
constexpr double kLargestDriftPercent = 1000;

constexpr char kNotConnected[] = "not connected";

QCheckBox* DeviceBox(const char* kind, int index, QHBoxLayout& row, QWidget* parent) {
  auto* box = new QCheckBox(QStringLiteral("%1 %2").arg(QLatin1String(kind)).arg(QChar('A' + index)), parent);
  box->setChecked(true);
  box->hide();
  row.addWidget(box);
  return box;
}

QLineEdit* WhoField(const char* description, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setAccessibleDescription(QString::fromLatin1(description));
  return field;
}

// "wheels A, C", "shutters none"; empty when the controller has none of the kind.
std::string ChosenText(QCheckBox* const* boxes, const bool* connected, int count, const char* kind) {
  std::string names;
  bool offered = false;
  for (int i = 0; i < count; ++i) {
    if (boxes[i]->isHidden()) continue;
    offered = true;
    if (connected[i] && boxes[i]->isChecked()) {
      names += std::string(names.empty() ? "" : ", ") + static_cast<char>('A' + i);
    }
  }
  if (!offered) return {};
  return std::string(kind) + " " + (names.empty() ? std::string("none") : names);
}

std::string NumberText(double value) {
  char text[32];
  const int written = std::snprintf(text, sizeof text, "%g", value);
  return written < 0 ? std::string() : std::string(text);
}

}  // namespace

CheckFields::CheckFields(QWidget* parent) : QWidget(parent) {
  auto* form = new QFormLayout(this);
  form->setContentsMargins(0, 0, 0, 0);
  auto* devices = new QHBoxLayout;
  for (int w = 0; w < kCheckWheels; ++w) wheels_[w] = DeviceBox("wheel", w, *devices, this);
  for (int s = 0; s < kCheckShutters; ++s) shutters_[s] = DeviceBox("shutter", s, *devices, this);
  devices->addStretch(1);
  form->addRow(QStringLiteral("Devices:"), devices);
  for (QCheckBox* box : wheels_) connect(box, &QCheckBox::toggled, this, [this] { changed_(); });
  for (QCheckBox* box : shutters_) connect(box, &QCheckBox::toggled, this, [this] { changed_(); });

  auto* limits = new QHBoxLayout;
  maxMs_ = new QSpinBox(this);
  maxMs_->setRange(0, kLongestMaxMs);
  maxMs_->setSingleStep(100);
  maxMs_->setSuffix(QStringLiteral(" ms"));
  maxMs_->setSpecialValueText(QStringLiteral("no limit"));
  maxMs_->setAccessibleDescription(QStringLiteral("max ms per move"));
  maxDrift_ = new QDoubleSpinBox(this);
  maxDrift_->setRange(0, kLargestDriftPercent);
  maxDrift_->setDecimals(1);
  maxDrift_->setSuffix(QStringLiteral(" %"));
  maxDrift_->setSpecialValueText(QStringLiteral("no limit"));
  maxDrift_->setAccessibleDescription(QStringLiteral("max drift percent"));
  limits->addWidget(maxMs_);
  limits->addSpacing(12);
  limits->addWidget(new QLabel(QStringLiteral("Max drift between wheels:"), this));
  limits->addWidget(maxDrift_);
  limits->addStretch(1);
  form->addRow(QStringLiteral("Max time per move:"), limits);

  label_ = WhoField("check label", this);
  label_->setPlaceholderText(QStringLiteral("the controller's serial number or name"));
  operator_ = WhoField("check operator", this);
  note_ = WhoField("check note", this);
  form->addRow(QStringLiteral("Label:"), label_);
  form->addRow(QStringLiteral("Operator:"), operator_);
  form->addRow(QStringLiteral("Note:"), note_);
}

void CheckFields::offer(const CheckPlan& plan) {
  const auto offerBox = [&plan](QCheckBox* box, bool& offered, const std::string& device) {
    bool has = false;
    bool connected = false;
    for (const PlannedStep& step : plan.steps) {
      if (step.device != device) continue;
      has = true;
      connected = connected || step.skipped != kNotConnected;
    }
    offered = has && connected;
    box->setVisible(has);
    box->setEnabled(connected);
    box->setToolTip(connected ? QString() : QString::fromLatin1(kNotConnected));
  };
  for (int w = 0; w < kCheckWheels; ++w) offerBox(wheels_[w], wheelConnected_[w], std::string("wheel") + static_cast<char>('A' + w));
  for (int s = 0; s < kCheckShutters; ++s) {
    offerBox(shutters_[s], shutterConnected_[s], std::string("shutter") + static_cast<char>('A' + s));
  }
}

CheckChoice CheckFields::choice() const {
  CheckChoice choice;
  for (int w = 0; w < kCheckWheels; ++w) choice.wheel[w] = wheels_[w]->isChecked();
  for (int s = 0; s < kCheckShutters; ++s) choice.shutter[s] = shutters_[s]->isChecked();
  return choice;
}

void CheckFields::limitsInto(CheckOptions& options) const {
  options.maxMs = maxMs_->value();
  options.maxDriftPercent = maxDrift_->value();
}

void CheckFields::describe(RunDescription& run) const {
  run.label = label_->text().trimmed().toStdString();
  run.operatorName = operatorName();
  run.note = note_->text().trimmed().toStdString();
}

std::string CheckFields::commandText() const {
  std::string text = "Check… in korvel-console";
  std::string parts;
  for (const std::string& part : {ChosenText(wheels_, wheelConnected_, kCheckWheels, "wheels"),
                                  ChosenText(shutters_, shutterConnected_, kCheckShutters, "shutters")}) {
    if (!part.empty()) parts += (parts.empty() ? "" : "; ") + part;
  }
  if (parts.empty()) parts = "every device the controller reports connected";
  if (maxMs_->value() > 0) parts += "; max " + std::to_string(maxMs_->value()) + " ms";
  if (maxDrift_->value() > 0) parts += "; max drift " + NumberText(maxDrift_->value()) + " %";
  return text + ": " + parts;
}

std::string CheckFields::operatorName() const { return operator_->text().trimmed().toStdString(); }

void CheckFields::setOperatorName(const std::string& name) { operator_->setText(QString::fromStdString(name)); }
