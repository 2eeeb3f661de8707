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
#include <QStatusBar>
#include <QTest>
#include <QWidget>

#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "console_window.h"
#include "layout_items.h"
#include "tessaro_controller.h"
#include "window_reshaping.h"

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
    EXPECT_FALSE(box.isEditable()) << "a typed text selects no item, which reads as item 0";
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
      {buttons.search, "Search"}, {buttons.open, "Open"},   {buttons.send, "Send"},
      {buttons.close, "Close"},   {buttons.exit, "Exit"}};
  for (const auto& [button, text] : expected) {
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(AccessibleName(button), text);
  }
}

// The controls the operator sees, each with its place in the window.
std::vector<QWidget*> VisibleControls(QWidget& top) {
  std::vector<QWidget*> controls;
  for (QWidget* widget : top.findChildren<QWidget*>()) {
    const bool control = qobject_cast<QComboBox*>(widget) || qobject_cast<QLabel*>(widget) ||
                         qobject_cast<QLineEdit*>(widget) || qobject_cast<QPushButton*>(widget) ||
                         qobject_cast<QPlainTextEdit*>(widget);
    // Parts of other controls (a list's pop-up, the status line's texts) are
    // not placed by the window's layout.
    const QWidget* parent = widget->parentWidget();
    const bool part = parent != &top && (qobject_cast<const QComboBox*>(parent) ||
                                         qobject_cast<const QStatusBar*>(parent) || !parent->isVisible());
    if (control && !part && widget->isVisible()) controls.push_back(widget);
  }
  return controls;
}

QRect Placed(QWidget* widget, QWidget& top) { return QRect(widget->mapTo(&top, QPoint(0, 0)), widget->size()); }

TEST_F(LayoutTest, AtItsSmallestSizeNoControlOverlapsAnotherOrIsCut) {
  QWidget& top = window.widget();
  top.show();
  top.resize(1, 1);
  QApplication::processEvents();
  EXPECT_EQ(top.size(), top.minimumSizeHint().expandedTo(top.minimumSize()));
  const std::vector<QWidget*> controls = VisibleControls(top);
  ASSERT_GT(controls.size(), 50u);
  for (std::size_t i = 0; i < controls.size(); ++i) {
    SCOPED_TRACE(controls[i]->objectName().toStdString());
    const QRect place = Placed(controls[i], top);
    EXPECT_TRUE(top.rect().contains(place)) << "outside the window";
    EXPECT_GE(controls[i]->width(), controls[i]->minimumSizeHint().width()) << "cut";
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      EXPECT_FALSE(place.intersects(Placed(controls[j], top)))
          << "overlaps " << controls[j]->objectName().toStdString();
    }
  }
  for (const char* field : {"repeatNumber", "tHour", "tTenthmsecond", "shutterAsteps"}) {
    const QLineEdit& edit = Find<QLineEdit>(field);
    EXPECT_GE(edit.width(), QFontMetrics(edit.font()).horizontalAdvance(edit.placeholderText())) << field;
  }
  top.hide();
}

// Hidden controls keep their place: the controls below the device area stay
// where the operator found them when the first status reply reshapes the
// window, and after the window is put back as it opened.
TEST_F(LayoutTest, ReshapingMovesNothingAndTheOpeningLayoutComesBack) {
  QWidget& top = window.widget();
  top.show();
  QApplication::processEvents();
  QComboBox& shutterBmode = Find<QComboBox>("shutterBmode");
  const QPoint send = Placed(window.buttons().send, top).topLeft();
  const QColor white = shutterBmode.palette().color(QPalette::Base);
  const QString title = Find<QLabel>("timerText").text();

  for (const Variant variant : {kMono, kDuoWheelShutter, kDuoShutterShutter, kTriad}) {
    SCOPED_TRACE(variant);
    Capture capture;
    ReshapeWindow(variant, IdentifiedBy::kStatusReply, capture, controller);
    QApplication::processEvents();
    EXPECT_EQ(Placed(window.buttons().send, top).topLeft(), send) << "the controls below the devices moved";

    controller.myWindow->restoreOpeningLayout();
    QApplication::processEvents();
    EXPECT_EQ(controller.otherCommand->numberOfItems(), 24);
    EXPECT_EQ(shutterBmode.count(), 4);
    EXPECT_EQ(shutterBmode.palette().color(QPalette::Base), white);
    EXPECT_FALSE(Find<QLineEdit>("shutterBsteps").isReadOnly());
    EXPECT_TRUE(Find<QLineEdit>("openField").isReadOnly());
    EXPECT_EQ(Find<QLabel>("timerText").text(), title);
    EXPECT_TRUE(Find<QComboBox>("filterA").isVisible());
    EXPECT_TRUE(Find<QLineEdit>("tHour").isVisible());
  }
  top.hide();
}

TEST_F(LayoutTest, TabWalksTheControlsInTheOrderTheyStand) {
  QWidget& top = window.widget();
  top.show();
  QApplication::setActiveWindow(&top);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&top));
  const std::vector<std::string> expected = {
      "filterA",        "speedA",      "filterB",      "speedB",       "filterC",    "speedC",
      "shutterAstatus", "shutterAmode", "shutterAsteps", "shutterBstatus", "shutterBmode", "shutterBsteps",
      "repeatNumber",   "timerType",   "tHour",        "tMinute",      "tSecond",    "tMsecond",
      "tTenthmsecond",  "otherCommand", "sendButton",  "searchButton", "searchField", "portChoice",
      "openButton",     "openField",   "closeButton",  "receivedView", "statusView", "saveLogButton",
      "recordButton",   "clearButton", "checkButton",  "exitButton",
  };
  Find<QWidget>("filterA").setFocus();
  std::vector<std::string> walked;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    walked.push_back(QApplication::focusWidget()->objectName().toStdString());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  }
  EXPECT_EQ(walked, expected);
  top.hide();
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
