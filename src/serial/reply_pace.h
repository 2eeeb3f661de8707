// When the line has been quiet long enough for a reply to have ended. Bytes
// that reach the console one by one are a character time apart, and two
// character times of quiet end the reply; a longer gap already seen between
// its pieces (a controller that pauses, an adapter's short tick) makes the
// quiet a third longer than that gap. A USB serial adapter with a longer tick
// hands bytes on in bursts: a piece of several answer bytes shows it, and
// since its tick cannot be told reliably from gaps that a busy machine
// stretches and shrinks, the quiet then outlasts the longest tick. So it does
// while only one piece has come, which may be the first burst of the slowest
// adapter. The pause between the echo and the answer is the controller's own
// and shows nothing of the line: pieces count from the first answer byte.
#pragma once

#include <algorithm>

#include "line_timing.h"

class ReplyPace {
 public:
  // A console that wakes a character late on a busy machine finds two bytes
  // waiting often enough; three come together from an adapter.
  static constexpr int kBurstBytes = 3;

  // A piece was read at `at`, holding answerBytes bytes beyond the echo.
  void Arrived(LineClock::time_point at, int answerBytes) {
    if (answerBytes > 0) {
      if (pieces_ > 0) longestGap_ = std::max(longestGap_, at - last_);
      ++pieces_;
      bursts_ = bursts_ || answerBytes >= kBurstBytes;
    }
    last_ = at;
  }

  // When the reply has ended if nothing more comes.
  LineClock::time_point QuietFrom() const {
    if (pieces_ < 2 || bursts_) return last_ + kLongestDeliveryTick + kCharacterWait;
    const LineClock::duration quiet = std::max<LineClock::duration>(kQuietTime, longestGap_ + longestGap_ / 3);
    return last_ + quiet;
  }

 private:
  int pieces_ = 0;
  bool bursts_ = false;
  LineClock::time_point last_{};
  LineClock::duration longestGap_{};
};
