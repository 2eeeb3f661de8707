// Burn-in runs of korvel-ctl against the emulated controller without pacing:
// memory that stays flat over 10,000 cycles, a summary whose counts add up,
// and a stop signal in the middle, which ends after the cycle and puts the
// port's settings back.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <regex>
#include <string>
#include <thread>

#include "ctl_process.h"
#include "emulated_controller.h"

namespace {

using emulator::Variant;
using namespace std::chrono_literals;

// Resident memory of a process in KiB, from /proc; -1 when unreadable.
long ResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

// Status queries the emulator has seen: each is one CC after the on-line EE.
std::size_t QueriesSeen(EmulatedController& controller) {
  const auto bytes = controller.server().received();
  return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), 0xCC));
}

bool WaitForQueries(EmulatedController& controller, std::size_t count, std::chrono::seconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (QueriesSeen(controller) < count) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

// A status reply that shows itself whole ends at once, well under a
// millisecond a query without pacing; the bound still allows for replies read
// until the line has been quiet for two character times, about 70 ms a query,
// three times that for a loaded machine.
constexpr std::chrono::seconds kThousandQueries{210};

int Count(const std::string& summary, const std::string& label) {
  std::smatch m;
  if (!std::regex_search(summary, m, std::regex("(^|\n)" + label + ": ([0-9]+)"))) return -1;
  return std::stoi(m[2]);
}

TEST(BurnIn, MemoryStaysFlatOverTenThousandQueriesAndTheCountsAddUp) {
  // Runs past 10,000 so that the memory is read while the process still runs.
  constexpr int kRuns = 10'500;
  [[maybe_unused]] constexpr long kAllowedGrowthKiB = 1024;
  EmulatedController controller(Variant::kTriad);
  ASSERT_TRUE(controller.ready());
  CtlProcess ctl({"--port", controller.path(), "--repeat", std::to_string(kRuns), "status"});
  ASSERT_TRUE(WaitForQueries(controller, 1'000, kThousandQueries));
  const long after1000 = ResidentKiB(ctl.pid());
  ASSERT_TRUE(WaitForQueries(controller, 10'000, 10 * kThousandQueries));
  [[maybe_unused]] const long after10000 = ResidentKiB(ctl.pid());
  const CtlRun run = ctl.Finish(60s);
  ASSERT_GT(after1000, 0);
#ifndef KORVEL_SANITIZED_CTL
  EXPECT_LE(after10000 - after1000, kAllowedGrowthKiB) << after1000 << " KiB, then " << after10000 << " KiB";
#endif
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("rounds: 10500 of 10500\ncycles: 10500 of 10500\n"), std::string::npos) << run.out;
  EXPECT_EQ(Count(run.out, "replies") + Count(run.out, "no replies") + Count(run.out, "refusals"), kRuns) << run.out;
  EXPECT_EQ(Count(run.out, "replies"), kRuns);
  EXPECT_EQ(QueriesSeen(controller), static_cast<std::size_t>(kRuns));
}

termios SettingsOf(int fd) {
  termios t{};
  tcgetattr(fd, &t);
  return t;
}

bool Same(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
         cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}

struct SignalCase {
  const char* name;
  int signal;
};

class StopSignalTest : public testing::TestWithParam<SignalCase> {};

TEST_P(StopSignalTest, EndsAfterTheCycleWithTheSummaryAndThePortRestored) {
  EmulatedController controller(Variant::kMono);
  ASSERT_TRUE(controller.ready());
  // Settings of the device that korvel-ctl did not make, to see them come back.
  const int device = open(controller.path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(device, 0);
  termios before = SettingsOf(device);
  cfsetispeed(&before, B9600);
  cfsetospeed(&before, B9600);
  before.c_lflag |= ECHO;
  ASSERT_EQ(tcsetattr(device, TCSANOW, &before), 0);
  before = SettingsOf(device);

  CtlProcess ctl({"--port", controller.path(), "--repeat", "1000000", "status"});
  ASSERT_TRUE(WaitForQueries(controller, 50, kThousandQueries));
  EXPECT_FALSE(Same(SettingsOf(device), before));  // the line is korvel-ctl's now
  kill(ctl.pid(), GetParam().signal);
  const CtlRun run = ctl.Finish(30s);
  const termios after = SettingsOf(device);
  close(device);

  // Ended by the signal, after its summary, with the status that says so.
  EXPECT_EQ(run.status, 128 + GetParam().signal) << run.err;
  EXPECT_NE(run.out.find(std::string("ended: stopped by SIG") + sigabbrev_np(GetParam().signal) + "\n"),
            std::string::npos)
      << run.out;
  const int runs = Count(run.out, "cycles");
  EXPECT_GE(runs, 50);
  EXPECT_LT(runs, 1'000'000);
  EXPECT_EQ(Count(run.out, "replies"), runs) << run.out;
  EXPECT_EQ(QueriesSeen(controller), static_cast<std::size_t>(runs));
  EXPECT_TRUE(Same(after, before));
}

INSTANTIATE_TEST_SUITE_P(Ctl, StopSignalTest,
                         testing::Values(SignalCase{"Interrupt", SIGINT}, SignalCase{"Terminate", SIGTERM},
                                         SignalCase{"HangUp", SIGHUP}, SignalCase{"Quit", SIGQUIT}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
