#include "report_fixture.h"

#include <unistd.h>

const char* const ReportTest::kSettings[3] = {"wheelA.filter=0", "wheelA.filter=9", "status"};

namespace {

CycleRow Row(int64_t round, const char* setting, double replyMs, bool passed) {
  CycleRow row;
  row.round = round;
  row.setting = setting;
  row.sentBytes = 1;
  row.replyBytes = replyMs < 0 ? 0 : 2;
  row.echoMs = replyMs < 0 ? -1 : 33.4;
  row.replyMs = replyMs;
  row.passed = passed;
  return row;
}

}  // namespace

void ReportTest::SetUp() {
  for (int r = 1; r <= 100; ++r) {
    run.add(Row(r, kSettings[0], 400 + (r % 7), true));
    // Slowing down from 1200 ms to 1500 ms; round 70 got no reply, and
    // round 40's status query found the wheel at 0.
    if (r == 70) {
      FailureRecord silent;
      silent.kind = FailureKind::kNoReply;
      silent.reported = "no reply within 1 s";
      run.add(Row(r, kSettings[1], -1, false), silent);
    } else {
      run.add(Row(r, kSettings[1], 1200 + 3 * r, true));
    }
    if (r % 10 == 0) run.add(Row(r, kSettings[2], 730 + r % 3, true));
    if (r == 40) {
      FailureRecord mismatch;
      mismatch.round = r;
      mismatch.setting = kSettings[1];
      mismatch.kind = FailureKind::kMismatch;
      mismatch.expected = "9";
      mismatch.reported = "0";
      run.charge(mismatch);
    }
  }
  description.variant = "Triad";
  description.configuration = "Wheel A: 10 filters <25 mm> & \"fast\"\nWheel B: 10 filters";
  description.port = "/dev/pts/7";
  description.startedAt = std::chrono::system_clock::now() - std::chrono::minutes(3);
  description.endedAt = std::chrono::system_clock::now();
  description.programVersion = "korvel-ctl 1.0.0";
  description.invocation = "korvel-ctl --repeat 100 set wheelA.filter=0 wheelA.filter=9";
  dir = std::filesystem::temp_directory_path() / ("report_test." + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
}

void ReportTest::TearDown() { std::filesystem::remove_all(dir); }
