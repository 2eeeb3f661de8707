// Each operation of the control interfaces, on the real widget behind it.
#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <QWidget>

#include <climits>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "console_window.h"
#include "tessaro_controller.h"

namespace {

class ControlsTest : public ::testing::Test {
 protected:
  ControlsTest() { window.bind(controller, application); }

  template <class W>
  W& Find(const char* name) {
    W* found = window.widget().findChild<W*>(name);
    if (found == nullptr) throw std::runtime_error(std::string("no ") + name);
    return *found;
  }

  // Keyboard focus needs a shown, active window.
  bool ShowActive() {
    QWidget& top = window.widget();
    top.show();
    QApplication::setActiveWindow(&top);
    return QTest::qWaitForWindowActive(&top);
  }

  ConsoleWindow window;
  TessaroController controller;
  TessaroApp application;
};

// ---- Combo boxes -------------------------------------------------------------

TEST_F(ControlsTest, AnySelectedIndexIsReportedBackAndNeverFails) {
  const QComboBox& box = Find<QComboBox>("filterA");
  const struct {
    int32_t index;
    const char* shown;
  } cases[] = {
      {3, "Filter 3"}, {10, "Not connected"}, {-1, ""}, {11, ""}, {200, ""}, {INT32_MIN, ""}, {0, "Filter 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    controller.filterA->selectItemAtIndex(c.index);
    EXPECT_EQ(controller.filterA->indexOfSelectedItem(), c.index);
    EXPECT_EQ(box.currentText().toStdString(), c.shown);
    EXPECT_EQ(box.count(), 11);
  }
}

TEST_F(ControlsTest, RemovingAndInsertingItemsShiftsTheLaterOnes) {
  const QComboBox& box = Find<QComboBox>("speedB");
  ComboBox& list = *controller.speedB;

  list.removeItemAtIndex(0);
  EXPECT_EQ(list.numberOfItems(), 8);
  EXPECT_EQ(box.itemText(0).toStdString(), "Speed 1");
  for (int32_t outside : {-1, 8, 99}) list.removeItemAtIndex(outside);
  EXPECT_EQ(list.numberOfItems(), 8);

  list.insertItemWithObjectValue("first", 0);
  list.insertItemWithObjectValue("middle", 4);
  list.insertItemWithObjectValue("last", 10);
  list.insertItemWithObjectValue("past the end", 99);
  list.insertItemWithObjectValue("before the start", -5);
  ASSERT_EQ(list.numberOfItems(), 13);
  EXPECT_EQ(box.itemText(0).toStdString(), "before the start");
  EXPECT_EQ(box.itemText(1).toStdString(), "first");
  EXPECT_EQ(box.itemText(5).toStdString(), "middle");
  EXPECT_EQ(box.itemText(11).toStdString(), "last");
  EXPECT_EQ(box.itemText(12).toStdString(), "past the end");
}

// A reshaped list keeps reporting the index it was given; only the program's
// next selection or the operator changes it.
TEST_F(ControlsTest, RemovingItemsLeavesTheSelectedIndex) {
  controller.filterB->selectItemAtIndex(5);
  for (int32_t i = 9; i >= 0; --i) controller.filterB->removeItemAtIndex(i);
  EXPECT_EQ(controller.filterB->numberOfItems(), 1);
  EXPECT_EQ(controller.filterB->indexOfSelectedItem(), 5);
}

// The lists have no text field: a typed "Filter 42" or "abc" selected no item,
// which the next send read as item 0 and moved the wheel there. Arrows and
// first letters still pick items.
TEST_F(ControlsTest, OperatorPicksReplaceTheSelectionAndTypingSelectsNoOtherItem) {
  ASSERT_TRUE(ShowActive());
  for (QComboBox* list : window.widget().findChildren<QComboBox*>()) {
    EXPECT_FALSE(list->isEditable()) << list->objectName().toStdString();
  }
  QComboBox& box = Find<QComboBox>("filterC");
  controller.filterC->selectItemAtIndex(3);

  box.setFocus();
  QTest::keyClick(&box, Qt::Key_Down);
  EXPECT_EQ(controller.filterC->indexOfSelectedItem(), 4) << "arrow";
  QTest::keyClick(&box, Qt::Key_N);
  EXPECT_EQ(controller.filterC->indexOfSelectedItem(), 10) << "first letter";
  QTest::keyClick(&box, Qt::Key_Up);
  QTest::keyClicks(&box, "abc");
  EXPECT_EQ(controller.filterC->indexOfSelectedItem(), 9) << "letters no item starts with";
  EXPECT_EQ(box.count(), 11);
}

TEST_F(ControlsTest, SelectTextGivesTheListTheFocus) {
  ASSERT_TRUE(ShowActive());
  QLineEdit& other = Find<QLineEdit>("tHour");
  other.setFocus();
  QComboBox& box = Find<QComboBox>("otherCommand");

  controller.otherCommand->selectText();

  EXPECT_TRUE(box.hasFocus());
  EXPECT_FALSE(box.currentText().isEmpty());
}

TEST_F(ControlsTest, GreyMarksListsAndFields) {
  const QColor gray(128, 128, 128);
  controller.shutterBmode->setGrayBackground();
  controller.shutterBsteps->setGrayBackground();
  const QComboBox& box = Find<QComboBox>("shutterBmode");
  EXPECT_EQ(box.palette().color(QPalette::Button), gray);
  EXPECT_EQ(Find<QLineEdit>("shutterBsteps").palette().color(QPalette::Base), gray);
  EXPECT_NE(Find<QLineEdit>("shutterAsteps").palette().color(QPalette::Base), gray);
}

// ---- Text fields -------------------------------------------------------------

TEST_F(ControlsTest, IntValueReadsTheLeadingNumberOfAnyText) {
  const struct {
    const char* text;
    int32_t value;
  } cases[] = {
      {"12", 12},
      {"  -7", -7},
      {"12 mm", 12},
      {"mm 12", 0},
      {"", 0},
      {"+3", 3},
      {"99999999999", INT32_MAX},
      {"-99999999999", INT32_MIN},
      {"Continuous", 0},
  };
  QLineEdit& field = Find<QLineEdit>("tMinute");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    field.setText(c.text);
    EXPECT_EQ(controller.tMinute->intValue(), c.value);
  }
}

TEST_F(ControlsTest, FieldsShowWhatTheyAreGiven) {
  const QLineEdit& field = Find<QLineEdit>("repeatNumber");
  controller.repeatNumber->setIntValue(-42);
  EXPECT_EQ(field.text().toStdString(), "-42");
  controller.repeatNumber->setStringValue("Continuous");
  EXPECT_EQ(field.text().toStdString(), "Continuous");
  EXPECT_EQ(controller.repeatNumber->stringValue(), "Continuous");
}

TEST_F(ControlsTest, AReadOnlyFieldIgnoresTheOperator) {
  ASSERT_TRUE(ShowActive());
  QLineEdit& field = Find<QLineEdit>("shutterBsteps");
  controller.shutterBsteps->setStringValue("5");
  controller.shutterBsteps->setEditable(false);

  field.setFocus();
  QTest::keyClicks(&field, "99");
  EXPECT_EQ(controller.shutterBsteps->stringValue(), "5");

  controller.shutterBsteps->setEditable(true);
  QTest::keyClicks(&field, "9");
  EXPECT_EQ(controller.shutterBsteps->stringValue(), "59");
}

// ---- Captions ----------------------------------------------------------------

TEST_F(ControlsTest, CaptionsShowTheirTitleAsItStands) {
  controller.freerunText->setTitleWithMnemonic("Wheel & Shutter <b>Selection</b>:");
  EXPECT_EQ(Find<QLabel>("freerunText").text().toStdString(), "Wheel & Shutter <b>Selection</b>:");
  EXPECT_EQ(Find<QLabel>("freerunText").textFormat(), Qt::PlainText);
}

// ---- Text views --------------------------------------------------------------

TEST_F(ControlsTest, InsertedTextGoesAtTheEndWhereverTheCursorWas) {
  QPlainTextEdit& view = Find<QPlainTextEdit>("receivedView");
  TextView& log = *controller.receivedView;
  log.setEditable(true);
  log.insertText("first\n");
  view.moveCursor(QTextCursor::Start);  // the operator clicks into the log
  log.insertText("second\n");
  log.setEditable(false);
  EXPECT_EQ(view.toPlainText().toStdString(), "first\nsecond\n");
}

TEST_F(ControlsTest, InsertedTextIsScrolledIntoView) {
  ASSERT_TRUE(ShowActive());
  QPlainTextEdit& view = Find<QPlainTextEdit>("statusView");
  controller.statusView->setEditable(true);
  for (int i = 0; i < 200; ++i) controller.statusView->insertText("line " + std::to_string(i) + "\n");
  controller.statusView->setEditable(false);
  QApplication::processEvents();
  const QScrollBar& bar = *view.verticalScrollBar();
  EXPECT_GT(bar.maximum(), 0);
  EXPECT_EQ(bar.value(), bar.maximum());
}

// A piece of many lines (a cycle's log) is kept as one paragraph, so that the
// view's layouts do not grow with every line; it reads back, copies and
// scrolls line by line all the same.
TEST_F(ControlsTest, PiecesOfManyLinesReadCopyAndScrollAsLines) {
  ASSERT_TRUE(ShowActive());
  QPlainTextEdit& view = Find<QPlainTextEdit>("receivedView");
  TextView& log = *controller.receivedView;
  log.setEditable(true);
  std::string expected;
  for (int cycle = 0; cycle < 30; ++cycle) {
    std::string piece;
    for (int line = 0; line < 12; ++line) piece += std::to_string(cycle) + "." + std::to_string(line) + "\n";
    log.insertText(piece);
    expected += piece;
  }
  log.insertText("no line end");
  log.setEditable(false);
  expected += "no line end";
  QApplication::processEvents();
  EXPECT_EQ(view.toPlainText().toStdString(), expected);
  EXPECT_EQ(view.blockCount(), 31) << "a paragraph a piece";

  view.selectAll();
  view.copy();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), expected);

  const QRect last = view.cursorRect();
  EXPECT_GE(last.top(), 0);
  EXPECT_LE(last.bottom(), view.viewport()->height()) << "the last line is not in view";
}

TEST_F(ControlsTest, AReadOnlyViewTakesNoText) {
  QPlainTextEdit& view = Find<QPlainTextEdit>("statusView");
  controller.statusView->insertText("lost\n");
  EXPECT_TRUE(view.toPlainText().isEmpty());
  controller.statusView->setEditable(true);
  EXPECT_FALSE(view.isReadOnly());
  controller.statusView->setEditable(false);
  EXPECT_TRUE(view.isReadOnly());
}

}  // namespace
