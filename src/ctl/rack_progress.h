// A rack run's progress on a terminal's standard error: one line per
// controller, "/dev/ttyUSB0  Triad  12/40 steps  failures 1  time left 30 s",
// redrawn in place at most five times a second; the controllers' own words
// print above the block. Without a terminal there is no block and their
// words go to standard error as they come.
#pragma once

#include <QJsonObject>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

class RackProgress {
 public:
  // terminal: the terminal's stream; nullptr when standard error is none.
  RackProgress(FILE* terminal, std::vector<std::string> ports);
  ~RackProgress();  // the block is cleared
  RackProgress(const RackProgress&) = delete;
  RackProgress& operator=(const RackProgress&) = delete;

  void variant(std::size_t controller, const std::string& name);
  // A progress record's value: done, planned, failures, unit, left_s.
  void progress(std::size_t controller, const QJsonObject& counts);
  void ended(std::size_t controller);
  // Whole lines, each with its line end.
  void above(const std::string& lines);
  // Redraws the block when it changed and the last redraw is old enough.
  void redraw();
  void clear();

 private:
  struct Line {
    std::string port;
    std::string variant;
    std::string counts;  // the progress text; empty before the first record
    bool ended = false;
  };
  std::string text(const Line& line) const;
  void draw();

  FILE* terminal_;
  std::vector<Line> lines_;
  int drawn_ = 0;  // lines of the block on the terminal now
  bool changed_ = true;
  std::chrono::steady_clock::time_point drawnAt_{};
};
