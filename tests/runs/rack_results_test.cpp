// A rack's results read from its controllers' processes as data: the exit
// status by precedence, and each controller's item of the joint JSON: its
// own object with the port first, or what happened when it left none.
#include <gtest/gtest.h>

#include <QJsonDocument>

#include <csignal>
#include <string>
#include <vector>

#include "rack_results.h"

namespace {

struct StatusCase {
  const char* name;
  std::vector<int> controllers;
  int stopSignal;
  int expected;
};

const StatusCase kStatusCases[] = {
    {"AllPassed", {0, 0, 0}, 0, 0},
    {"FailedOverRefused", {2, 7, 0}, 0, 7},
    {"MismatchOverFailed", {7, 6}, 0, 6},
    {"BadReplyOverMismatch", {6, 5}, 0, 5},
    {"NoReplyOverBadReply", {5, 3, 7}, 0, 3},
    {"PortGoneOverNoReply", {3, 4, 3}, 0, 4},
    {"ASignalOverEverything", {4, 128 + SIGSEGV, 3}, 0, 128 + SIGSEGV},
    {"TheOwnStopWins", {4, 128 + SIGKILL, 0}, SIGINT, 128 + SIGINT},
    {"UsageUnderRefusal", {1, 2}, 0, 2},
};

class RackExitStatusTest : public testing::TestWithParam<StatusCase> {};

TEST_P(RackExitStatusTest, IsTheMostSeriousOfTheControllers) {
  const StatusCase& c = GetParam();
  std::vector<ControllerRow> rows;
  for (const int status : c.controllers) {
    ControllerRow row;
    row.exitStatus = status;
    rows.push_back(row);
  }
  EXPECT_EQ(RackExitStatus(rows, c.stopSignal), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rack, RackExitStatusTest, testing::ValuesIn(kStatusCases),
                         [](const testing::TestParamInfo<StatusCase>& info) { return info.param.name; });

ControllerEnd Ended(const std::string& port, const std::string& output, int status, int signal = 0) {
  ControllerEnd end;
  end.port = port;
  end.output = output;
  end.exitStatus = signal != 0 ? -1 : status;
  end.signal = signal;
  end.lastWords = "korvel-ctl: its last words";
  return end;
}

std::string JsonOf(const std::vector<ControllerEnd>& ends, int stopSignal = 0) {
  std::vector<ControllerRow> rows;
  for (const ControllerEnd& e : ends) rows.push_back(RowOf(e, stopSignal));
  return RackJson(ends, rows);
}

// The object goes in byte for byte, the port first; an empty one gets no
// stray comma; what is no single object (two objects, a cut one, output
// over its bound, a process ended by a signal) is an error item, and an
// exit status of 0 with no object to show is none.
TEST(RackJson, EachItemIsTheControllersObjectWithItsPortOrWhatHappened) {
  ControllerEnd over = Ended("/dev/d", "", 0);
  over.outputCut = true;
  const std::string json = JsonOf({
      Ended("/dev/a", "{\"verdict\": \"passed\", \"n\":1}\n", 0),
      Ended("/dev/\"b\"", "{}\n", 0),
      Ended("/dev/c", "{\"a\":1}\n{\"b\":2}\n", 0),
      over,
      Ended("/dev/e", "{\"verdict\":\"pass", 128 + SIGSEGV, SIGSEGV),
      Ended("/dev/f", "", 4),
  });
  EXPECT_EQ(json,
            "{\"controllers\":["
            "{\"port\":\"/dev/a\",\"verdict\": \"passed\", \"n\":1},"
            "{\"port\":\"/dev/\\\"b\\\"\"},"
            "{\"port\":\"/dev/c\",\"error\":\"its output was no single JSON object; korvel-ctl: its last words\",\"exit_status\":5},"
            "{\"port\":\"/dev/d\",\"error\":\"its output passed 64 MiB; korvel-ctl: its last words\",\"exit_status\":5},"
            "{\"port\":\"/dev/e\",\"error\":\"ended by signal 11\",\"exit_status\":139},"
            "{\"port\":\"/dev/f\",\"error\":\"korvel-ctl: its last words\",\"exit_status\":4}"
            "]}\n");
  QJsonParseError error{};
  QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError);
}

// A process the stop ended before it ran is stopped; one another signal
// ended is no stop.
TEST(RackRow, ASignalSaysWhetherTheRacksStopEndedIt) {
  const ControllerRow stopped = RowOf(Ended("/dev/a", "", -1, SIGINT), SIGINT);
  EXPECT_EQ(stopped.verdict, "stopped");
  EXPECT_EQ(stopped.outcome, ControllerOutcome::kStopped);
  const ControllerRow crashed = RowOf(Ended("/dev/a", "", -1, SIGSEGV), SIGINT);
  EXPECT_EQ(crashed.verdict, "ended abnormally (signal 11)");
  EXPECT_EQ(crashed.exitStatus, 128 + SIGSEGV);
  EXPECT_EQ(crashed.outcome, ControllerOutcome::kFailed);
}

}  // namespace
