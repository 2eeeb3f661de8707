// A report line with its numbers filled in.
#pragma once

#include <cstdio>
#include <string>

// format: one of the report's texts, with a %d for each number.
template <class... Numbers>
std::string FormatLine(const char* format, Numbers... numbers) {
  const int length = std::snprintf(nullptr, 0, format, static_cast<int>(numbers)...);
  if (length < 0) return {};
  std::string line(static_cast<std::size_t>(length), '\0');
  // The terminating NUL goes where the string keeps its own.
  if (std::snprintf(line.data(), line.size() + 1, format, static_cast<int>(numbers)...) != length) return {};
  return line;
}
