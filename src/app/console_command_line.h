// korvel-console's command line: read before the toolkit starts, so that
// --help, --version and a wrong option are answered without a window or a
// display. One table of options makes both the parser and the usage text.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

class TessaroController;

struct ConsoleOptions {
  std::string port;  // --port: shown in the path field at the start
  std::string log;   // --log: the session record's file
};

struct ConsoleCommandLine {
  ConsoleOptions options;
  bool help = false;
  bool version = false;
  std::string error;  // empty when the arguments were good
};

// The exit status of a wrong command line.
inline constexpr int kUsageExitStatus = 2;

// arguments: without the program name. Accepts "--name value" and "--name=value".
ConsoleCommandLine ParseConsoleCommandLine(const std::vector<std::string>& arguments);

std::string ConsoleUsageText();

// Answers --help, --version and a wrong command line on out or err; the exit
// status then, nothing when the window is to start.
std::optional<int> AnswerWithoutWindow(const ConsoleCommandLine& line, std::ostream& out, std::ostream& err);

// Puts the start options into the window: the --port path in the path field,
// where Open takes it from, as a search would have shown it.
void ApplyConsoleOptions(const ConsoleOptions& options, TessaroController& controller);
