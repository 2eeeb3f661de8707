// The window's fields, captions, views and the window itself as Qt widgets.
#pragma once

#include "controls.h"
#include "opening_layout.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

class QtTextField : public TextField {
 public:
  explicit QtTextField(QLineEdit& field) : field_(field) {}

  int32_t intValue() const override;
  std::string stringValue() const override;
  void setIntValue(int32_t value) override;
  void setStringValue(const std::string& text) override;
  void setEditable(bool editable) override;
  void setGrayBackground() override;
  void setHidden(bool hidden) override;

  const QLineEdit& field() const { return field_; }

 private:
  QLineEdit& field_;
};

class QtCaption : public Caption {
 public:
  // Shows its texts as they are: no mnemonic, no markup.
  explicit QtCaption(QLabel& label);

  void setTitleWithMnemonic(const std::string& title) override;
  void setHidden(bool hidden) override;

 private:
  QLabel& label_;
};

class QtTextView : public TextView {
 public:
  explicit QtTextView(QPlainTextEdit& view) : view_(view) {}

  // Always at the end of the text, wherever the operator left the cursor, so
  // that the log stays in the order of the cycles; a read-only view takes no
  // text.
  void insertText(const std::string& text) override;
  void setEditable(bool editable) override;
  void setHidden(bool hidden) override;

 private:
  QPlainTextEdit& view_;
};

class QtWindow : public Window {
 public:
  QtWindow(QWidget& window, const OpeningLayout& opening) : window_(window), opening_(opening) {}

  void close() override;
  void setHidden(bool hidden) override;
  void restoreOpeningLayout() override;

 private:
  QWidget& window_;
  const OpeningLayout& opening_;
};
