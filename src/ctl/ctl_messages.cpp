#include "ctl_messages.h"

#include <cstdio>

#include "diagnostics.h"

namespace {

constexpr char kEraseLine[] = "\r\033[K";

bool progressKept = false;

}  // namespace

void Tell(const std::string& text) {
  if (text.empty()) return;
  if (progressKept) std::fputs(kEraseLine, stderr);
  std::fputs(text.c_str(), stderr);
}

void KeepProgressLine(bool kept) {
  progressKept = kept;
  SetDiagnosticLineStart(kept ? kEraseLine : "");
}
