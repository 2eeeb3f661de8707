// korvel-ctl against the emulator behind a relay that glitches the line the
// way a noisy cable or a BREAK does, with what must come of it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ctl_process.h"
#include "emulated_controller.h"
#include "pty_relay.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Way = PtyRelay::Way;

std::vector<std::string> CsvRows(const fs::path& path) {
  std::ifstream in(path);
  std::vector<std::string> rows;
  for (std::string line; std::getline(in, line);) rows.push_back(line);
  if (!rows.empty()) rows.erase(rows.begin());  // the header
  return rows;
}

struct Row {
  std::string setting;
  int replyBytes;
  double replyMs;
  std::string result;
};

Row RowOf(const std::string& line) {
  // run,round,ended,setting,sent_bytes,reply_bytes,echo_ms,reply_ms,result,…
  static const std::regex kRow(R"(^[^,]+,[0-9]+,[^,]+,([^,]*),[0-9]+,([0-9]+),[0-9.]*,([0-9.]*),([a-z]+),)");
  std::smatch m;
  if (!std::regex_search(line, m, kRow)) return {line, -1, -1, ""};
  return {m[1], std::stoi(m[2]), m[3].length() > 0 ? std::stod(m[3]) : -1, m[4]};
}

// 0x00 (wheel A to filter 0 at speed 0) is also what a glitch or a BREAK most
// often reads as. A stray 0x00 just before the echo of the first such move
// is dropped and told; the move is timed to its own closing byte, and no
// later reply is shifted: the status check right after it finds the wheel
// where it was sent. Each move outlasts the console's wait for an echo, so
// that a status query sent before the move ended would get no echo in time.
TEST(GlitchedLine, AStrayByteEqualToAMovesEchoIsDroppedAndShiftsNothing) {
  constexpr auto kMoveTakes = 1200ms;
  constexpr double kMoveMs = std::chrono::duration<double, std::milli>(kMoveTakes).count();
  emulator::EmulatorOptions options;
  options.baud = 300;
  options.moveTime = kMoveTakes;
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  PtyRelay relay(controller.path());
  relay.injectBeforeReply({0x00, 1}, {0x00});
  const fs::path csv = fs::temp_directory_path() / ("glitched-line-" + std::to_string(getpid()) + ".csv");
  const CtlRun run = RunCtl({"--port", relay.path(), "--csv", csv.string(), "--repeat", "2", "--verify-every", "1",
                             "set", "wheelA.filter=9", "wheelA.filter=0"});
  const std::vector<std::string> rows = CsvRows(csv);
  fs::remove(csv);

  EXPECT_EQ(run.status, 0) << run.err << run.out;
  EXPECT_NE(run.out.find("cycles: 6 of 6\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\ndropped bytes: 1\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\nmismatches: 0\n"), std::string::npos) << run.out;
  ASSERT_EQ(rows.size(), 6u);
  int moves = 0;
  for (const std::string& line : rows) {
    const Row row = RowOf(line);
    EXPECT_EQ(row.result, "pass") << line;
    if (row.setting == "status") continue;
    ++moves;
    EXPECT_EQ(row.replyBytes, 2) << line;
    EXPECT_GE(row.replyMs, kMoveMs) << line;
  }
  EXPECT_EQ(moves, 4);
  const Bytes sent{0xEE, 0xCC, 0x09, 0x00, 0xCC, 0x09, 0x00, 0xCC};
  EXPECT_EQ(relay.heard(Way::kToController), sent);
  EXPECT_EQ(controller.server().received(), sent);
  Bytes given = relay.heard(Way::kToClient);
  const Bytes firstMoveAnswer{0x09, 0x0D, 0x00};
  const auto echo = std::search(given.begin(), given.end(), firstMoveAnswer.begin(), firstMoveAnswer.end());
  ASSERT_NE(echo, given.end());
  given.insert(echo + 2, 0x00);
  EXPECT_EQ(relay.passed(Way::kToClient), given);
}

}  // namespace
