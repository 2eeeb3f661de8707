#include "progress_line.h"

#include "check_timing.h"

std::string ProgressText(const Progress& p) {
  std::string text = std::to_string(p.done) + "/" + std::to_string(p.planned) + p.unit + "  failures " +
                     std::to_string(p.failures);
  if (p.secondsLeft >= 0) text += "  time left " + DurationText(p.secondsLeft);
  return text;
}

void ShowProgress(FILE* out, const Progress& p, bool last) {
  std::fputs(("\r" + ProgressText(p) + "   ").c_str(), out);
  if (last) std::fputs("\r\033[K", out);
  std::fflush(out);
}
