// The emulator executable's options.
#pragma once

#include <string>
#include <vector>

#include "emulator_options.h"

namespace emulator {

struct CommandLine {
  EmulatorOptions options;
  bool help = false;
  bool version = false;
  std::string error;  // empty when the arguments were good
};

// arguments: without the program name. Accepts "--name value" and
// "--name=value"; of an option given twice the later one counts, and every
// --not-connected list adds to the others.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

std::string UsageText();

// What the emulator serves, for standard error at its start: "korvel-emulator:
// a triad controller, paced at 300 baud; faults and delays: --stuck wheelA:9".
// Every option that is no variant, pacing or announcement is named as given.
std::string StartLine(const CommandLine& line, const std::vector<std::string>& arguments);

}  // namespace emulator
