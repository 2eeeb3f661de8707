#include "int_value.h"

#include <algorithm>
#include <limits>

namespace {

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int32_t intValue(std::string_view text) {
  constexpr int64_t kLowest = std::numeric_limits<int32_t>::min();
  constexpr int64_t kHighest = std::numeric_limits<int32_t>::max();

  std::size_t at = 0;
  while (at < text.size() && IsWhiteSpace(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  // The magnitude stops growing just past the range, so any number of digits
  // fits in 64 bits.
  int64_t magnitude = 0;
  for (; at < text.size() && IsDigit(text[at]); ++at) {
    magnitude = std::min(magnitude * 10 + (text[at] - '0'), -kLowest);
  }
  return static_cast<int32_t>(std::clamp(negative ? -magnitude : magnitude, kLowest, kHighest));
}
