#include "qt_combo_box.h"

#include <QComboBox>
#include <QLineEdit>
#include <QString>

#include <algorithm>

#include "gray_background.h"

QtComboBox::QtComboBox(QComboBox& box) : box_(box) {
  selection_.select(box.currentIndex());
  // Only the operator's own picks and typing reach these signals; the
  // program's selections go through selectItemAtIndex.
  picked_ = QObject::connect(&box, &QComboBox::activated, [this](int index) { selection_.select(index); });
  if (QLineEdit* field = box.lineEdit()) {
    typed_ = QObject::connect(field, &QLineEdit::textEdited, [this] { selection_.clear(); });
  }
}

QtComboBox::~QtComboBox() {
  QObject::disconnect(picked_);
  QObject::disconnect(typed_);
}

int32_t QtComboBox::numberOfItems() const { return box_.count(); }

void QtComboBox::selectItemAtIndex(int32_t index) {
  selection_.select(index);
  box_.setCurrentIndex(selection_.shownItem(numberOfItems()));
}

void QtComboBox::removeItemAtIndex(int32_t index) {
  if (index < 0 || index >= numberOfItems()) return;
  box_.removeItem(index);
}

void QtComboBox::insertItemWithObjectValue(const std::string& text, int32_t index) {
  box_.insertItem(std::clamp(index, 0, numberOfItems()), QString::fromStdString(text));
}

void QtComboBox::selectText() {
  box_.setFocus(Qt::OtherFocusReason);
  if (QLineEdit* field = box_.lineEdit()) field->selectAll();
}

void QtComboBox::setGrayBackground() { PaintGray(box_); }

void QtComboBox::setHidden(bool hidden) { box_.setHidden(hidden); }
