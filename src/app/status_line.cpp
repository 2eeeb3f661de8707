#include "status_line.h"

#include <QLabel>
#include <QSizePolicy>
#include <QStatusBar>
#include <QString>

namespace {

// A text longer than the window is cut, never widens the window: the full
// text is the label's tool tip.
QLabel& AddLabel(QStatusBar& bar, const char* name, int stretch) {
  auto* label = new QLabel(&bar);
  label->setObjectName(name);
  label->setAccessibleDescription(name);
  label->setTextFormat(Qt::PlainText);
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  bar.addWidget(label, stretch);
  return *label;
}

void Show(QLabel& label, const std::string& text) {
  const QString shown = QString::fromStdString(text);
  label.setText(shown);
  label.setToolTip(shown);
}

}  // namespace

StatusLine::StatusLine(QStatusBar& bar)
    : portState_(AddLabel(bar, "portState", 3)), message_(AddLabel(bar, "statusMessage", 2)) {}

void StatusLine::showPortState(const std::string& text) { Show(portState_, text); }

void StatusLine::showMessage(const std::string& text) { Show(message_, text); }

std::string StatusLine::portState() const { return portState_.text().toStdString(); }

std::string StatusLine::message() const { return message_.text().toStdString(); }
