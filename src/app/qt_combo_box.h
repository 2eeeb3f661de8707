// The general command list and the device lists as Qt combo boxes.
#pragma once

#include <QMetaObject>

#include "controls.h"
#include "list_selection.h"

class QComboBox;

class QtComboBox : public ComboBox {
 public:
  // Starts with the item the box shows selected, as the layout left it.
  explicit QtComboBox(QComboBox& box);
  ~QtComboBox() override;
  QtComboBox(const QtComboBox&) = delete;
  QtComboBox& operator=(const QtComboBox&) = delete;

  int32_t indexOfSelectedItem() const override { return selection_.index(); }
  int32_t numberOfItems() const override;
  // An index the list does not hold is still reported; the field then shows
  // no item.
  void selectItemAtIndex(int32_t index) override;
  // An index the list does not hold removes nothing.
  void removeItemAtIndex(int32_t index) override;
  // An index outside 0 to numberOfItems() puts the item at the nearer end.
  void insertItemWithObjectValue(const std::string& text, int32_t index) override;
  void selectText() override;
  void setGrayBackground() override;
  void setHidden(bool hidden) override;

  const QComboBox& box() const { return box_; }

 private:
  QComboBox& box_;
  ListSelection selection_;
  QMetaObject::Connection picked_;
  QMetaObject::Connection typed_;
};
