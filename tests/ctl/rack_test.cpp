// korvel-ctl on several ports at once, as a script runs it, against
// emulated controllers on real pseudo-terminals: each controller in a
// process of its own, one joint summary or JSON object, the most serious
// exit status; a controller that fails, falls silent, cannot be opened or
// whose process is killed is its row, the others run to their end; SIGINT
// stops and restores every one of them.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "controller_arguments.h"
#include "ctl_process.h"
#include "emulated_controller.h"
#include "pty_peer.h"
#include "written_files.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using emulator::Device;
using emulator::Variant;

constexpr int kExitUsage = 1;
constexpr int kExitNoReply = 3;
constexpr int kExitPort = 4;
constexpr int kExitFailedSteps = 7;

using Rack = std::vector<std::unique_ptr<EmulatedController>>;

// Unpaced controllers, one per set of options.
Rack RackOf(const std::vector<emulator::EmulatorOptions>& options) {
  Rack rack;
  for (emulator::EmulatorOptions o : options) {
    o.baud = 0;
    rack.push_back(std::make_unique<EmulatedController>(o));
  }
  return rack;
}

emulator::EmulatorOptions Of(Variant variant) {
  emulator::EmulatorOptions o;
  o.variant = variant;
  return o;
}

std::vector<std::string> WithPorts(std::vector<std::string> words, const Rack& rack) {
  for (const auto& controller : rack) {
    words.emplace_back("--port");
    words.push_back(controller->path());
  }
  return words;
}

QJsonArray ControllersOf(const std::string& out) {
  const QJsonObject whole = QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
  EXPECT_EQ(whole.keys(), QStringList{"controllers"}) << out;
  return whole["controllers"].toArray();
}

// The summary's line of this port: its row of the table.
std::string RowOf(const std::string& out, const std::string& port) {
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with(port + " ")) return line;
  }
  return {};
}

bool WaitFor(const std::function<bool()>& done, std::chrono::seconds most = 30s) {
  const auto deadline = std::chrono::steady_clock::now() + most;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

TEST(RackRun, FourControllersOfMixedVariantsTheStuckOneFailedAndEveryOneRestored) {
  emulator::EmulatorOptions stuck = Of(Variant::kDuoWheelShutter);
  stuck.stuck = {Device::kWheelA, 7};
  emulator::EmulatorOptions partial = Of(Variant::kTriad);
  partial.notConnected = {Device::kWheelC, Device::kShutterB};
  const Rack rack = RackOf({Of(Variant::kTriad), stuck, Of(Variant::kDuoShutterShutter), partial});
  std::vector<emulator::ControllerState> before;
  for (const auto& controller : rack) {
    ASSERT_TRUE(controller->ready());
    before.push_back(controller->server().state());
  }

  const fs::path dir = fs::temp_directory_path() / ("korvel-rack-check-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path page = dir / "rack.html";

  const CtlRun run = RunCtl(WithPorts({"check", "--yes", "--json", "--report", page.string()}, rack));

  EXPECT_EQ(run.status, kExitFailedSteps) << run.err;
  const QJsonArray items = ControllersOf(run.out);
  ASSERT_EQ(items.size(), 4);
  for (std::size_t i = 0; i < rack.size(); ++i) {
    const QJsonObject item = items[static_cast<qsizetype>(i)].toObject();
    EXPECT_EQ(item["port"].toString().toStdString(), rack[i]->path());
    EXPECT_EQ(item["verdict"].toString(), i == 1 ? "failed" : "passed") << i;
    EXPECT_TRUE(item["restored"].toBool()) << i;
    EXPECT_EQ(rack[i]->server().state(), before[i]) << i;
    // The check's own object, its port put first.
    EXPECT_NE(run.out.find("{\"port\":\"" + rack[i]->path() + "\",\"configuration\":"), std::string::npos);
  }
  // The overview marks the stuck one, first, linking to its section; the
  // temporary file beside the page is gone.
  const std::string html = ReadFile(page);
  const std::string overview = html.substr(0, html.find("<section"));
  const std::string failedRow = "<tr class=\"failed\"><td><a href=\"#controller-2\">" + rack[1]->path() + "</a>";
  EXPECT_NE(overview.find(failedRow), std::string::npos) << overview;
  for (std::size_t i : {0, 2, 3}) {
    const std::size_t row = overview.find(">" + rack[i]->path() + "</a>");
    ASSERT_NE(row, std::string::npos) << overview;
    EXPECT_GT(row, overview.find(failedRow));
  }
  EXPECT_NE(html.find("<section class=\"controller\" id=\"controller-2\">"), std::string::npos);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  fs::remove_all(dir);
}

TEST(RackRun, ABurnInWhoseControllerFallsSilentHalfWayIsItsRowTheOthersRunWhole) {
  emulator::EmulatorOptions silent = Of(Variant::kTriad);
  // The on-line byte, then a few rounds' queries.
  silent.silentAfter = 5;
  const Rack rack = RackOf({Of(Variant::kTriad), silent, Of(Variant::kDuoWheelShutter)});
  for (const auto& controller : rack) ASSERT_TRUE(controller->ready());

  const fs::path csv = fs::temp_directory_path() / ("korvel-rack-" + std::to_string(getpid()) + ".csv");

  const CtlRun run = RunCtl(WithPorts({"status", "--repeat", "8", "--csv", csv.string()}, rack));

  EXPECT_EQ(run.status, kExitNoReply) << run.err;
  EXPECT_TRUE(run.out.starts_with("verdict: failed\n")) << run.out;
  for (std::size_t i : {0, 2}) {
    const std::string row = RowOf(run.out, rack[i]->path());
    EXPECT_NE(row.find(" passed "), std::string::npos) << run.out;
    EXPECT_NE(row.find(" 8 of 8 rounds "), std::string::npos) << run.out;
  }
  EXPECT_NE(RowOf(run.out, rack[1]->path()).find(" no reply "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("controllers: 3; passed 2, no reply 1\n"), std::string::npos) << run.out;
  // The controller's own words, each line with its port.
  EXPECT_NE(run.err.find(rack[1]->path() + ": korvel-ctl: no reply within"), std::string::npos) << run.err;
  // Each row after its port: the whole ones' every round passed.
  const std::vector<std::string> lines = Lines(ReadFile(csv));
  fs::remove(csv);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "port,run,round,ended,setting,sent_bytes,reply_bytes,echo_ms,reply_ms,result,message,reported");
  for (std::size_t i = 0; i < rack.size(); ++i) {
    int rows = 0;
    int passed = 0;
    for (const std::string& line : lines) {
      if (!line.starts_with(rack[i]->path() + ",")) continue;
      ++rows;
      passed += line.find(",status,") != std::string::npos && line.find(",pass,") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(rows, 8) << i;
    if (i != 1) {
      EXPECT_EQ(passed, 8) << i;
    }
  }
  EXPECT_EQ(lines.size(), 1 + 3 * 8u);
}

// SIGINT once every controller has been sent a move: each finishes the
// cycle it is in, sets the settings found again, and is summarised.
TEST(RackRun, InterruptStopsEveryControllerWhichRestoresThenTheSummaryComes) {
  std::vector<emulator::EmulatorOptions> options(3, Of(Variant::kDuoWheelShutter));
  for (emulator::EmulatorOptions& o : options) o.moveTime = 30ms;
  const Rack rack = RackOf(options);
  std::vector<emulator::ControllerState> before;
  for (const auto& controller : rack) {
    ASSERT_TRUE(controller->ready());
    ASSERT_EQ(RunCtl({"--port", controller->path(), "set", "wheelA.filter=6", "wheelA.speed=2"}).status, 0);
    before.push_back(controller->server().state());
    controller->server().clearReceived();
  }

  CtlProcess ctl(WithPorts({"check", "--yes"}, rack));
  // The on-line byte, the configuration and status queries, then the first
  // step's move of wheel A.
  for (const auto& controller : rack) {
    ASSERT_TRUE(WaitFor([&controller] {
      const std::vector<uint8_t> received = controller->server().received();
      return received.size() > 3 && received[3] != 0xCC;
    }));
  }
  ASSERT_EQ(kill(ctl.pid(), SIGINT), 0);
  const CtlRun run = ctl.Finish();

  EXPECT_EQ(run.status, 128 + SIGINT) << run.err;
  EXPECT_TRUE(run.out.starts_with("verdict: stopped\n")) << run.out;
  for (std::size_t i = 0; i < rack.size(); ++i) {
    const std::string row = RowOf(run.out, rack[i]->path());
    EXPECT_NE(row.find(" stopped "), std::string::npos) << run.out;
    EXPECT_NE(row.find(" verified "), std::string::npos) << run.out;
    EXPECT_EQ(rack[i]->server().state(), before[i]) << i;
  }
}

// The same device under two names is one controller driven twice at once:
// refused before anything starts.
TEST(RackRun, APortNamedTwiceThroughALinkIsRefusedBeforeAnythingIsSent) {
  EmulatedController controller(Variant::kTriad);
  ASSERT_TRUE(controller.ready());
  const fs::path link = fs::temp_directory_path() / ("korvel-rack-link-" + std::to_string(getpid()));
  fs::create_symlink(controller.path(), link);

  const CtlRun run = RunCtl({"check", "--yes", "--port", controller.path(), "--port", link.string()});
  fs::remove(link);

  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_NE(run.err.find("is named twice"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(controller.server().received().empty());
}

// A port that cannot be opened is that controller's item, in its words
// and with its status; the others run and pass.
TEST(RackRun, OneMissingPortAmongThreeIsItsItemTheOthersPass) {
  const Rack rack = RackOf({Of(Variant::kTriad), Of(Variant::kMono)});
  for (const auto& controller : rack) ASSERT_TRUE(controller->ready());
  const std::string missing = "/nonexistent/ttyUSB7";

  const CtlRun run = RunCtl({"status", "--repeat", "3", "--json", "--port", rack[0]->path(), "--port", missing,
                             "--port", rack[1]->path()});

  EXPECT_EQ(run.status, kExitPort) << run.err;
  const QJsonArray items = ControllersOf(run.out);
  ASSERT_EQ(items.size(), 3);
  EXPECT_EQ(items[0].toObject()["verdict"].toString(), "passed");
  EXPECT_EQ(items[2].toObject()["verdict"].toString(), "passed");
  EXPECT_EQ(items[2].toObject()["rounds"].toInt(), 3);
  const QJsonObject gone = items[1].toObject();
  EXPECT_EQ(gone.keys(), (QStringList{"error", "exit_status", "port"}));
  EXPECT_EQ(gone["port"].toString().toStdString(), missing);
  EXPECT_EQ(gone["exit_status"].toInt(), kExitPort);
  EXPECT_NE(gone["error"].toString().toStdString().find("no such device"), std::string::npos) << run.out;
}

// The process parent started for port; -1 while there is none.
pid_t ControllerProcess(pid_t parent, const std::string& port) {
  std::ifstream children("/proc/" + std::to_string(parent) + "/task/" + std::to_string(parent) + "/children");
  for (pid_t pid = 0; children >> pid;) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/cmdline");
    const std::string commandLine((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (commandLine.find(std::string("--port\0", 7) + port + '\0') != std::string::npos) return pid;
  }
  return -1;
}

// A controller's process killed from outside: its row says so, the rack
// ends as that signal says, the others run to their end.
TEST(RackRun, AControllersProcessKilledIsItsRowTheOthersRunToTheirEnd) {
  std::vector<emulator::EmulatorOptions> options(2, Of(Variant::kTriad));
  for (emulator::EmulatorOptions& o : options) o.moveTime = 20ms;
  const Rack rack = RackOf(options);
  for (const auto& controller : rack) ASSERT_TRUE(controller->ready());

  CtlProcess ctl(WithPorts({"check", "--yes"}, rack));
  // Killed once its controller has been sent a move.
  ASSERT_TRUE(WaitFor([&rack] { return rack[0]->server().received().size() > 3; }));
  const pid_t first = ControllerProcess(ctl.pid(), rack[0]->path());
  ASSERT_GT(first, 0) << "no /proc children list";
  ASSERT_EQ(kill(first, SIGKILL), 0);
  const CtlRun run = ctl.Finish();

  EXPECT_EQ(run.status, 128 + SIGKILL) << run.err;
  EXPECT_NE(RowOf(run.out, rack[0]->path()).find(" ended abnormally (signal 9) "), std::string::npos) << run.out;
  EXPECT_NE(RowOf(run.out, rack[1]->path()).find(" passed "), std::string::npos) << run.out;
}

// korvel-ctl with standard input and error on terminal; what it wrote
// there until it ended, and its exit status (-1: it did not end in time).
struct TerminalRun {
  std::string shown;
  int status = -1;
};

TerminalRun RunOnATerminal(PtyPeer& terminal, std::vector<std::string> words, const std::string& answer) {
  std::string program = KORVEL_CTL;
  words.insert(words.begin(), program);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return {};
  if (pid == 0) {
    const int tty = open(terminal.path().c_str(), O_RDWR | O_NOCTTY);
    const int nowhere = open("/dev/null", O_WRONLY);
    if (tty < 0 || nowhere < 0 || dup2(tty, STDIN_FILENO) < 0 || dup2(tty, STDERR_FILENO) < 0 ||
        dup2(nowhere, STDOUT_FILENO) < 0) {
      _exit(126);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  TerminalRun run;
  const auto deadline = std::chrono::steady_clock::now() + kCtlDeadline;
  bool answered = false;
  int status = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    const Bytes got = terminal.receive(4096, 50ms);
    run.shown.append(got.begin(), got.end());
    if (!answered && run.shown.find("[y/N] ") != std::string::npos) {
      terminal.send(Bytes(answer.begin(), answer.end()));
      answered = true;
    }
    if (waitpid(pid, &status, WNOHANG) == pid) {
      const Bytes rest = terminal.receive(65536, 200ms);
      run.shown.append(rest.begin(), rest.end());
      run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return run;
    }
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return run;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// On a terminal the check asks once for every controller; each has a line
// of its own, a controller's words come above them after its port, and the
// lines are gone at the end.
TEST(RackRun, OnATerminalTheCheckAsksOnceAndEachControllerHasALine) {
  // Moves long enough for the lines to be redrawn while the check runs.
  std::vector<emulator::EmulatorOptions> options{Of(Variant::kTriad), Of(Variant::kDuoWheelShutter)};
  for (emulator::EmulatorOptions& o : options) o.moveTime = 10ms;
  const Rack rack = RackOf(options);
  for (const auto& controller : rack) ASSERT_TRUE(controller->ready());
  const std::string missing = "/nonexistent/ttyUSB7";
  PtyPeer terminal;

  const TerminalRun run = RunOnATerminal(terminal, WithPorts({"check", "--port", missing}, rack), "y\n");

  EXPECT_EQ(run.status, kExitPort) << run.shown;
  EXPECT_EQ(Count(run.shown, "[y/N] "), 1u) << run.shown;
  // Its variant once identified, its steps as its records count them.
  EXPECT_NE(run.shown.find("\r\033[K" + rack[0]->path() + "  triad  "), std::string::npos) << run.shown;
  EXPECT_NE(run.shown.find("\r\033[K" + rack[1]->path() + "  duo-wheel-shutter  "), std::string::npos) << run.shown;
  EXPECT_NE(run.shown.find(" steps  failures 0"), std::string::npos) << run.shown;
  EXPECT_NE(run.shown.find(missing + ": korvel-ctl: " + missing + ": no such device"), std::string::npos) << run.shown;
  // The block's lines are cleared last: nothing is drawn after.
  const std::size_t cleared = run.shown.rfind("\r\033[J");
  ASSERT_NE(cleared, std::string::npos) << run.shown;
  EXPECT_EQ(run.shown.find("\r\033[K", cleared), std::string::npos) << run.shown;
}

// Gone, or ended and waiting for a parent to reap it.
bool Ended(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::size_t state = stat.rfind(") ");
  return state == std::string::npos || stat[state + 2] == 'Z' || stat[state + 2] == 'X';
}

// No signal waits to be delivered to process pid.
bool NothingPending(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  bool pending = false;
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("SigPnd:") || line.starts_with("ShdPnd:")) {
      pending = pending || line.find_first_not_of("0", line.find_first_not_of(" \t", 7)) != std::string::npos;
    }
  }
  return !pending;
}

// A second SIGINT ends korvel-ctl at once: the report's temporary file goes
// with it, and every controller's process, told by the system that its
// parent died, ends too.
TEST(RackRun, ASecondInterruptEndsEveryProcessAndLeavesNoTemporaryFile) {
  std::vector<emulator::EmulatorOptions> options(2, Of(Variant::kDuoWheelShutter));
  for (emulator::EmulatorOptions& o : options) o.moveTime = 800ms;
  const Rack rack = RackOf(options);
  for (const auto& controller : rack) ASSERT_TRUE(controller->ready());
  const fs::path dir = fs::temp_directory_path() / ("korvel-rack-cut-short-" + std::to_string(getpid()));
  fs::create_directories(dir);

  CtlProcess ctl(WithPorts({"check", "--yes", "--report", (dir / "rack.html").string()}, rack));
  std::vector<pid_t> children;
  for (const auto& controller : rack) {
    ASSERT_TRUE(WaitFor([&controller] { return controller->server().received().size() > 3; }));
    children.push_back(ControllerProcess(ctl.pid(), controller->path()));
    ASSERT_GT(children.back(), 0) << "no /proc children list";
  }
  ASSERT_EQ(kill(ctl.pid(), SIGINT), 0);
  // Two signals sent at once may arrive as one.
  ASSERT_TRUE(WaitFor([&ctl] { return NothingPending(ctl.pid()); }));
  ASSERT_EQ(kill(ctl.pid(), SIGINT), 0);
  const CtlRun run = ctl.Finish();

  EXPECT_EQ(run.status, 128 + SIGINT) << run.err;
  EXPECT_EQ(run.out, "") << "a summary after the second signal";
  EXPECT_TRUE(fs::is_empty(dir)) << "the report's temporary file was left";
  fs::remove_all(dir);
  for (const pid_t child : children) EXPECT_TRUE(WaitFor([child] { return Ended(child); }, 10s)) << child;
}

struct ArgumentsCase {
  const char* name;
  std::vector<std::string> given;
  bool check;
  std::vector<std::string> expected;
};

// Every port option goes, in either spelling, but not a value that looks
// like one, nor a word after "--".
const ArgumentsCase kArgumentsCases[] = {
    {"PortsEitherWay",
     {"korvel-ctl", "status", "--port", "/dev/a", "--repeat", "5", "--port=/dev/b", "--ports-from", "rack.txt",
      "--ports-from=more.txt"},
     false,
     {"korvel-ctl", "--port", "/dev/x", "--json", "--rack-fd", "3", "status", "--repeat", "5"}},
    {"CheckIsNotAskedAgain",
     {"korvel-ctl", "check", "--port", "/dev/a", "--port", "/dev/b", "--report", "r.html"},
     true,
     {"korvel-ctl", "--port", "/dev/x", "--json", "--rack-fd", "3", "--yes", "check", "--report", "r.html"}},
    {"AValueThatLooksLikeAPortOption",
     {"korvel-ctl", "check", "--note", "--port", "--label=--ports-from", "--port", "/dev/a"},
     true,
     {"korvel-ctl", "--port", "/dev/x", "--json", "--rack-fd", "3", "--yes", "check", "--note", "--port",
      "--label=--ports-from"}},
    {"AfterTheEndOfOptions",
     {"korvel-ctl", "--port", "/dev/a", "status", "--", "--port", "/dev/b"},
     false,
     {"korvel-ctl", "--port", "/dev/x", "--json", "--rack-fd", "3", "status", "--", "--port", "/dev/b"}},
};

class ControllerArgumentsTest : public testing::TestWithParam<ArgumentsCase> {};

TEST_P(ControllerArgumentsTest, AreTheUsersLessItsPortsWithTheControllersOwn) {
  const ArgumentsCase& c = GetParam();
  EXPECT_EQ(ControllerArguments(c.given, "/dev/x", c.check), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rack, ControllerArgumentsTest, testing::ValuesIn(kArgumentsCases),
                         [](const testing::TestParamInfo<ArgumentsCase>& info) { return info.param.name; });

}  // namespace
