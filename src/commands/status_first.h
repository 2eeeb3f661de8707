// The status reply cuts the window's lists to the attached controller; until
// then the commands that depend on the variant are refused with this request.
#pragma once

#include <cstdint>

#include "controls.h"

inline constexpr char kSendStatusFirst[] = "** Please send status command(CC)\n    first, then try again. **\n";

// A missing control counts as an empty list.
inline int32_t ItemCount(const ComboBox* list) { return list != nullptr ? list->numberOfItems() : 0; }
