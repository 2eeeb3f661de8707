// korvel-ctl check as a script runs it, against the emulated controller:
// refused before the port opens without a terminal or --yes; the JSON
// object's steps are the cycles the controller received; SIGINT stops after
// the current cycle and still restores; the report holds every step and the
// verdict and a real browser renders it.
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
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "chromium_page.h"
#include "ctl_process.h"
#include "emulated_controller.h"
#include "written_files.h"
#include "pty_peer.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using emulator::Device;
using emulator::Variant;

constexpr int kExitUsage = 1;
constexpr int kExitNoReply = 3;
constexpr int kExitFailedSteps = 7;

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char byte[4];
  for (uint8_t b : bytes) {
    std::snprintf(byte, sizeof byte, "%02X", b);
    text += (text.empty() ? "" : " ") + std::string(byte);
  }
  return text;
}

QJsonObject JsonOf(const std::string& out) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
}

TEST(CheckCommand, WithoutATerminalOrYesRefusesBeforeOpeningThePort) {
  EmulatedController controller(Variant::kTriad, {}, 0);
  ASSERT_TRUE(controller.ready());
  const CtlRun run = RunCtl({"--port", controller.path(), "check"});
  EXPECT_EQ(run.status, kExitUsage);
  EXPECT_NE(run.err.find("without a terminal to ask on, check needs --yes"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("light may reach a sample"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(controller.server().received().empty()) << Hex(controller.server().received());
}

// The steps of the JSON object, each with the bytes it sent and a status
// query after it, are what the controller received after the on-line byte
// and the first configuration and status queries, up to the restore.
TEST(CheckCommand, JsonStepsAreTheCyclesTheControllerReceived) {
  emulator::EmulatorOptions options;
  options.variant = Variant::kTriad;
  options.notConnected = {Device::kWheelC};
  options.baud = 0;
  options.stuck = {Device::kWheelA, 7};
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  const emulator::ControllerState before = controller.server().state();

  const CtlRun run = RunCtl({"--port", controller.path(), "check", "--yes", "--json"});
  EXPECT_EQ(run.status, kExitFailedSteps) << run.err;
  const QJsonObject result = JsonOf(run.out);
  EXPECT_EQ(result["verdict"].toString(), "failed");
  EXPECT_TRUE(result["restored"].toBool());

  std::string expected = "EE FD CC";
  int failed = 0;
  int skipped = 0;
  for (const QJsonValue& value : result["steps"].toArray()) {
    const QJsonObject step = value.toObject();
    if (step["result"].toString() == "skipped") {
      ++skipped;
      EXPECT_EQ(step["device"].toString(), "wheelC");
      continue;
    }
    failed += step["result"].toString() == "fail" ? 1 : 0;
    EXPECT_FALSE(step["ms"].isNull());
    expected += " " + step["sent"].toString().toStdString() + " CC";
  }
  EXPECT_EQ(skipped, 1);
  EXPECT_EQ(failed, 1);  // wheelA's visit of 7; its speed moves pass 0 and 5 only
  const std::string received = Hex(controller.server().received());
  EXPECT_EQ(received.substr(0, expected.size()), expected);
  EXPECT_EQ(controller.server().state(), before);
}

// SIGINT while wheels move: the check ends after the cycle it is in, sets
// the settings found again, verifies them, prints the summary, and ends as
// stopped by SIGINT.
TEST(CheckCommand, InterruptStopsAfterTheCurrentCycleAndRestores) {
  emulator::EmulatorOptions options;
  options.variant = Variant::kDuoWheelShutter;
  options.baud = 0;
  options.moveTime = 30ms;
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  ASSERT_EQ(RunCtl({"--port", controller.path(), "set", "wheelA.filter=6", "wheelA.speed=2", "shutterA.state=open"})
                .status,
            0);
  const emulator::ControllerState before = controller.server().state();

  CtlProcess ctl({"--port", controller.path(), "check", "--yes"});
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (ctl.ReadOut(100ms).find("wheelA    filter=") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
  }
  ASSERT_EQ(kill(ctl.pid(), SIGINT), 0);
  const CtlRun run = ctl.Finish();

  EXPECT_EQ(run.status, 128 + SIGINT) << run.err;
  EXPECT_NE(run.out.find("verdict: stopped\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("restore: the settings found were set again and verified\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("shutterA  state="), std::string::npos) << "went on after the stop:\n" << run.out;
  EXPECT_EQ(controller.server().state(), before);
}

// A second SIGINT while the restore moves the wheel back ends korvel-ctl at
// once, with one line saying the restore was cut short and what the
// settings found were, so that the user can set them again; the report's
// temporary file goes with it.
TEST(CheckCommand, ASecondInterruptDuringTheRestoreSaysWhatTheControllerMayHold) {
  emulator::EmulatorOptions options;
  options.variant = Variant::kDuoWheelShutter;
  options.baud = 0;
  options.moveTime = 800ms;
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  ASSERT_EQ(RunCtl({"--port", controller.path(), "set", "wheelA.filter=6", "wheelA.speed=2"}).status, 0);

  const fs::path dir = fs::temp_directory_path() / ("korvel-cut-short-" + std::to_string(getpid()));
  fs::create_directories(dir);
  CtlProcess ctl({"--port", controller.path(), "check", "--yes", "--shutters", "none", "--report",
                  (dir / "check.html").string()});
  auto deadline = std::chrono::steady_clock::now() + 30s;
  while (ctl.ReadOut(100ms).find("wheelA    filter=") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
  }
  ASSERT_EQ(kill(ctl.pid(), SIGINT), 0);
  // The restore's move: wheel A to filter 6 at speed 2, after the stop.
  const std::size_t sentBefore = controller.server().received().size();
  deadline = std::chrono::steady_clock::now() + 30s;
  const auto restoring = [&] {
    const std::vector<uint8_t> received = controller.server().received();
    return received.size() > sentBefore && received.back() == 0x26;
  };
  while (!restoring() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
  ASSERT_TRUE(restoring()) << Hex(controller.server().received());
  ASSERT_EQ(kill(ctl.pid(), SIGINT), 0);
  const CtlRun run = ctl.Finish();

  EXPECT_EQ(run.status, 128 + SIGINT) << run.err;
  const std::string line = "korvel-ctl: the restore was cut short; the controller may hold some of the check's "
                           "settings in place of those found: wheelA.filter=6 wheelA.speed=2\n";
  ASSERT_GE(run.err.size(), line.size());
  EXPECT_EQ(run.err.substr(run.err.size() - line.size()), line) << run.err;
  EXPECT_EQ(run.out.find("verdict:"), std::string::npos) << run.out;
  EXPECT_TRUE(fs::is_empty(dir)) << "the report's temporary file was left";
  fs::remove_all(dir);
}

// Ctrl-C at the check's question ends korvel-ctl at once, with nothing sent.
TEST(CheckCommand, InterruptAtTheQuestionEndsAtOnce) {
  EmulatedController controller(Variant::kTriad, {}, 0);
  ASSERT_TRUE(controller.ready());
  PtyPeer terminal;
  std::string program = KORVEL_CTL;
  std::vector<std::string> words = {program, "--port", controller.path(), "check"};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // The question needs a terminal on standard input and standard error.
    const int tty = open(terminal.path().c_str(), O_RDWR | O_NOCTTY);
    if (tty < 0 || dup2(tty, STDIN_FILENO) < 0 || dup2(tty, STDERR_FILENO) < 0) _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
  }
  std::string asked;
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (asked.find("[y/N] ") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    const Bytes got = terminal.receive(64, 100ms);
    asked.append(got.begin(), got.end());
  }
  ASSERT_NE(asked.find("[y/N] "), std::string::npos) << asked;
  ASSERT_EQ(kill(pid, SIGINT), 0);
  int status = 0;
  pid_t ended = 0;
  const auto waitUntil = std::chrono::steady_clock::now() + 10s;
  while ((ended = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < waitUntil) {
    std::this_thread::sleep_for(10ms);
  }
  if (ended == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  ASSERT_EQ(ended, pid) << "still waiting for an answer after SIGINT";
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT);
  const Bytes rest = terminal.receive(256, 200ms);
  EXPECT_NE(std::string(rest.begin(), rest.end()).find("korvel-ctl: check not started"), std::string::npos);
  EXPECT_TRUE(controller.server().received().empty()) << Hex(controller.server().received());
}

// A controller that falls silent: the check ends with what it has, the
// summary says first that the restore was not verified, and the exit status
// says no reply.
TEST(CheckCommand, SilentControllerEndsTheCheckUnrestored) {
  emulator::EmulatorOptions options;
  options.variant = Variant::kMono;
  options.baud = 0;
  options.silentAfter = 8;
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  const CtlRun run = RunCtl({"--port", controller.path(), "check", "--yes"});
  EXPECT_EQ(run.status, kExitNoReply) << run.err;
  EXPECT_EQ(run.out.find("restore: NOT verified: the controller did not answer"), run.out.find("restore: NOT"));
  const std::string summary = run.out.substr(run.out.find("restore: NOT"));
  EXPECT_EQ(summary.rfind("restore: NOT verified:", 0), 0u) << run.out;
  EXPECT_NE(summary.find("verdict: no reply\n"), std::string::npos) << run.out;
}

TEST(CheckCommand, ReportHoldsEveryStepAndTheVerdictAndRendersInABrowser) {
  emulator::EmulatorOptions options;
  options.variant = Variant::kDuoWheelShutter;
  options.baud = 0;
  options.ignoredMode = {Device::kShutterA, static_cast<int>(emulator::ShutterMode::kSoft)};
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  const fs::path dir = fs::temp_directory_path() / ("korvel-check-report-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path page = dir / "check.html";

  const CtlRun run = RunCtl({"--port", controller.path(), "check", "--yes", "--json", "--report", page.string()});
  EXPECT_EQ(run.status, kExitFailedSteps) << run.err;
  const QJsonArray steps = JsonOf(run.out)["steps"].toArray();
  const std::string html = ReadFile(page);
  ASSERT_NE(html, "");
  int rows = 0;
  for (std::size_t at = html.find("<tr"); at != std::string::npos; at = html.find("<tr", at + 1)) ++rows;
  // The controller table's rows, the steps table's header and a row per step.
  EXPECT_GE(rows, static_cast<int>(steps.size()) + 1);
  EXPECT_NE(html.find("Verdict: failed</p>"), std::string::npos);
  EXPECT_LT(html.find("Verdict: failed"), html.find("<h2>Steps</h2>"));
  EXPECT_TRUE(std::regex_search(html, std::regex("<tr class=\"failed\"><td>[0-9]+</td><td>shutterA</td><td>mode</td>"
                                                 "<td>soft</td>")));
  EXPECT_NE(html.find("set again and verified"), std::string::npos);

  // Written once: a second check does not write over it.
  const CtlRun again = RunCtl({"--port", controller.path(), "check", "--yes", "--report", page.string()});
  EXPECT_EQ(again.status, kExitUsage);
  EXPECT_EQ(ReadFile(page), html);

  if (!HaveChromium()) GTEST_SKIP() << "chromium is not installed";
  const std::string dom = Chromium(dir / "profile", "--dump-dom", page);
  ASSERT_NE(dom, "");
  EXPECT_NE(dom.find("Verdict: failed"), std::string::npos);
  EXPECT_EQ(dom.find("<svg") != std::string::npos, true);
  for (const QJsonValue& value : steps) {
    const QJsonObject step = value.toObject();
    if (step["result"].toString() == "skipped") continue;
    const std::string cells = "<td>" + step["device"].toString().toStdString() + "</td><td>" +
                              step["setting"].toString().toStdString() + "</td><td>" +
                              step["value"].toString().toStdString() + "</td>";
    EXPECT_NE(dom.find(cells), std::string::npos) << cells;
  }
  fs::remove_all(dir);
}

}  // namespace

namespace {

// Every step line of a check puts sent, expected, reported and the result at
// the same columns, whatever its values: a shutter's "conditional", a Mono's
// timer settings and their six command bytes.
TEST(CheckCommand, StepLinesAlignForEveryValue) {
  for (const Variant variant : {Variant::kTriad, Variant::kMono}) {
    EmulatedController controller(variant, {}, 0);
    ASSERT_TRUE(controller.ready());
    const CtlRun run = RunCtl({"--port", controller.path(), "check", "--yes"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    std::vector<std::size_t> first;
    int steps = 0;
    for (std::string line; std::getline(lines, line);) {
      if (line.find(" sent ") == std::string::npos) continue;
      std::vector<std::size_t> columns;
      for (const char* word : {" sent ", " expected ", " reported ", " pass "}) columns.push_back(line.find(word));
      if (first.empty()) first = columns;
      EXPECT_EQ(columns, first) << line;
      ++steps;
    }
    EXPECT_GT(steps, 10) << run.out;
  }
}

}  // namespace

namespace {

// A check under a fault or a limit, as a user runs it with a report: the
// summary names what failed, with the limit and the measured time, and the
// report opens with the failures before its table of steps. Every slow move
// is slower than its limit by the emulator's modelled pause alone (a loaded
// machine only adds to it), and every move that must pass stays far below.
struct LimitedCheck {
  const char* name;
  Variant variant;
  std::set<Device> notConnected;
  emulator::StuckPosition stuck;
  emulator::MotorWear wear;
  std::vector<std::string> args;
  std::vector<std::string> inSummary;      // each in the plain summary, in this order
  std::vector<std::string> notInSummary;   // none of these in it
  std::string firstFailureTable;           // the table of failures the report opens with
  std::vector<std::string> inFailureTables;  // each in the report before its steps
};

void PrintTo(const LimitedCheck& c, std::ostream* out) { *out << c.name; }

// Moves take 10 ms and 10 ms a position, times speed index + 1: a speed move
// (five positions) at speed s takes 10 + 50 (s + 1) ms, a visit at the speed
// found (0) at most 60 ms.
const LimitedCheck kLimitedChecks[] = {
    {"StuckPosition", Variant::kDuoWheelShutter, {}, {Device::kWheelA, 7}, {}, {},
     {"verdict: failed\n", "failures:\n", "wheelA.filter=7            expected 7, reported "}, {"limits:"},
     "failures", {"<td>wheelA.filter=7</td><td>7</td><td class=\"message\">"}},
    // Speeds 4 to 7 take 260 ms and more.
    {"MovesOverTheirLimit", Variant::kDuoWheelShutter, {}, {}, {}, {"--max-ms", "250"},
     {"verdict: failed\n", "limits: a move at most 250 ms\n", "failures:\n",
      "wheelA.speed=4             took ", " ms, over the limit of 250 ms", "wheelA.speed=7             took "},
     {"wheelA.filter=", "wheelA.speed=3 "},
     "failures", {"<td>wheelA.speed=7</td><td>", "</td><td class=\"message\">took ", " ms, over the limit of 250 ms</td>"}},
    // Wheel B's moves take 3 % longer every move: its last speed move, its
    // eighteenth, 65 % longer than wheel A's.
    {"WheelsDriftApart", Variant::kTriad, {Device::kWheelC}, {}, {Device::kWheelB, 3, 1}, {"--max-drift", "15"},
     {"verdict: failed\n", "steps: ", "limits: wheels at most 15 % apart\n",
      "drift: wheelB slower than wheelA at speed 7, distance 5: ", " % longer, over the limit of 15 %\n"},
     {},
     "drifts", {"<td>wheelB</td><td>wheelA</td><td>7</td><td>5</td>"}},
};

class CheckWithLimits : public testing::TestWithParam<LimitedCheck> {};

TEST_P(CheckWithLimits, NamesWhatFailedInTheSummaryAndOpensTheReportWithIt) {
  const LimitedCheck& c = GetParam();
  emulator::EmulatorOptions options;
  options.variant = c.variant;
  options.notConnected = c.notConnected;
  options.baud = 0;
  options.moveTime = 10ms;
  options.positionTime = 10ms;
  options.stuck = c.stuck;
  options.wear = c.wear;
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  const fs::path dir = fs::temp_directory_path() / ("korvel-check-limits-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path page = dir / (std::string(c.name) + ".html");
  std::vector<std::string> args = {"--port", controller.path(), "check", "--yes", "--shutters", "none",
                                   "--report", page.string()};
  args.insert(args.end(), c.args.begin(), c.args.end());

  const CtlRun run = RunCtl(args);
  EXPECT_EQ(run.status, kExitFailedSteps) << run.err;
  const std::string summary = run.out.substr(std::min(run.out.find("verdict: "), run.out.size()));
  std::size_t at = 0;
  for (const std::string& part : c.inSummary) {
    const std::size_t found = summary.find(part, at);
    EXPECT_NE(found, std::string::npos) << "'" << part << "' after " << at << " in\n" << summary;
    if (found != std::string::npos) at = found + part.size();
  }
  for (const std::string& part : c.notInSummary) EXPECT_EQ(summary.find(part), std::string::npos) << part;

  const std::string html = ReadFile(page);
  const std::size_t table = html.find("<table class=\"" + c.firstFailureTable + "\">");
  const std::size_t steps = html.find("<table class=\"steps\">");
  ASSERT_NE(steps, std::string::npos);
  EXPECT_LT(html.find("Verdict: failed</p>"), table);
  EXPECT_LT(table, steps);
  const std::string opening = html.substr(0, steps);
  for (const std::string& part : c.inFailureTables) EXPECT_NE(opening.find(part), std::string::npos) << part;
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(CheckCommand, CheckWithLimits, testing::ValuesIn(kLimitedChecks),
                         [](const testing::TestParamInfo<LimitedCheck>& info) { return std::string(info.param.name); });

}  // namespace
