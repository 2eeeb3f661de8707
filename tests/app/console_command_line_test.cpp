// korvel-console's command line: what it reads, what the window starts with,
// and the executable's answers without a display.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "console_command_line.h"
#include "korvel_version.h"
#include "window_line_fixture.h"

namespace {

using Arguments = std::vector<std::string>;

struct LineCase {
  Arguments arguments;
  ConsoleOptions options;
  bool help;
  bool version;
};

TEST(ConsoleCommandLine, ReadsEveryOptionInBothSpellings) {
  const LineCase cases[] = {
      {{}, {}, false, false},
      {{"--port", "/dev/ttyUSB1", "--log=/tmp/triad.log"}, {"/dev/ttyUSB1", "/tmp/triad.log"}, false, false},
      {{"--port=/dev/ttyUSB1", "--log", "triad.log"}, {"/dev/ttyUSB1", "triad.log"}, false, false},
      {{"-h"}, {}, true, false},
      {{"--help", "--port", "x"}, {"x", ""}, true, false},
      {{"--version"}, {}, false, true},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    const ConsoleCommandLine line = ParseConsoleCommandLine(c.arguments);
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.options.port, c.options.port);
    EXPECT_EQ(line.options.log, c.options.log);
    EXPECT_EQ(line.help, c.help);
    EXPECT_EQ(line.version, c.version);
  }
}

TEST(ConsoleCommandLine, RefusesWhatItDoesNotKnowWithAReason) {
  const std::pair<Arguments, std::string> cases[] = {
      {{"--frobnicate"}, "Unknown option 'frobnicate'."},
      {{"--port"}, "Missing value after '--port'."},
      {{"--help=yes"}, "Unexpected value after '--help'."},
      {{"/dev/ttyUSB0"}, "Unexpected argument '/dev/ttyUSB0'."},
      // The toolkit's own options are not taken either; one dash names the
      // option as two do.
      {{"-platform", "offscreen"}, "Unknown option 'platform'."},
      {{"-port"}, "Missing value after '-port'."},
  };
  for (const auto& [arguments, error] : cases) {
    EXPECT_EQ(ParseConsoleCommandLine(arguments).error, error) << testing::PrintToString(arguments);
  }
}

// --port shows the path as a search would have, and Open opens it.
using StartOptionsTest = WindowLineTest;

TEST_F(StartOptionsTest, PortIsInThePathFieldAndOpenOpensIt) {
  ApplyConsoleOptions({line.path(), ""}, w.controller);
  EXPECT_EQ(w.searchField.text, line.path());
  CannedReply controller(line, 1, {0xEE});

  w.controller.open();

  EXPECT_EQ(w.openField.text, kReady);
  EXPECT_EQ(controller.Received(), Bytes{0xEE});
}

TEST_F(StartOptionsTest, WithoutPortThePathFieldIsLeftAsItIs) {
  w.searchField.text = "typed";
  ApplyConsoleOptions({}, w.controller);
  EXPECT_EQ(w.searchField.text, "typed");
}

struct ProgramRun {
  int status;
  std::string out;
  std::string err;
};

std::string ReadFile(const std::string& path) {
  std::ostringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

// The console as a user starts it from a terminal without any display.
ProgramRun RunConsole(const std::string& arguments) {
  const std::string out = testing::TempDir() + "console.out";
  const std::string err = testing::TempDir() + "console.err";
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" KORVEL_CONSOLE_EXECUTABLE "' " +
                              arguments + " >'" + out + "' 2>'" + err + "' </dev/null";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
}

TEST(ConsoleExecutable, AnswersWithoutADisplay) {
  const std::string usage = ConsoleUsageText();
  const struct {
    std::string arguments;
    ProgramRun expected;
  } cases[] = {
      {"--help", {0, usage, ""}},
      {"-h", {0, usage, ""}},
      {"--version", {0, std::string("korvel-console ") + kKorvelVersion + "\n", ""}},
      {"--frobnicate", {2, "", "korvel-console: Unknown option 'frobnicate'.\n" + usage}},
      {"--port", {2, "", "korvel-console: Missing value after '--port'.\n" + usage}},
      {"--port /dev/ttyUSB0 extra", {2, "", "korvel-console: Unexpected argument 'extra'.\n" + usage}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const ProgramRun run = RunConsole(c.arguments);
    EXPECT_EQ(run.status, c.expected.status);
    EXPECT_EQ(run.out, c.expected.out);
    EXPECT_EQ(run.err, c.expected.err);
  }
  EXPECT_EQ(usage.rfind("Usage: korvel-console [options]\n", 0), 0u);
}

TEST(ConsoleExecutable, AnAnswerThatCannotBeWrittenIsAFailure) {
  EXPECT_EQ(std::system("'" KORVEL_CONSOLE_EXECUTABLE "' --version >/dev/full"), 1 << 8);
}

}  // namespace
