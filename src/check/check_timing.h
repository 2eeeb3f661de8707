// The times of a check: the figures of the moves it made, and how long the
// rest of it takes. The controller speaks at 300 baud, so every byte of a
// step takes its time on the line whatever the computer: the command and
// its reply (the echo and the closing byte), then the status query and the
// status reply. A wheel's move adds a time nothing on the line tells
// beforehand: until the check has timed a move, a modelled one; after, the
// model scaled by how the moves timed so far compared with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check_plan.h"
#include "controller_check.h"
#include "time_figures.h"

struct MoveTimes {
  std::string device;  // "wheelA"
  int speed = 0;
  TimeFigures ms;
};

// Ordered by wheel, then speed; only speeds the check moved at.
std::vector<MoveTimes> MoveTimesOf(const std::vector<CheckStep>& steps);

class CheckEstimate {
 public:
  // plan: as PlanCheck made it for variant; statusReplyBytes: a status
  // reply's length, its echo and closing byte included.
  CheckEstimate(const CheckPlan& plan, int32_t variant, int statusReplyBytes);

  // The next step of the plan has ended: a move it timed joins the moves'
  // pace. Steps beyond the plan's are ignored.
  void ended(const CheckStep& step);
  // The steps not yet ended and the restore, as estimated now.
  double secondsLeft() const;
  // The modelled time of a move of distance positions at speed index speed.
  static double modelledMoveSeconds(int distance, int speed);

 private:
  struct Cost {
    double commandLine = 0;  // the command cycle's bytes on the line
    double line = 0;         // the whole step's bytes: the cycle's and the status query's
    double move = 0;         // modelled; 0 for a step that moves nothing
  };
  std::vector<Cost> costs_;
  double restore_ = 0;
  std::size_t ended_ = 0;
  double movesTimed_ = 0;     // the ended moves, as timed
  double movesModelled_ = 0;  // the same moves, as modelled
};

// "42 s", "3 min 05 s": a time left as both fronts show it.
std::string DurationText(double seconds);
