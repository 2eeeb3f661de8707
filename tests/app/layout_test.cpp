// The window as the layout resource builds it: every outlet bound to the
// control named after it, the lists as the commands and the status report
// expect them, the views as the log needs them.
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "console_window.h"
#include "layout_items.h"
#include "tessaro_controller.h"

namespace {

struct Outlet {
  const char* name;
  const char* widgetClass;
  Control* (*get)(TessaroController&);
};

Outlet Row(const char* name, const char* widgetClass, Control* (*get)(TessaroController&)) {
  return {name, widgetClass, get};
}

#define OUTLET(name, widgetClass) Row(#name, widgetClass, [](TessaroController& c) -> Control* { return c.name; })

// The 51 outlets that stand for a control, in their declaration order
// (TessaroApp is the 52nd).
const Outlet kOutlets[] = {
    OUTLET(controllerTitle, "QLabel"),    OUTLET(filterA, "QComboBox"),         OUTLET(filterAText, "QLabel"),
    OUTLET(filterB, "QComboBox"),         OUTLET(filterBText, "QLabel"),        OUTLET(filterC, "QComboBox"),
    OUTLET(filterCText, "QLabel"),        OUTLET(freerunText, "QLabel"),        OUTLET(hourText, "QLabel"),
    OUTLET(minuteText, "QLabel"),         OUTLET(msecondsText, "QLabel"),       OUTLET(myWindow, "QWidget"),
    OUTLET(openField, "QLineEdit"),       OUTLET(otherCommand, "QComboBox"),    OUTLET(receivedView, "QPlainTextEdit"),
    OUTLET(repeatNumber, "QLineEdit"),    OUTLET(searchField, "QLineEdit"),     OUTLET(secondsText, "QLabel"),
    OUTLET(shutterAmode, "QComboBox"),    OUTLET(shutterAmodeText, "QLabel"),   OUTLET(shutterAstatus, "QComboBox"),
    OUTLET(shutterAstatusText, "QLabel"), OUTLET(shutterAsteps, "QLineEdit"),   OUTLET(shutterAstepsText, "QLabel"),
    OUTLET(shutterAText, "QLabel"),       OUTLET(shutterBmode, "QComboBox"),    OUTLET(shutterBmodeText, "QLabel"),
    OUTLET(shutterBstatus, "QComboBox"),  OUTLET(shutterBstatusText, "QLabel"), OUTLET(shutterBsteps, "QLineEdit"),
    OUTLET(shutterBstepsText, "QLabel"),  OUTLET(shutterBText, "QLabel"),       OUTLET(speedA, "QComboBox"),
    OUTLET(speedAText, "QLabel"),         OUTLET(speedB, "QComboBox"),          OUTLET(speedBText, "QLabel"),
    OUTLET(speedC, "QComboBox"),          OUTLET(speedCText, "QLabel"),         OUTLET(statusView, "QPlainTextEdit"),
    OUTLET(repeatnoText, "QLabel"),       OUTLET(tenthmsText, "QLabel"),        OUTLET(tHour, "QLineEdit"),
    OUTLET(timerText, "QLabel"),          OUTLET(timerType, "QComboBox"),       OUTLET(tMinute, "QLineEdit"),
    OUTLET(tMsecond, "QLineEdit"),        OUTLET(tSecond, "QLineEdit"),         OUTLET(tTenthmsecond, "QLineEdit"),
    OUTLET(wheelAText, "QLabel"),         OUTLET(wheelBText, "QLabel"),         OUTLET(wheelCText, "QLabel"),
};

#undef OUTLET

class LayoutTest : public ::testing::Test {
 protected:
  LayoutTest() { window.bind(controller, application); }

  QWidget* Widget(const char* name) {
    QWidget& top = window.widget();
    return top.objectName() == name ? &top : top.findChild<QWidget*>(name);
  }

  template <class W>
  W& Find(const char* name) {
    W* found = window.widget().findChild<W*>(name);
    if (found == nullptr) throw std::runtime_error(std::string("no ") + name);
    return *found;
  }

  ConsoleWindow window;
  TessaroController controller;
  TessaroApp application;
};

TEST_F(LayoutTest, EveryOutletActsOnTheControlNamedAfterIt) {
  ASSERT_EQ(std::size(kOutlets), 51u);
  for (const Outlet& outlet : kOutlets) {
    SCOPED_TRACE(outlet.name);
    QWidget* widget = Widget(outlet.name);
    ASSERT_NE(widget, nullptr) << "the layout has no control of that name";
    EXPECT_STREQ(widget->metaObject()->className(), outlet.widgetClass);
    EXPECT_EQ(widget->accessibleDescription().toStdString(), outlet.name);
    Control* control = outlet.get(controller);
    ASSERT_NE(control, nullptr) << "outlet not bound";

    control->setHidden(true);
    EXPECT_TRUE(widget->isHidden());
    control->setHidden(false);
    EXPECT_FALSE(widget->isHidden());
  }
  EXPECT_EQ(controller.TessaroApp, &application);
  EXPECT_TRUE(Widget("myWindow")->isWindow());
}

TEST_F(LayoutTest, ListsHoldTheItemsTheCommandsCountOn) {
  const struct {
    const char* name;
    std::span<const char* const> items;
  } lists[] = {
      {"otherCommand", kOtherCommandItems},
      {"filterA", kFilterItems},
      {"filterB", kFilterItems},
      {"filterC", kFilterItems},
      {"speedA", kSpeedItems},
      {"speedB", kSpeedItems},
      {"speedC", kSpeedItems},
      {"shutterAstatus", kShutterStatusItems},
      {"shutterBstatus", kShutterStatusItems},
      {"shutterAmode", kShutterModeItems},
      {"shutterBmode", kShutterModeItems},
      {"timerType", kTimerTypeItems},
  };
  for (const auto& list : lists) {
    SCOPED_TRACE(list.name);
    const QComboBox& box = Find<QComboBox>(list.name);
    std::vector<std::string> shown;
    for (int i = 0; i < box.count(); ++i) shown.push_back(box.itemText(i).toStdString());
    EXPECT_EQ(shown, std::vector<std::string>(list.items.begin(), list.items.end()));
    EXPECT_TRUE(box.isEditable());
    EXPECT_EQ(box.insertPolicy(), QComboBox::NoInsert) << "a typed text would become an item";
  }
  EXPECT_EQ(kOtherCommandItems.size(), 24u);
  EXPECT_EQ(kFilterItems.size(), 11u);
  EXPECT_EQ(kSpeedItems.size(), 9u);
  EXPECT_EQ(kShutterStatusItems.size(), 3u);
  EXPECT_EQ(kShutterModeItems.size(), 4u);
  EXPECT_EQ(kTimerTypeItems.size(), 2u);
}

// The remembered values start at 0: a list that started elsewhere would make
// the first send move a device nobody touched (a timer type of -1 is not even
// read as 0).
TEST_F(LayoutTest, EveryListStartsAtItemZero) {
  for (ComboBox* list :
       {controller.otherCommand, controller.filterA, controller.filterB, controller.filterC, controller.speedA,
        controller.speedB, controller.speedC, controller.shutterAstatus, controller.shutterBstatus,
        controller.shutterAmode, controller.shutterBmode, controller.timerType}) {
    EXPECT_EQ(list->indexOfSelectedItem(), 0);
  }
}

TEST_F(LayoutTest, ViewsAreReadOnlyAndFixedWidth) {
  for (const char* name : {"receivedView", "statusView"}) {
    SCOPED_TRACE(name);
    const QPlainTextEdit& view = Find<QPlainTextEdit>(name);
    EXPECT_TRUE(view.isReadOnly());
    EXPECT_TRUE(QFontInfo(view.font()).fixedPitch()) << "the echo columns would not line up";
  }
  EXPECT_TRUE(Find<QLineEdit>("openField").isReadOnly());
  EXPECT_FALSE(Find<QLineEdit>("searchField").isReadOnly()) << "the operator may edit the searched path";
}

std::string AccessibleName(QWidget* widget) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  return accessible != nullptr ? accessible->text(QAccessible::Name).toStdString() : "(not accessible)";
}

TEST_F(LayoutTest, CaptionsAndButtonsAreKnownByTheirVisibleText) {
  for (QLabel* label : window.widget().findChildren<QLabel*>()) {
    SCOPED_TRACE(label->objectName().toStdString());
    EXPECT_EQ(AccessibleName(label), label->text().toStdString());
  }
  controller.controllerTitle->setTitleWithMnemonic("Korvel Triad Controller:");
  EXPECT_EQ(AccessibleName(&Find<QLabel>("controllerTitle")), "Korvel Triad Controller:");

  const ActionButtons buttons = window.buttons();
  const std::pair<QPushButton*, const char*> expected[] = {
      {buttons.search, "Search"}, {buttons.open, "Open"}, {buttons.send, "Send"}, {buttons.exit, "Exit"}};
  for (const auto& [button, text] : expected) {
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(AccessibleName(button), text);
  }
}

TEST_F(LayoutTest, WindowGrowsItsViews) {
  QWidget& top = window.widget();
  top.show();
  const QPlainTextEdit& log = Find<QPlainTextEdit>("receivedView");
  const QSize before = log.size();
  top.resize(top.width() + 200, top.height() + 200);
  QApplication::processEvents();
  EXPECT_GT(log.width(), before.width());
  EXPECT_GT(log.height(), before.height());
  top.hide();
}

}  // namespace
