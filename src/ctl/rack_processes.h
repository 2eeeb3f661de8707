// The processes of a rack run: one korvel-ctl per controller, all started
// at once, each in a process group of its own (a terminal's Ctrl-C reaches
// only this process, which passes a stop on once) and ended with SIGTERM
// should this process die first. One loop reads every process's standard
// output (its JSON object), standard error (its own words, a line at a
// time) and records (a JSON object a line), and reaps each as it ends.
#pragma once

#include <QJsonObject>

#include <cstddef>
#include <string>
#include <vector>

#include "rack_results.h"

// What the loop hands on as it reads, for the terminal and the files.
class RackListener {
 public:
  virtual ~RackListener() = default;
  // A whole line of controller's standard error, without its line end.
  virtual void said(std::size_t controller, const std::string& line) = 0;
  // One record of controller's.
  virtual void told(std::size_t controller, const QJsonObject& record) = 0;
  // controller's process has ended (its pipes may still hold some of its output).
  virtual void ended(std::size_t controller) = 0;
  // Once every turn of the loop (at least five times a second).
  virtual void turned() = 0;
};

// Runs one process per command line (program name first) to its end and
// returns how each ended, in their order; ports name them. A stop signal to
// this process is passed on to every process still running, once.
std::vector<ControllerEnd> RunControllers(const std::vector<std::vector<std::string>>& commandLines,
                                          const std::vector<std::string>& ports, RackListener& listener);
