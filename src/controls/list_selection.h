// Which item of a combo box is selected, whichever toolkit shows the list.
//
// The program may select an index that the list does not hold: -1 (a timer
// type without selection is remembered as -1) or an index past the end (a list
// cut short when the controller was identified, or a value decoded from a
// status reply). That never fails, and the list goes on reporting the index it
// was given: a list that reported -1 or 0 instead would make the next cycle see
// a change nobody made (a remembered wheel position 12 would read back as 0 and
// move the wheel to filter 0). Only the operator replaces the index, by picking
// an item or typing a text. Adding or removing items leaves the index as it
// is: whoever reshapes a list selects again afterwards.
#pragma once

#include <cstdint>

class ListSelection {
 public:
  // What indexOfSelectedItem reports; -1 when nothing is selected.
  int32_t index() const { return index_; }

  // The item whose text the field shows after select(): -1 when the list of
  // numberOfItems items does not hold the index, and the field shows no item.
  int32_t shownItem(int32_t numberOfItems) const;

  // selectItemAtIndex: by the program, with any index; also the operator's pick.
  void select(int32_t index) { index_ = index; }

  // The operator typed a text of his own.
  void clear() { index_ = -1; }

 private:
  int32_t index_ = -1;
};
