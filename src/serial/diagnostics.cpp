#include "diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

bool progressShown = true;
const char* lineStart = "";
bool atLineStart = true;

void Print(const char* format, va_list arguments) {
  if (atLineStart) std::fputs(lineStart, stdout);
  std::vprintf(format, arguments);
  const std::size_t length = std::strlen(format);
  atLineStart = length > 0 && format[length - 1] == '\n';
  std::fflush(stdout);
}

}  // namespace

void PrintDiagnostic(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  Print(format, arguments);
  va_end(arguments);
}

void PrintProgress(const char* format, ...) {
  if (!progressShown) return;
  va_list arguments;
  va_start(arguments, format);
  Print(format, arguments);
  va_end(arguments);
}

void ShowProgressLines(bool shown) { progressShown = shown; }

void SetDiagnosticLineStart(const char* text) { lineStart = text != nullptr ? text : ""; }
