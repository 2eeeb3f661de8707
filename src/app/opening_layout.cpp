#include "opening_layout.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>

void OpeningLayout::addShown(QWidget& widget) {
  // Before the window is first shown every child reads as hidden; only an
  // explicit hide counts.
  const bool hidden = widget.isHidden() && widget.testAttribute(Qt::WA_WState_ExplicitShowHide);
  shown_.push_back({&widget, hidden, widget.palette()});
}

void OpeningLayout::add(QComboBox& list) {
  addShown(list);
  QStringList items;
  for (int i = 0; i < list.count(); ++i) items.push_back(list.itemText(i));
  lists_.push_back({&list, items});
}

void OpeningLayout::add(QLineEdit& field) {
  addShown(field);
  fields_.push_back({&field, field.isReadOnly()});
}

void OpeningLayout::add(QLabel& caption) {
  addShown(caption);
  captions_.push_back({&caption, caption.text()});
}

void OpeningLayout::add(QPlainTextEdit& view) { addShown(view); }

void OpeningLayout::restore() const {
  for (const List& list : lists_) {
    list.box->clear();
    list.box->addItems(list.items);
  }
  for (const Field& field : fields_) field.field->setReadOnly(field.readOnly);
  for (const Caption& caption : captions_) caption.label->setText(caption.text);
  for (const Shown& shown : shown_) {
    shown.widget->setPalette(shown.palette);
    shown.widget->setHidden(shown.hidden);
  }
}
