// korvel-ctl when the line carries more than the replies, or goes away, or
// the run is stopped: a controller played by the test on a real
// pseudo-terminal that puts a stray byte before an echo or answers without
// one, a burn-in whose port is unplugged, a search that finds only a plain
// serial port, and the ways a run can end that a script must tell apart.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "ctl_process.h"
#include "emulated_controller.h"
#include "pty_peer.h"

namespace {

using namespace std::chrono_literals;

// A Triad's status reply: everything at 0, both shutters closed and fast.
const Bytes kTriadStatus = {0xCC, 0x00, 0x80, 0xFC, 0x00, 0xAC, 0xBC, 0xDC, 0x01, 0xDC, 0x02, 0x0D};

// One step of the controller: the bytes it waits for, then what it answers.
struct Step {
  Bytes command;
  Bytes answer;
  std::chrono::milliseconds before{0};  // pause before answering
};

// Plays the steps on its own thread; stops at the first command that is not
// the one awaited, keeping what it received.
class ScriptedController {
 public:
  ScriptedController(PtyPeer& peer, std::vector<Step> steps)
      : player_([this, &peer, steps] {
          for (const Step& step : steps) {
            const Bytes got = peer.receive(step.command.size(), kPlayerDeadline);
            received_.insert(received_.end(), got.begin(), got.end());
            count_ = received_.size();
            if (got != step.command) return;
            std::this_thread::sleep_for(step.before);
            peer.send(step.answer);
          }
        }) {}
  ~ScriptedController() { Join(); }
  // Waits until count bytes came, or a few seconds.
  void AwaitReceived(size_t count) const {
    for (int i = 0; i < 1000 && count_ < count; ++i) std::this_thread::sleep_for(10ms);
  }
  // Everything received, once the script has ended.
  Bytes Received() {
    Join();
    return received_;
  }

 private:
  void Join() {
    if (player_.joinable()) player_.join();
  }
  Bytes received_;
  std::atomic<size_t> count_{0};
  std::thread player_;
};

std::vector<Step> OpenAndStatus() { return {{{0xEE}, {0xEE, 0x0D}}, {{0xCC}, kTriadStatus}}; }

int Count(const std::string& summary, const std::string& label) {
  std::smatch m;
  if (!std::regex_search(summary, m, std::regex("(^|\n)" + label + ": ([0-9]+)"))) return -1;
  return std::stoi(m[2]);
}

// What a controller answers four EF commands with, and what the burn-in's
// summary, exit status and standard error must say.
struct BurnInCase {
  const char* name;
  std::vector<Bytes> answers;
  int replies;
  int badReplies;
  int droppedBytes;
  int status;
  std::string err;
};

void PrintTo(const BurnInCase& c, std::ostream* out) { *out << c.name; }

class LineBurnIn : public testing::TestWithParam<BurnInCase> {};

TEST_P(LineBurnIn, CountsEveryReplyForWhatItIs) {
  const BurnInCase& c = GetParam();
  PtyPeer peer;
  std::vector<Step> steps = OpenAndStatus();
  for (const Bytes& answer : c.answers) steps.push_back({{0xEF}, answer});
  ScriptedController controller(peer, steps);
  const CtlRun run = RunCtl({"--port", peer.path(), "--repeat", "4", "command", "ef"});
  EXPECT_EQ(controller.Received(), (Bytes{0xEE, 0xCC, 0xEF, 0xEF, 0xEF, 0xEF}));
  EXPECT_EQ(run.status, c.status) << run.err;
  EXPECT_EQ(Count(run.out, "replies"), c.replies) << run.out;
  EXPECT_EQ(Count(run.out, "bad replies"), c.badReplies) << run.out;
  EXPECT_EQ(Count(run.out, "dropped bytes"), c.droppedBytes) << run.out;
  EXPECT_EQ(run.err, c.err);
}

const Bytes kEf = {0xEF, 0x0D};

INSTANTIATE_TEST_SUITE_P(
    Ctl, LineBurnIn,
    testing::Values(
        // The stray byte comes just before the second echo: every reply is
        // still its own command's, and the byte is told and counted.
        BurnInCase{"StrayByteBeforeAnEcho", {kEf, {0x0D, 0xEF, 0x0D}, kEf, kEf}, 4, 0, 1, 0,
                   "korvel-ctl: 1 byte before the reply dropped: 0D\n"},
        // Answers without the echo are not the command's replies.
        BurnInCase{"AnswerWithoutItsEcho", {kEf, {0x55, 0x0D}, kEf, kEf}, 3, 1, 0, 5,
                   "korvel-ctl: bad reply: the reply does not begin with the command's echo; what came:\n55 0D\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// A stop asked for while the port opens or while the first status query
// waits (the controller answers late) sends nothing more, and the exit status
// says the run was stopped.
struct EarlyStop {
  const char* name;
  std::vector<Step> steps;
  Bytes received;
};

void PrintTo(const EarlyStop& c, std::ostream* out) { *out << c.name; }

class CtlStopEarly : public testing::TestWithParam<EarlyStop> {};

TEST_P(CtlStopEarly, SendsNothingMore) {
  PtyPeer peer;
  ScriptedController controller(peer, GetParam().steps);
  CtlProcess ctl({"--port", peer.path(), "command", "ttl-out-high"});
  // The stop comes once the awaited command is on the line: korvel-ctl is
  // then surely past setting up its handlers, however loaded the machine.
  controller.AwaitReceived(GetParam().received.size());
  kill(ctl.pid(), SIGINT);
  const CtlRun run = ctl.Finish();
  EXPECT_EQ(run.status, 128 + SIGINT) << run.err;
  EXPECT_EQ(controller.Received(), GetParam().received);
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(peer.pending(), Bytes{}) << "korvel-ctl sent something after the stop";
}

INSTANTIATE_TEST_SUITE_P(Ctl, CtlStopEarly,
                         testing::Values(EarlyStop{"DuringOpen", {{{0xEE}, {0xEE, 0x0D}, 600ms}}, {0xEE}},
                                         EarlyStop{"DuringTheFirstStatusQuery",
                                                   {{{0xEE}, {0xEE, 0x0D}}, {{0xCC}, kTriadStatus, 600ms}},
                                                   {0xEE, 0xCC}}),
                         [](const auto& info) { return std::string(info.param.name); });

termios SettingsOf(int fd) {
  termios t{};
  tcgetattr(fd, &t);
  return t;
}

// korvel-ctl ... 2>&1 | head -1: the reader goes away after the first line.
// The run ends the ordinary way, with the port's earlier settings back.
TEST(CtlStop, AReaderThatGoesAwayLeavesThePortAsItWas) {
  EmulatedController controller(emulator::Variant::kTriad);
  ASSERT_TRUE(controller.ready());
  const int device = open(controller.path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(device, 0);
  termios before = SettingsOf(device);
  cfsetspeed(&before, B9600);
  ASSERT_EQ(tcsetattr(device, TCSANOW, &before), 0);

  int output[2];
  ASSERT_EQ(pipe2(output, O_CLOEXEC), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
  std::vector<std::string> words = {KORVEL_CTL, "--port", controller.path(), "--verbose", "--repeat", "100000",
                                    "status"};
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(output[1]);
  char first[64];
  ASSERT_GT(read(output[0], first, sizeof first), 0);
  close(output[0]);  // as head does after its line

  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + kCtlDeadline;
  while (waitpid(pid, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  const termios after = SettingsOf(device);
  close(device);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGPIPE);
  EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B9600));
  EXPECT_EQ(after.c_lflag, before.c_lflag);
}

// The emulator ends in the middle of a burn-in: the run ends at once, says
// why, and the exit status is the port's.
TEST(CtlPort, ABurnInWhosePortGoesAwayEndsAtOnce) {
  auto controller = std::make_unique<EmulatedController>(emulator::Variant::kTriad);
  ASSERT_TRUE(controller->ready());
  CtlProcess ctl({"--port", controller->path(), "--repeat", "1000000", "--interval", "10", "status"});
  std::this_thread::sleep_for(500ms);
  controller.reset();
  const auto gone = std::chrono::steady_clock::now();
  const CtlRun run = ctl.Finish();
  EXPECT_LT(std::chrono::steady_clock::now() - gone, 2s);
  EXPECT_EQ(run.status, 4) << run.err;
  EXPECT_NE(run.out.find("ended: the port went away\n"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("korvel-ctl: the port went away (unplugged or switched off)\n"), std::string::npos)
      << run.err;
}

// Without --port, a search that picks a plain serial port (which may be
// another instrument) opens nothing and lists what it found.
TEST(CtlPort, APlainSerialPortIsOpenedOnlyWhenNamed) {
  char dir[] = "/tmp/korvel-ctl-test-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  ASSERT_EQ(setenv("KORVEL_EMULATOR_DIR", dir, 1), 0);
  const CtlRun ports = RunCtl({"ports"});
  const CtlRun run = RunCtl({"status"});
  unsetenv("KORVEL_EMULATOR_DIR");
  rmdir(dir);
  std::smatch picked;
  if (!std::regex_search(ports.out, picked, std::regex("^\\* (\\S+) +serial port$", std::regex::multiline))) {
    GTEST_SKIP() << "this machine's search picks no plain serial port:\n" << ports.out;
  }
  EXPECT_EQ(run.status, 4);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("korvel-ctl: the search picked " + picked[1].str() +
                         ", which is no USB serial adapter or emulator; name the port with --port to use it."),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.find("Error"), std::string::npos) << "something was opened:\n" << run.err;
}

}  // namespace
