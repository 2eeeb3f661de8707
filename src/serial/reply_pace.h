// When the line has been quiet long enough for a reply to have ended. Bytes
// that reach the console one by one are a character time apart, and two
// character times of quiet end the reply. A USB serial adapter hands bytes on
// in bursts, one tick of its latency timer apart: the longest gap seen between
// the pieces of one reply shows the tick, and the quiet grows to outlast it by
// a third (room for a late wake-up, while the gaps of bytes that come one by
// one, a character time and a little, leave the two character times as they
// are).
// The pause between the echo and the answer is the controller's own and shows
// nothing of the line, so only pieces that carry answer bytes are counted.
#pragma once

#include <algorithm>

#include "line_timing.h"

class ReplyPace {
 public:
  // A piece of the reply was read at `at`; answerBegun: bytes beyond the
  // echo have come.
  void Arrived(LineClock::time_point at, bool answerBegun) {
    if (answerBegun) {
      if (pieces_ > 0) longestGap_ = std::max(longestGap_, at - last_);
      ++pieces_;
    }
    last_ = at;
  }

  // When the reply has ended if nothing more comes. After a single piece no
  // gap is known yet: that piece may be the first burst of the slowest adapter.
  LineClock::time_point QuietFrom() const {
    if (pieces_ < 2) return last_ + kLongestDeliveryTick + kCharacterTime;
    const LineClock::duration quiet = std::max<LineClock::duration>(kQuietTime, longestGap_ + longestGap_ / 3);
    return last_ + quiet;
  }

 private:
  int pieces_ = 0;
  LineClock::time_point last_{};
  LineClock::duration longestGap_{};
};
