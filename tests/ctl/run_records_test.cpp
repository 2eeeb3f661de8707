// What a burn-in and a check leave to be read later, against the emulated
// controller: who tested what (--label, --operator, --note) in the summary,
// the JSON and the report's head, escaped where a page or JSON needs it; the
// CSV's rows, each naming its run and when its cycle ended, so that runs
// appended to one file stay apart; and a status query's row carrying the
// settings it reported.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "case_name.h"
#include "ctl_process.h"
#include "emulated_controller.h"
#include "written_files.h"

namespace {

namespace fs = std::filesystem;
using emulator::Device;
using emulator::Variant;

// The cells of one CSV line, quotes undone.
std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      cells.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      cells.emplace_back();
    } else {
      cells.back() += c;
    }
  }
  return cells;
}

class RunRecords : public testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("run-records-" + std::to_string(getpid()) + "-" +
                                       testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

// A label with markup and an ampersand, an operator's name beyond ASCII, a
// note with quotes and a backslash: each must come back as typed.
const std::string kLabel = "<b>&";
const std::string kOperator = "Zoë O'Neil";
const std::string kNote = R"(after the "wheel B" repair \ bench 2)";

struct WhoCase {
  const char* name;
  Variant variant;
  std::vector<std::string> words;  // the run, without --port, the who options or the output options
  std::string counts;              // the summary's first line of counts, which the who lines precede
};

const WhoCase kWhoCases[] = {
    {"BurnIn", Variant::kTriad, {"--repeat", "2", "set", "wheelA.filter=1", "wheelA.filter=2"}, "rounds: "},
    // One shutter only: a short check.
    {"Check", Variant::kDuoWheelShutter, {"check", "--yes", "--wheels", "none"}, "steps: "},
};

void PrintTo(const WhoCase& c, std::ostream* out) { *out << c.name; }

class WhoTested : public RunRecords, public testing::WithParamInterface<WhoCase> {
 protected:
  CtlRun Run(const std::vector<std::string>& extra, bool who) {
    EmulatedController controller(GetParam().variant);
    EXPECT_TRUE(controller.ready());
    std::vector<std::string> words = {"--port", controller.path()};
    words.insert(words.end(), GetParam().words.begin(), GetParam().words.end());
    if (who) words.insert(words.end(), {"--label", kLabel, "--operator", kOperator, "--note", kNote});
    words.insert(words.end(), extra.begin(), extra.end());
    return RunCtl(words);
  }
};

TEST_P(WhoTested, StandsInTheSummaryTheJsonAndTheReportsHead) {
  const fs::path page = dir / "report.html";
  const CtlRun text = Run({"--report", page.string()}, true);
  ASSERT_EQ(text.status, 0) << text.err;
  const std::string lines = "label: " + kLabel + "\noperator: " + kOperator + "\nnote: " + kNote + "\n";
  const std::size_t who = text.out.find(lines);
  ASSERT_NE(who, std::string::npos) << text.out;
  EXPECT_LT(who, text.out.find(GetParam().counts)) << text.out;

  const std::string html = ReadFile(page);
  const std::string head = html.substr(0, html.find("</table>"));
  EXPECT_NE(head.find("<tr><th>Label</th><td>&lt;b&gt;&amp;</td></tr>"), std::string::npos) << head;
  EXPECT_NE(head.find("<tr><th>Operator</th><td>" + kOperator + "</td></tr>"), std::string::npos) << head;
  EXPECT_NE(head.find("<tr><th>Note</th><td>after the &quot;wheel B&quot; repair \\ bench 2</td></tr>"),
            std::string::npos)
      << head;
  EXPECT_EQ(html.find("<b>"), std::string::npos);

  const CtlRun json = Run({"--json"}, true);
  ASSERT_EQ(json.status, 0) << json.err;
  const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
  EXPECT_EQ(object["label"].toString().toStdString(), kLabel) << json.out;
  EXPECT_EQ(object["operator"].toString().toStdString(), kOperator) << json.out;
  EXPECT_EQ(object["note"].toString().toStdString(), kNote) << json.out;
}

// Not given: the JSON's keys stay, null; the summary and the report's head
// have no such lines or rows.
TEST_P(WhoTested, NotGivenIsNullInTheJsonAndNowhereElse) {
  const fs::path page = dir / "report.html";
  const CtlRun json = Run({"--json", "--report", page.string()}, false);
  ASSERT_EQ(json.status, 0) << json.err;
  const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
  for (const char* key : {"label", "operator", "note"}) {
    EXPECT_TRUE(object.contains(key) && object[key].isNull()) << key << " in " << json.out;
  }
  const std::string html = ReadFile(page);
  for (const char* row : {"<th>Label</th>", "<th>Operator</th>", "<th>Note</th>"}) {
    EXPECT_EQ(html.find(row), std::string::npos) << row;
  }
  const CtlRun text = Run({}, false);
  ASSERT_EQ(text.status, 0) << text.err;
  for (const char* line : {"label:", "operator:", "note:"}) EXPECT_EQ(text.out.find(line), std::string::npos) << text.out;
}

INSTANTIATE_TEST_SUITE_P(Ctl, WhoTested, testing::ValuesIn(kWhoCases), CaseName());

// UTC to the millisecond, as the rows give a run's start and a cycle's end.
const std::regex kIsoTime(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");

// Each run's rows share one id, its start; the two runs' ids differ; every
// cycle ended after its run began, in the order of the rows.
TEST_F(RunRecords, TwoRunsAppendedToOneCsvHaveTheirOwnRunIds) {
  EmulatedController controller(Variant::kTriad);
  ASSERT_TRUE(controller.ready());
  const fs::path csv = dir / "rows.csv";
  for (int run = 0; run < 2; ++run) {
    const CtlRun ctl = RunCtl({"--port", controller.path(), "--repeat", "3", "--csv", csv.string(), "status"});
    ASSERT_EQ(ctl.status, 0) << ctl.err;
  }
  const std::vector<std::string> lines = Lines(ReadFile(csv));
  ASSERT_EQ(lines.size(), 1u + 3 + 3);
  std::vector<std::string> runs;
  std::string lastEnded;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> cells = Cells(lines[i]);
    ASSERT_EQ(cells.size(), 11u) << lines[i];
    const std::string& run = cells[0];
    const std::string& ended = cells[2];
    EXPECT_TRUE(std::regex_match(run, kIsoTime)) << lines[i];
    EXPECT_TRUE(std::regex_match(ended, kIsoTime)) << lines[i];
    // Of one form, the texts sort as the times do.
    EXPECT_GE(ended, run) << lines[i];
    EXPECT_GE(ended, lastEnded) << lines[i];
    lastEnded = ended;
    if (runs.empty() || runs.back() != run) runs.push_back(run);
  }
  ASSERT_EQ(runs.size(), 2u) << ReadFile(csv);
  EXPECT_LT(runs[0], runs[1]);
}

// A status query's row carries what the controller reported, in set's words
// (a device reported not connected has none); other rows carry nothing
// there. A verification that found a stuck wheel shows where it stayed (at
// the speed it took).
struct ReportedCase {
  const char* name;
  emulator::EmulatorOptions options;
  std::vector<std::string> words;
  int status;
  int statusRows;
  std::string reported;  // by every status row
};

emulator::EmulatorOptions Options(Variant variant, std::set<Device> notConnected = {},
                                  emulator::StuckPosition stuck = {}) {
  emulator::EmulatorOptions options;
  options.variant = variant;
  options.baud = 0;
  options.notConnected = std::move(notConnected);
  options.stuck = stuck;
  return options;
}

const ReportedCase kReportedCases[] = {
    {"StatusOfATriadWithTwoDevicesMissing", Options(Variant::kTriad, {Device::kWheelB, Device::kShutterB}),
     {"--repeat", "2", "status"}, 0, 2,
     "wheelA.filter=0 wheelA.speed=0 wheelC.filter=0 wheelC.speed=0 shutterA.state=closed shutterA.mode=fast"},
    {"VerificationOfAStuckWheel", Options(Variant::kDuoWheelShutter, {}, emulator::StuckPosition{Device::kWheelA, 9}),
     {"--repeat", "2", "--verify-every", "1", "--always-send", "set", "wheelA.filter=9", "wheelA.speed=3", "shutterA.mode=nd",
      "shutterA.steps=25", "shutterA.state=open"},
     6, 2, "wheelA.filter=0 wheelA.speed=3 shutterA.state=open shutterA.mode=nd shutterA.steps=25"},
    {"VerificationOfAMono", Options(Variant::kMono),
     {"--repeat", "1", "--verify-every", "1", "set", "ttlIn=high", "repeat=3", "freeRun=trigger", "timer=exposure",
      "time=0:0:1.500"},
     0, 1,
     "shutterA.state=closed shutterA.mode=fast timer=closed time=0:00:00.0000 timer=exposure time=0:00:01.5000 "
     "repeat=3 ttlIn=high ttlOut=disable freeRun=trigger"},
};

void PrintTo(const ReportedCase& c, std::ostream* out) { *out << c.name; }

class StatusRows : public RunRecords, public testing::WithParamInterface<ReportedCase> {};

TEST_P(StatusRows, CarryTheReportedSettings) {
  const ReportedCase& c = GetParam();
  EmulatedController controller(c.options);
  ASSERT_TRUE(controller.ready());
  const fs::path csv = dir / "rows.csv";
  std::vector<std::string> words = {"--port", controller.path(), "--csv", csv.string()};
  words.insert(words.end(), c.words.begin(), c.words.end());
  const CtlRun run = RunCtl(words);
  EXPECT_EQ(run.status, c.status) << run.err;
  const std::vector<std::string> lines = Lines(ReadFile(csv));
  ASSERT_GT(lines.size(), 1u);
  int statusRows = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> cells = Cells(lines[i]);
    ASSERT_EQ(cells.size(), 11u) << lines[i];
    const bool status = cells[3] == "status";
    statusRows += status ? 1 : 0;
    EXPECT_EQ(cells[10], status ? c.reported : "") << lines[i];
  }
  EXPECT_EQ(statusRows, c.statusRows) << ReadFile(csv);
}

INSTANTIATE_TEST_SUITE_P(Ctl, StatusRows, testing::ValuesIn(kReportedCases), CaseName());

}  // namespace
