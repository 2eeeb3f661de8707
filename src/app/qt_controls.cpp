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

// The view keeps a layout for every paragraph it has ever shown, a few
// hundred bytes each; a piece of text goes in as one paragraph whose lines are
// broken by line separators, which read back as line ends all the same.
namespace {

QString AsOneParagraph(const std::string& text) {
  QString piece = QString::fromStdString(text);
  const bool ends = piece.endsWith(u'\n');
  if (ends) piece.chop(1);
  piece.replace(u'\n', QChar::LineSeparator);
  if (ends) piece.append(u'\n');
  return piece;
}

}  // namespace

void QtTextView::insertText(const std::string& text) {
  if (view_.isReadOnly()) return;
  view_.moveCursor(QTextCursor::End);
  view_.insertPlainText(AsOneParagraph(text));
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
