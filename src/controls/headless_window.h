// A window without a toolkit: every control keeps what a person would see, so
// that a program without a display (korvel-ctl) or a test can act as the
// operator, run the controller's actions and read the window back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls.h"
#include "list_selection.h"
#include "tessaro_controller.h"

// The control that has the keyboard focus in one window.
struct KeyboardFocus {
  const Control* control = nullptr;
};

class HeadlessComboBox : public ComboBox {
 public:
  std::vector<std::string> items;
  std::string text;  // what the field shows
  bool hidden = false;
  bool gray = false;
  bool textSelected = false;  // the whole text, by selectText
  KeyboardFocus* focus = nullptr;

  // The operator picks item index; an index the list does not hold throws
  // std::out_of_range, since no operator could pick it.
  void choose(int32_t index);
  // The operator types a text that is no item.
  void type(std::string typed);

  int32_t indexOfSelectedItem() const override { return selection_.index(); }
  int32_t numberOfItems() const override { return static_cast<int32_t>(items.size()); }
  void selectItemAtIndex(int32_t index) override;
  // An index the list does not hold removes nothing.
  void removeItemAtIndex(int32_t index) override;
  // An index outside 0 to numberOfItems() puts the item at the nearer end.
  void insertItemWithObjectValue(const std::string& itemText, int32_t index) override;
  void selectText() override;
  void setGrayBackground() override { gray = true; }
  void setHidden(bool hide) override { hidden = hide; }

 private:
  ListSelection selection_;
};

class HeadlessTextField : public TextField {
 public:
  std::string text;
  bool editable = true;
  bool gray = false;
  bool hidden = false;

  // The operator types text over the field's text; a read-only field keeps
  // its text, and the result is false.
  bool type(std::string typed);

  int32_t intValue() const override;
  std::string stringValue() const override { return text; }
  void setIntValue(int32_t value) override { text = std::to_string(value); }
  void setStringValue(const std::string& shown) override { text = shown; }
  void setEditable(bool allow) override { editable = allow; }
  void setGrayBackground() override { gray = true; }
  void setHidden(bool hide) override { hidden = hide; }
};

class HeadlessCaption : public Caption {
 public:
  std::string title;
  bool hidden = false;

  void setTitleWithMnemonic(const std::string& shown) override { title = shown; }
  void setHidden(bool hide) override { hidden = hide; }
};

class HeadlessTextView : public TextView {
 public:
  std::string text;
  bool editable = false;  // read-only for the operator
  bool hidden = false;

  // Like the desktop's views, a read-only view takes no text.
  void insertText(const std::string& inserted) override;
  void setEditable(bool allow) override { editable = allow; }
  void setHidden(bool hide) override { hidden = hide; }
};

struct HeadlessWindow;

class HeadlessWindowFrame : public Window {
 public:
  explicit HeadlessWindowFrame(HeadlessWindow& window) : window_(window) {}

  bool closed = false;
  bool hidden = false;

  void close() override { closed = true; }
  void setHidden(bool hide) override { hidden = hide; }
  void restoreOpeningLayout() override;

 private:
  HeadlessWindow& window_;
};

// The console's window: one control per outlet, named like the outlet, with
// the lists as the layout fills them (each list at item 0), and the controller
// wired to all of them.
struct HeadlessWindow {
  HeadlessWindow();
  HeadlessWindow(const HeadlessWindow&) = delete;
  HeadlessWindow& operator=(const HeadlessWindow&) = delete;

  HeadlessCaption controllerTitle;
  HeadlessComboBox filterA;
  HeadlessCaption filterAText;
  HeadlessComboBox filterB;
  HeadlessCaption filterBText;
  HeadlessComboBox filterC;
  HeadlessCaption filterCText;
  HeadlessCaption freerunText;
  HeadlessCaption hourText;
  HeadlessCaption minuteText;
  HeadlessCaption msecondsText;
  HeadlessWindowFrame myWindow{*this};
  HeadlessTextField openField;
  HeadlessComboBox otherCommand;
  HeadlessTextView receivedView;
  HeadlessTextField repeatNumber;
  HeadlessTextField searchField;
  HeadlessCaption secondsText;
  HeadlessComboBox shutterAmode;
  HeadlessCaption shutterAmodeText;
  HeadlessComboBox shutterAstatus;
  HeadlessCaption shutterAstatusText;
  HeadlessTextField shutterAsteps;
  HeadlessCaption shutterAstepsText;
  HeadlessCaption shutterAText;
  HeadlessComboBox shutterBmode;
  HeadlessCaption shutterBmodeText;
  HeadlessComboBox shutterBstatus;
  HeadlessCaption shutterBstatusText;
  HeadlessTextField shutterBsteps;
  HeadlessCaption shutterBstepsText;
  HeadlessCaption shutterBText;
  HeadlessComboBox speedA;
  HeadlessCaption speedAText;
  HeadlessComboBox speedB;
  HeadlessCaption speedBText;
  HeadlessComboBox speedC;
  HeadlessCaption speedCText;
  HeadlessTextView statusView;
  HeadlessCaption repeatnoText;
  HeadlessCaption tenthmsText;
  HeadlessTextField tHour;
  HeadlessCaption timerText;
  HeadlessComboBox timerType;
  HeadlessTextField tMinute;
  HeadlessTextField tMsecond;
  HeadlessTextField tSecond;
  HeadlessTextField tTenthmsecond;
  ::TessaroApp TessaroApp;
  HeadlessCaption wheelAText;
  HeadlessCaption wheelBText;
  HeadlessCaption wheelCText;

  KeyboardFocus focus;
  TessaroController controller;

  // Every list filled and at item 0, every control shown, white and editable,
  // every caption at its start title; the fields' and views' texts stay.
  void restoreOpeningLayout();

 private:
  void fillLists();
};
