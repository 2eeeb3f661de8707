// The operations the console's logic performs on the window's controls. The
// widgets of the desktop window and the headless window both provide them.
#pragma once

#include <cstdint>
#include <string>

class Control {
 public:
  virtual ~Control() = default;
  virtual void setHidden(bool hidden) = 0;
};

// A list of items with an editable text field.
class ComboBox : public Control {
 public:
  // -1 when no item is selected (the operator typed a text that is no item).
  virtual int32_t indexOfSelectedItem() const = 0;
  virtual int32_t numberOfItems() const = 0;
  // Any index is accepted, also -1 and one past the end.
  virtual void selectItemAtIndex(int32_t index) = 0;
  virtual void removeItemAtIndex(int32_t index) = 0;
  virtual void insertItemWithObjectValue(const std::string& text, int32_t index) = 0;
  // Selects the whole text of the field and gives it the keyboard focus.
  virtual void selectText() = 0;
  // Marks a control that has no function for the attached controller.
  virtual void setGrayBackground() = 0;
};

class TextField : public Control {
 public:
  // A leading decimal integer after optional spaces, clamped to 32 bits;
  // 0 when the text does not start with one.
  virtual int32_t intValue() const = 0;
  virtual std::string stringValue() const = 0;
  virtual void setIntValue(int32_t value) = 0;
  virtual void setStringValue(const std::string& text) = 0;
  virtual void setEditable(bool editable) = 0;
  virtual void setGrayBackground() = 0;
};

// A static text or a box title.
class Caption : public Control {
 public:
  virtual void setTitleWithMnemonic(const std::string& title) = 0;
};

// Multi-line text, read-only for the operator.
class TextView : public Control {
 public:
  // Inserts at the insertion point (the end unless the operator moved it)
  // and scrolls it into view.
  virtual void insertText(const std::string& text) = 0;
  virtual void setEditable(bool editable) = 0;
};

class Window : public Control {
 public:
  virtual void close() = 0;
  // Puts every list, caption, field and text view back as the window opened
  // (items, titles, hidden, grey and read-only states); leaves the fields'
  // and views' texts as they are.
  virtual void restoreOpeningLayout() = 0;
};
