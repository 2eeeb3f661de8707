#include "progress_line.h"

#include "check_timing.h"

void ShowProgress(FILE* out, const Progress& p, bool last) {
  std::fprintf(out, "\r%lld/%lld%s  failures %lld", p.done, p.planned, p.unit, p.failures);
  if (p.secondsLeft >= 0) std::fprintf(out, "  time left %s", DurationText(p.secondsLeft).c_str());
  std::fputs("   ", out);
  if (last) std::fputs("\r\033[K", out);
  std::fflush(out);
}
