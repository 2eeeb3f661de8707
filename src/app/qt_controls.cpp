#include "qt_controls.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QString>
#include <QTextCursor>

#include "gray_background.h"
#include "int_value.h"

int32_t QtTextField::intValue() const { return ::intValue(stringValue()); }

std::string QtTextField::stringValue() const { return field_.text().toStdString(); }

void QtTextField::setIntValue(int32_t value) { field_.setText(QString::number(value)); }

void QtTextField::setStringValue(const std::string& text) { field_.setText(QString::fromStdString(text)); }

void QtTextField::setEditable(bool editable) { field_.setReadOnly(!editable); }

void QtTextField::setGrayBackground() { PaintGray(field_); }

void QtTextField::setHidden(bool hidden) { field_.setHidden(hidden); }

QtCaption::QtCaption(QLabel& label) : label_(label) { label_.setTextFormat(Qt::PlainText); }

void QtCaption::setTitleWithMnemonic(const std::string& title) { label_.setText(QString::fromStdString(title)); }

void QtCaption::setHidden(bool hidden) { label_.setHidden(hidden); }

void QtTextView::insertText(const std::string& text) {
  if (view_.isReadOnly()) return;
  view_.moveCursor(QTextCursor::End);
  view_.insertPlainText(QString::fromStdString(text));
  view_.ensureCursorVisible();
  // The cursor's line can be in view with the last line cut at the foot of a
  // view whose height is no whole number of lines.
  view_.verticalScrollBar()->setValue(view_.verticalScrollBar()->maximum());
}

void QtTextView::setEditable(bool editable) { view_.setReadOnly(!editable); }

void QtTextView::setHidden(bool hidden) { view_.setHidden(hidden); }

void QtWindow::close() { window_.close(); }

void QtWindow::setHidden(bool hidden) { window_.setHidden(hidden); }

void QtWindow::restoreOpeningLayout() { opening_.restore(); }
