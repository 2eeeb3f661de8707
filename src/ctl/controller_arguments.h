// The command line of a rack run's controller process: the user's, less
// every port option, with its own port, --json (its result is read as
// data), the descriptor of its records and, for a check, --yes (the parent
// asked once for all of them).
#pragma once

#include <string>
#include <vector>

// The descriptor a controller's process sends its records on.
inline constexpr int kControllerRecordFd = 3;

// arguments: the user's, the program's name first. Only options before a
// "--" are looked at; an option's value is never taken for an option.
std::vector<std::string> ControllerArguments(const std::vector<std::string>& arguments, const std::string& port,
                                             bool check);
