// korvel-ctl's session record (--log) and --version: the same record the
// console keeps, each entry as the cycle's texts were, appended run after run.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "ctl_process.h"
#include "emulated_controller.h"
#include "written_files.h"
#include "file_size_limit.h"
#include "korvel_version.h"

namespace {

using Bytes = std::vector<uint8_t>;
using emulator::Variant;

// The record with each entry's leading local date and time taken out; empty
// when an entry does not start with one.
std::string Untimed(const std::string& record) {
  static const std::regex kTime(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d )");
  std::istringstream lines(record);
  std::string line;
  std::string untimed;
  bool inCycle = false;
  while (std::getline(lines, line)) {
    std::smatch time;
    const bool timed = std::regex_search(line, time, kTime);
    const std::string rest = timed ? time.suffix().str() : line;
    // Lines after "cycle" are its texts; every other line is an entry's first.
    if (!timed && !inCycle) return {};
    if (timed) inCycle = rest == "cycle";
    // A cycle's measured times differ from run to run.
    static const std::regex kCycleTimes(R"(^time: echo \d+\.\d{3} s, reply \d+\.\d{3} s$)");
    untimed += (std::regex_match(rest, kCycleTimes) ? "time: <measured>" : rest) + "\n";
  }
  return untimed;
}

class CtlRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/korvel-ctl-record-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    record = dir + "/record.txt";
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::string dir;
  std::string record;
};

// What --verbose printed without its time lines: the log as the record keeps it.
std::string LogOf(const std::string& verbose) {
  return std::regex_replace(TimesHidden(verbose), std::regex("time: #\n"), "");
}

// Two runs append to one record; each cycle's log is what --verbose printed,
// its status text what status printed.
TEST_F(CtlRecordTest, EachRunAppendsItsOpenAndCyclesAsTheyWere) {
  EmulatedController controller(Variant::kTriad);
  ASSERT_TRUE(controller.ready());
  std::string expected;
  for (int run = 0; run < 2; ++run) {
    const CtlRun status = RunCtl({"--port", controller.path(), "--log", record, "--verbose", "status"});
    ASSERT_EQ(status.status, 0) << status.err;
    expected += "open " + controller.path() + ": Port is ready for communication.\n";
    expected += "cycle\nsent: CC\nlog:\n" + LogOf(status.err) + "status:\n" + status.out + "time: <measured>\n";
  }
  EXPECT_EQ(Untimed(ReadFile(record)), expected) << ReadFile(record);
}

// set starts with a status query, then moves the wheel: two cycles, each
// with its bytes and the part of the log --verbose printed for it.
TEST_F(CtlRecordTest, SetRecordsTheStatusQueryAndTheMoveEachWithItsLog) {
  EmulatedController controller(Variant::kTriad);
  ASSERT_TRUE(controller.ready());
  const CtlRun set = RunCtl({"--port", controller.path(), "--log", record, "--verbose", "set", "wheelA.filter=7"});
  ASSERT_EQ(set.status, 0) << set.err;
  const std::string separator(40, '*');
  const std::string log = LogOf(set.err);
  const std::size_t firstEnd = log.find(separator + "\n") + separator.size() + 1;
  const std::string statusLog = log.substr(0, firstEnd);
  const std::string moveLog = log.substr(firstEnd);
  const std::string untimed = Untimed(ReadFile(record));
  static const std::regex kEntries(
      "open [^\n]+: Port is ready for communication\\.\n"
      "cycle\nsent: CC\nlog:\n([^]*?)status:\n([^]*?)"
      "cycle\nsent: ([0-9A-F]{2}(?: [0-9A-F]{2})*)\nlog:\n([^]*?)status:\n([^]*)");
  std::smatch entries;
  ASSERT_TRUE(std::regex_match(untimed, entries, kEntries)) << untimed;
  EXPECT_EQ(entries[1].str(), statusLog);
  EXPECT_NE(entries[2].str().find("Triad Controller Current Status"), std::string::npos) << entries[2].str();
  EXPECT_EQ(entries[4].str(), moveLog);
  // The bytes sent are the bytes the emulator received after EE and CC.
  Bytes received = controller.server().received();
  std::string hex;
  for (std::size_t i = 2; i < received.size(); ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, i == 2 ? "%02X" : " %02X", received[i]);
    hex += byte;
  }
  EXPECT_EQ(entries[3].str(), hex);
}

// A full disk: told once, the recording stops, the command goes on.
TEST_F(CtlRecordTest, AFailedWriteIsToldOnceAndTheCommandGoesOn) {
  EmulatedController controller(Variant::kMono);
  ASSERT_TRUE(controller.ready());
  const std::string log = dir + "/full.log";
  CtlRun run;
  {
    const FileSizeLimit disk(0);
    ASSERT_TRUE(disk.ok());
    run = RunCtl({"--port", controller.path(), "--log", log, "--repeat", "3", "status"});
  }
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "korvel-ctl: The session record in " + log + " has stopped: File too large.\n");
  EXPECT_NE(run.out.find("cycles: 3 of 3"), std::string::npos) << run.out;
}

// A record that cannot be kept is refused before the port is opened.
TEST_F(CtlRecordTest, ARecordThatCannotBeOpenedIsAUsageErrorBeforeTheLine) {
  EmulatedController controller(Variant::kMono);
  ASSERT_TRUE(controller.ready());
  const std::string missing = dir + "/gone/record.txt";
  const CtlRun run = RunCtl({"--port", controller.path(), "--log", missing, "status"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "korvel-ctl: The session record cannot be kept in " + missing + ": No such file or directory.\n");
  EXPECT_TRUE(controller.server().received().empty());
}

TEST(CtlVersion, PrintsTheProjectVersion) {
  const CtlRun run = RunCtl({"--version"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, std::string("korvel-ctl ") + kKorvelVersion + "\n");
}

}  // namespace
