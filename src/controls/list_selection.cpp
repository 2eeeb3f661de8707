#include "list_selection.h"

int32_t ListSelection::shownItem(int32_t numberOfItems) const {
  return index_ >= 0 && index_ < numberOfItems ? index_ : -1;
}
