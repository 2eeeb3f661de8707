// Reading a number from the text of a field, as the operator typed it.
#pragma once

#include <cstdint>
#include <string_view>

// The decimal integer at the start of text, after optional white space and an
// optional sign; 0 when the text does not start with one ("12 mm" gives 12,
// "mm" and "" give 0). A number beyond the 32-bit range gives the nearest
// bound, so that no typed number overflows.
int32_t intValue(std::string_view text);
