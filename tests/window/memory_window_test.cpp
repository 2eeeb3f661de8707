#include "memory_window.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// ---- The window as the layout builds it --------------------------------------

TEST(MemoryWindowLayout, ListsHoldTheLayoutsItemsWithItemZeroSelected) {
  MemoryWindow w;
  struct Expected {
    const char* name;
    const MemoryComboBox& list;
    int32_t count;
    const char* lastItem;
  };
  const Expected lists[] = {
      {"otherCommand", w.otherCommand, 24, "TTL OUT Low for open (FA B2)"},
      {"filterA", w.filterA, 11, "Not connected"},
      {"filterB", w.filterB, 11, "Not connected"},
      {"filterC", w.filterC, 11, "Not connected"},
      {"speedA", w.speedA, 9, "Not connected"},
      {"speedB", w.speedB, 9, "Not connected"},
      {"speedC", w.speedC, 9, "Not connected"},
      {"shutterAstatus", w.shutterAstatus, 3, "Open conditional"},
      {"shutterBstatus", w.shutterBstatus, 3, "Open conditional"},
      {"shutterAmode", w.shutterAmode, 4, "Not connected"},
      {"shutterBmode", w.shutterBmode, 4, "Not connected"},
      {"timerType", w.timerType, 2, "Exposure time"},
  };
  for (const Expected& e : lists) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(e.list.numberOfItems(), e.count);
    EXPECT_EQ(e.list.items.back(), e.lastItem);
    EXPECT_EQ(e.list.indexOfSelectedItem(), 0);
    EXPECT_EQ(e.list.text, e.list.items.front());
  }
  EXPECT_EQ(w.filterA.items[3], "Filter 3");
  EXPECT_EQ(w.speedB.items[2], "Speed 2");
  EXPECT_EQ(w.shutterAmode.items[2], "Neutral density");
  EXPECT_EQ(w.timerType.items[0], "Closed time");
}

#define OUTLET(name) {#name, w.controller.name, &w.name}

TEST(MemoryWindowLayout, EveryOutletIsWiredToTheControlOfItsName) {
  MemoryWindow w;
  struct Wiring {
    const char* name;
    const void* outlet;
    const void* control;
  };
  const Wiring outlets[] = {
      OUTLET(controllerTitle), OUTLET(filterA),       OUTLET(filterAText),        OUTLET(filterB),
      OUTLET(filterBText),     OUTLET(filterC),       OUTLET(filterCText),        OUTLET(freerunText),
      OUTLET(hourText),        OUTLET(minuteText),    OUTLET(msecondsText),       OUTLET(myWindow),
      OUTLET(openField),       OUTLET(otherCommand),  OUTLET(receivedView),       OUTLET(repeatNumber),
      OUTLET(searchField),     OUTLET(secondsText),   OUTLET(shutterAmode),       OUTLET(shutterAmodeText),
      OUTLET(shutterAstatus),  OUTLET(shutterAstatusText), OUTLET(shutterAsteps), OUTLET(shutterAstepsText),
      OUTLET(shutterAText),    OUTLET(shutterBmode),  OUTLET(shutterBmodeText),   OUTLET(shutterBstatus),
      OUTLET(shutterBstatusText), OUTLET(shutterBsteps), OUTLET(shutterBstepsText), OUTLET(shutterBText),
      OUTLET(speedA),          OUTLET(speedAText),    OUTLET(speedB),             OUTLET(speedBText),
      OUTLET(speedC),          OUTLET(speedCText),    OUTLET(statusView),         OUTLET(repeatnoText),
      OUTLET(tenthmsText),     OUTLET(tHour),         OUTLET(timerText),          OUTLET(timerType),
      OUTLET(tMinute),         OUTLET(tMsecond),      OUTLET(tSecond),            OUTLET(tTenthmsecond),
      OUTLET(TessaroApp),      OUTLET(wheelAText),    OUTLET(wheelBText),         OUTLET(wheelCText),
  };
  EXPECT_EQ(std::size(outlets), 52u);
  for (const Wiring& o : outlets) EXPECT_EQ(o.outlet, o.control) << o.name;
}

#undef OUTLET

// ---- Selection of indices a list does not hold -------------------------------

struct SelectionCase {
  const char* what;
  std::vector<std::string> items;
  int32_t selected;
  const char* shown;
};

class ListSelectionTest : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(ListSelectionTest, ReportsTheSelectedIndexAndShowsItsItemIfAny) {
  const SelectionCase& c = GetParam();
  MemoryComboBox list;
  list.items = c.items;
  list.selectItemAtIndex(c.selected);
  EXPECT_EQ(list.indexOfSelectedItem(), c.selected);
  EXPECT_EQ(list.text, c.shown);
}

const std::vector<std::string> kThree = {"Close", "Open", "Open conditional"};

INSTANTIATE_TEST_SUITE_P(
    Indices, ListSelectionTest,
    ::testing::Values(SelectionCase{"held", kThree, 1, "Open"},
                      SelectionCase{"none", kThree, -1, ""},
                      SelectionCase{"one past the end", kThree, 3, ""},
                      SelectionCase{"far past the end", kThree, 12, ""},
                      SelectionCase{"list cut to one entry", {"Not connected"}, 4, ""},
                      SelectionCase{"the one entry of a cut list", {"Not connected"}, 0, "Not connected"},
                      SelectionCase{"emptied list", {}, 0, ""}),
    [](const auto& info) {
      std::string name = info.param.what;
      for (char& ch : name) if (ch == ' ') ch = '_';
      return name;
    });

TEST(ListSelection, AnUnheldIndexStaysUntilTheOperatorPicksOrTypes) {
  MemoryWindow w;
  w.filterA.selectItemAtIndex(12);
  w.filterA.removeItemAtIndex(0);
  w.filterA.insertItemWithObjectValue("Filter X", 0);
  EXPECT_EQ(w.filterA.indexOfSelectedItem(), 12) << "item edits moved the selection";

  w.filterA.choose(4);
  EXPECT_EQ(w.filterA.indexOfSelectedItem(), 4);
  EXPECT_EQ(w.filterA.text, "Filter 4");

  w.filterA.selectItemAtIndex(12);
  w.filterA.type("Filter 4");
  EXPECT_EQ(w.filterA.indexOfSelectedItem(), -1);
  EXPECT_EQ(w.filterA.text, "Filter 4");
}

TEST(ListSelection, ItemEditsOutsideTheListNeverFail) {
  MemoryComboBox list;
  list.items = kThree;
  list.removeItemAtIndex(-1);
  list.removeItemAtIndex(3);
  EXPECT_EQ(list.items, kThree);
  list.insertItemWithObjectValue("last", 9);
  list.insertItemWithObjectValue("first", -2);
  EXPECT_EQ(list.items, (std::vector<std::string>{"first", "Close", "Open", "Open conditional", "last"}));
}

TEST(ListSelection, TheOperatorCannotChooseAnItemThatIsNotThere) {
  MemoryComboBox list;
  list.items = kThree;
  EXPECT_THROW(list.choose(3), std::out_of_range);
  EXPECT_THROW(list.choose(-1), std::out_of_range);
}

// ---- What the other controls keep -------------------------------------------

TEST(MemoryControls, SelectTextGivesTheListTheWindowsFocusUntilTheTextChanges) {
  MemoryWindow w;
  w.filterA.selectText();
  w.otherCommand.selectText();
  EXPECT_EQ(w.focus.control, &w.otherCommand);
  EXPECT_TRUE(w.otherCommand.textSelected);
  w.otherCommand.selectItemAtIndex(0);
  EXPECT_FALSE(w.otherCommand.textSelected);
}

TEST(MemoryControls, ReadOnlyFieldsAndViewsKeepTheirText) {
  MemoryTextField field;
  field.text = "12";
  field.setEditable(false);
  EXPECT_FALSE(field.type("99"));
  EXPECT_EQ(field.intValue(), 12);
  field.setEditable(true);
  EXPECT_TRUE(field.type(" 99 steps"));
  EXPECT_EQ(field.intValue(), 99);
  EXPECT_EQ(field.stringValue(), " 99 steps");

  MemoryTextView view;
  view.insertText("lost\n");
  view.setEditable(true);
  view.insertText("one\n");
  view.insertText("two\n");
  EXPECT_EQ(view.text, "one\ntwo\n");
}

}  // namespace
