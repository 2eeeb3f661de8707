// korvel-ctl's times of each cycle against the emulator at 300 baud with
// known move times: what --json and the session record say is the line time
// of the reply's bytes plus the modelled move, within one character time.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ctl_process.h"
#include "emulated_controller.h"
#include "move_timing.h"

namespace {

using namespace std::chrono_literals;
using emulator::Device;
using Ms = std::chrono::duration<double, std::milli>;

// Ten bits a byte at 300 baud.
constexpr double kCharacterMs = 1000.0 * 10 / 300;

// A number member of a JSON line; NaN when it is missing or null.
double Member(const std::string& json, const std::string& key) {
  std::smatch m;
  if (!std::regex_search(json, m, std::regex("\"" + key + "\": ?([0-9.]+)"))) return std::nan("");
  return std::stod(m[1]);
}

// The reply's bytes as --verbose echoes them, one line each.
int EchoLines(const std::string& log) {
  static const std::regex kEcho("(^|\n)[0-9]+ +0x[0-9A-F]+(?=\n)");
  return static_cast<int>(std::distance(std::sregex_iterator(log.begin(), log.end(), kEcho), std::sregex_iterator()));
}

struct TimedCase {
  const char* name;
  std::vector<std::string> words;
  int replyBytes;             // 0: count the echo lines of --verbose
  int positions;              // wheel A's move, 0 when none
  int speed;
};

// How much later than the line's own time a loaded machine may deliver.
constexpr double kLoadSlackMs = 2000;

class CtlTimingTest : public testing::TestWithParam<TimedCase> {};

TEST_P(CtlTimingTest, JsonAndRecordCarryTheLineTimeAndTheModelledMove) {
  const TimedCase& c = GetParam();
  emulator::EmulatorOptions options;
  options.baud = 300;
  options.moveTime = 150ms;
  options.positionTime = 20ms;
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  const std::string record = std::filesystem::temp_directory_path() / ("ctl-timing-" + std::to_string(getpid()));
  std::filesystem::remove(record);
  std::vector<std::string> words = {"--port", controller.path(), "--json", "--verbose", "--log", record};
  words.insert(words.end(), c.words.begin(), c.words.end());
  const CtlRun run = RunCtl(words);
  ASSERT_EQ(run.status, 0) << run.err;

  // The last cycle's output and log: set prints a status query's log first.
  const std::string json = run.out.substr(run.out.rfind('{'));
  const std::string separator = std::string(40, '*') + "\n";
  const std::size_t lastEnd = run.err.rfind(separator);
  ASSERT_NE(lastEnd, std::string::npos) << run.err;
  const std::size_t before = lastEnd == 0 ? std::string::npos : run.err.rfind(separator, lastEnd - 1);
  const std::size_t lastStart = before == std::string::npos ? 0 : before + separator.size();
  const std::string lastLog = run.err.substr(lastStart, lastEnd - lastStart);
  const int replyBytes = c.replyBytes > 0 ? c.replyBytes : EchoLines(lastLog);
  const emulator::MoveTimes model{options.moveTime, options.positionTime, {}};
  const double moveMs =
      c.positions > 0 ? Ms(emulator::ModelledMoveTime(model, Device::kWheelA, c.positions, c.speed, 0)).count() : 0;
  // A paced line cannot be faster than its characters and the modelled move;
  // a loaded machine only makes it later. The upper bound is far above any
  // scheduling delay and still below a reply timeout of 5 s counted in.
  const double modelMs = replyBytes * kCharacterMs + moveMs;
  EXPECT_GE(Member(json, "echo_ms"), 0) << json;
  EXPECT_LT(Member(json, "echo_ms"), kCharacterMs + kLoadSlackMs) << json;
  EXPECT_GE(Member(json, "reply_ms"), modelMs - kCharacterMs) << json;
  EXPECT_LT(Member(json, "reply_ms"), modelMs + kLoadSlackMs) << json;

  // The record's time line of the last cycle says the same, in seconds.
  std::ifstream file(record);
  std::stringstream text;
  text << file.rdbuf();
  std::filesystem::remove(record);
  std::smatch m;
  const std::string all = text.str();
  const std::string lastTime = all.substr(all.rfind("time: "));
  ASSERT_TRUE(std::regex_search(lastTime, m, std::regex(R"(^time: echo ([0-9.]+) s, reply ([0-9.]+) s\n$)")))
      << all;
  EXPECT_NEAR(std::stod(m[2]) * 1000, Member(json, "reply_ms"), 1.0);
}

const TimedCase kTimedCases[] = {
    // From filter 0 to 5 at speed 2: five positions.
    {"OneByteMove", {"set", "wheelA.filter=5", "wheelA.speed=2"}, 2, 5, 2},
    {"StatusQuery", {"status"}, 0, 0, 0},
    // FD, the 29 characters of "3W2S Triad controller fw 1.07", 0D.
    {"ConfigurationQuery", {"config"}, 31, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Ctl, CtlTimingTest, testing::ValuesIn(kTimedCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
