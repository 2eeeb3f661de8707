// Burn-ins of settings (korvel-ctl --repeat N set …) against the emulated
// controller: each row gives the words and a fault of the controller, and
// what must come of it: the exit status, the summary's counts and per-setting
// table, the CSV's rows and the bytes the controller received.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "case_name.h"
#include "ctl_process.h"
#include "emulated_controller.h"
#include "written_files.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;
using emulator::Device;
using emulator::Variant;

// A total of the summary ("mismatches: 2"); -1 when it is not there.
int Total(const std::string& summary, const std::string& label) {
  std::smatch m;
  if (!std::regex_search(summary, m, std::regex("(^|\n)" + label + ": ([0-9]+)"))) return -1;
  return std::stoi(m[2]);
}

// A setting's count and failures in the summary's table.
struct SettingCount {
  std::string setting;
  int count;
  int failures;
  bool operator==(const SettingCount&) const = default;
};

std::vector<SettingCount> TableOf(const std::string& summary) {
  std::vector<SettingCount> table;
  static const std::regex kRow(R"(^(.*?\S) +([0-9]+) +([0-9]+)( +[-0-9.]+){6}$)");
  for (const std::string& line : Lines(summary)) {
    std::smatch m;
    if (std::regex_match(line, m, kRow)) table.push_back({m[1], std::stoi(m[2]), std::stoi(m[3])});
  }
  return table;
}

void PrintTo(const SettingCount& c, std::ostream* out) { *out << c.setting << " " << c.count << "/" << c.failures; }

const std::string kHeader = "run,round,ended,setting,sent_bytes,reply_bytes,echo_ms,reply_ms,result,message,reported";

// A CSV row without its times and the settings a status query reported:
// round,setting,sent,reply,result,message. (The reported settings, set's
// words, hold no comma or quote.)
std::string Untimed(const std::string& row) {
  static const std::regex kTimes(R"(^[^,]*,([^,]*),[^,]*,([^,]*,[^,]*,[^,]*),[0-9.]*,[0-9.]*,)");
  static const std::regex kReported(R"(,[^,"]*$)");
  return std::regex_replace(std::regex_replace(row, kTimes, "$1,$2,"), kReported, "");
}

struct SettingsCase {
  const char* name;
  int stuckFilter;  // wheel A never reaches this position; -1: none
  std::set<Device> notConnected;
  std::vector<std::string> words;
  int status;
  int runs;
  int planned;
  int mismatches;  // -1: no mismatches line (no --verify-every)
  std::vector<SettingCount> table;
  std::vector<std::string> rows;  // the CSV's rows after its header, untimed
  Bytes received;
};

const SettingsCase kCases[] = {
    // The wheel is at 0 to begin with: the first move there sends nothing.
    {"AKeyTwiceMovesThereAndBack", -1, {}, {"--repeat", "3", "set", "wheelA.filter=0", "wheelA.filter=9"}, 0, 6, 6, -1,
     {{"wheelA.filter=0", 3, 0}, {"wheelA.filter=9", 3, 0}},
     {"1,wheelA.filter=0,0,0,pass,nothing to send", "1,wheelA.filter=9,1,2,pass,", "2,wheelA.filter=0,1,2,pass,",
      "2,wheelA.filter=9,1,2,pass,", "3,wheelA.filter=0,1,2,pass,", "3,wheelA.filter=9,1,2,pass,"},
     {0xEE, 0xCC, 0x09, 0x00, 0x09, 0x00, 0x09}},
    {"SeveralKeysInOrder", -1, {},
     {"--repeat", "2", "set", "wheelA.filter=3", "wheelB.filter=1", "wheelA.filter=0", "wheelB.filter=0"}, 0, 8, 8, -1,
     {{"wheelA.filter=3", 2, 0}, {"wheelB.filter=1", 2, 0}, {"wheelA.filter=0", 2, 0}, {"wheelB.filter=0", 2, 0}},
     {"1,wheelA.filter=3,1,2,pass,", "1,wheelB.filter=1,1,2,pass,", "1,wheelA.filter=0,1,2,pass,",
      "1,wheelB.filter=0,1,2,pass,", "2,wheelA.filter=3,1,2,pass,", "2,wheelB.filter=1,1,2,pass,",
      "2,wheelA.filter=0,1,2,pass,", "2,wheelB.filter=0,1,2,pass,"},
     {0xEE, 0xCC, 0x03, 0x81, 0x00, 0x80, 0x03, 0x81, 0x00, 0x80}},
    // A filter and its speed go out as one move.
    {"AMoveWithItsSpeed", -1, {}, {"--repeat", "2", "set", "wheelA.filter=5", "wheelA.speed=2", "wheelA.filter=1"}, 0,
     4, 4, -1, {{"wheelA.filter=5 wheelA.speed=2", 2, 0}, {"wheelA.filter=1", 2, 0}},
     {"1,wheelA.filter=5 wheelA.speed=2,1,2,pass,", "1,wheelA.filter=1,1,2,pass,",
      "2,wheelA.filter=5 wheelA.speed=2,1,2,pass,", "2,wheelA.filter=1,1,2,pass,"},
     {0xEE, 0xCC, 0x25, 0x21, 0x25, 0x21}},
    {"VerifyEveryTwoRounds", -1, {}, {"--repeat", "4", "--verify-every", "2", "set", "wheelA.filter=9", "wheelA.filter=0"},
     0, 10, 10, 0, {{"wheelA.filter=9", 4, 0}, {"wheelA.filter=0", 4, 0}, {"status", 2, 0}},
     {"1,wheelA.filter=9,1,2,pass,", "1,wheelA.filter=0,1,2,pass,", "2,wheelA.filter=9,1,2,pass,",
      "2,wheelA.filter=0,1,2,pass,", "2,status,1,12,pass,", "3,wheelA.filter=9,1,2,pass,", "3,wheelA.filter=0,1,2,pass,",
      "4,wheelA.filter=9,1,2,pass,", "4,wheelA.filter=0,1,2,pass,", "4,status,1,12,pass,"},
     {0xEE, 0xCC, 0x09, 0x00, 0x09, 0x00, 0xCC, 0x09, 0x00, 0x09, 0x00, 0xCC}},
    // The wheel answers the move to 9 and stays at 0: the check after the
    // round finds it, and the window then shows 0, so the next move to 0
    // sends nothing.
    {"AStuckWheelIsAMismatch", 9, {}, {"--repeat", "4", "--verify-every", "2", "set", "wheelA.filter=0", "wheelA.filter=9"},
     6, 10, 10, 2, {{"wheelA.filter=0", 4, 0}, {"wheelA.filter=9", 4, 2}, {"status", 2, 0}},
     {"1,wheelA.filter=0,0,0,pass,nothing to send", "1,wheelA.filter=9,1,2,pass,", "2,wheelA.filter=0,1,2,pass,",
      "2,wheelA.filter=9,1,2,pass,", "2,status,1,12,fail,\"wheelA.filter: reported 0, set 9\"",
      "3,wheelA.filter=0,0,0,pass,nothing to send", "3,wheelA.filter=9,1,2,pass,", "4,wheelA.filter=0,1,2,pass,",
      "4,wheelA.filter=9,1,2,pass,", "4,status,1,12,fail,\"wheelA.filter: reported 0, set 9\""},
     {0xEE, 0xCC, 0x09, 0x00, 0x09, 0xCC, 0x09, 0x00, 0x09, 0xCC}},
    {"StopOnErrorEndsAtTheFirstMismatch", 9, {},
     {"--repeat", "4", "--verify-every", "2", "--stop-on-error", "set", "wheelA.filter=0", "wheelA.filter=9"}, 6, 5, 10, 1,
     {{"wheelA.filter=0", 2, 0}, {"wheelA.filter=9", 2, 1}, {"status", 1, 0}},
     {"1,wheelA.filter=0,0,0,pass,nothing to send", "1,wheelA.filter=9,1,2,pass,", "2,wheelA.filter=0,1,2,pass,",
      "2,wheelA.filter=9,1,2,pass,", "2,status,1,12,fail,\"wheelA.filter: reported 0, set 9\""},
     {0xEE, 0xCC, 0x09, 0x00, 0x09, 0xCC}},
    // Wheel B is not connected: its list holds no filter, nothing is sent.
    // --always-send sends the move to 1 again each round.
    {"ARefusedSettingIsCountedEachRound", -1, {Device::kWheelB},
     {"--repeat", "2", "--always-send", "set", "wheelB.filter=3", "wheelA.filter=1"}, 2, 4, 4, -1,
     {{"wheelB.filter=3", 2, 2}, {"wheelA.filter=1", 2, 0}},
     {"1,wheelB.filter=3,0,0,fail,wheelB.filter=3: this controller takes no such value here (a device that is "
      "not connected takes none)",
      "1,wheelA.filter=1,1,2,pass,",
      "2,wheelB.filter=3,0,0,fail,wheelB.filter=3: this controller takes no such value here (a device that is "
      "not connected takes none)",
      "2,wheelA.filter=1,1,2,pass,"},
     {0xEE, 0xCC, 0x01, 0x01}},
    // Every key once: each is sent every round, the one the controller had
    // at the start too.
    {"AlwaysSendSendsEachSettingEachRound", -1, {},
     {"--repeat", "3", "--always-send", "set", "wheelA.filter=0", "shutterB.state=open", "shutterA.mode=nd",
      "shutterA.steps=13"},
     0, 9, 9, -1, {{"wheelA.filter=0", 3, 0}, {"shutterB.state=open", 3, 0}, {"shutterA.mode=nd shutterA.steps=13", 3, 0}},
     {"1,wheelA.filter=0,1,2,pass,", "1,shutterB.state=open,1,2,pass,", "1,shutterA.mode=nd shutterA.steps=13,3,4,pass,",
      "2,wheelA.filter=0,1,2,pass,", "2,shutterB.state=open,1,2,pass,", "2,shutterA.mode=nd shutterA.steps=13,3,4,pass,",
      "3,wheelA.filter=0,1,2,pass,", "3,shutterB.state=open,1,2,pass,", "3,shutterA.mode=nd shutterA.steps=13,3,4,pass,"},
     {0xEE, 0xCC, 0x00, 0xBA, 0xDE, 0x01, 0x0D, 0x00, 0xBA, 0xDE, 0x01, 0x0D, 0x00, 0xBA, 0xDE, 0x01, 0x0D}},
};

class SettingsBurnIn : public testing::TestWithParam<SettingsCase> {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("settings-burn-in-" + std::to_string(getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

TEST_P(SettingsBurnIn, CountsWritesAndSendsAsTheRowSays) {
  const SettingsCase& c = GetParam();
  emulator::EmulatorOptions options;
  options.baud = 0;
  options.notConnected = c.notConnected;
  if (c.stuckFilter >= 0) options.stuck = {Device::kWheelA, c.stuckFilter};
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  const fs::path csv = dir / "rows.csv";
  std::vector<std::string> words = {"--port", controller.path(), "--csv", csv.string()};
  words.insert(words.end(), c.words.begin(), c.words.end());
  const CtlRun run = RunCtl(words);

  EXPECT_EQ(run.status, c.status) << run.err;
  EXPECT_EQ(Total(run.out, "cycles"), c.runs) << run.out;
  EXPECT_NE(run.out.find("cycles: " + std::to_string(c.runs) + " of " + std::to_string(c.planned) + "\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(Total(run.out, "mismatches"), c.mismatches) << run.out;
  EXPECT_EQ(TableOf(run.out), c.table) << run.out;

  std::vector<std::string> rows = Lines(ReadFile(csv));
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.front(), kHeader);
  rows.erase(rows.begin());
  for (std::string& row : rows) row = Untimed(row);
  EXPECT_EQ(rows, c.rows);
  EXPECT_EQ(controller.server().received(), c.received);
  const bool stopOnError = std::find(c.words.begin(), c.words.end(), "--stop-on-error") != c.words.end();
  EXPECT_EQ(run.out.find("ended: stopped at the first failure\n") != std::string::npos, stopOnError) << run.out;
}

// The summary counts rounds as --repeat does, beside the cycles; the round
// whose check failed ran whole and counts.
TEST(SettingsBurnInRounds, StopOnErrorCountsTheRoundsItRanWhole) {
  emulator::EmulatorOptions options;
  options.baud = 0;
  options.stuck = {Device::kWheelA, 9};
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  const CtlRun run = RunCtl({"--port", controller.path(), "--repeat", "4", "--verify-every", "2", "--stop-on-error",
                             "set", "wheelA.filter=0", "wheelA.filter=9"});
  EXPECT_EQ(run.status, 6) << run.err;
  EXPECT_NE(run.out.find("rounds: 2 of 4\ncycles: 5 of 10\n"), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(Ctl, SettingsBurnIn, testing::ValuesIn(kCases), CaseName());

class BurnInFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("burn-in-files-" + std::to_string(getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  // The lines of the CSV file so far; whole lines only.
  std::size_t CsvLines(const fs::path& csv) const {
    const std::string text = ReadFile(csv);
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  }

  fs::path dir;
};

// SIGINT ends the run after the cycle; every cycle run has its whole row,
// and the controller got exactly the moves the rows say were sent.
TEST_F(BurnInFilesTest, AnInterruptedRunKeepsARowForEveryCycle) {
  emulator::EmulatorOptions options;
  options.baud = 0;
  options.moveTime = 2ms;
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  const fs::path csv = dir / "rows.csv";
  CtlProcess ctl({"--port", controller.path(), "--repeat", "1000000", "--csv", csv.string(), "set", "wheelA.filter=0",
                  "wheelA.filter=9"});
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (CsvLines(csv) < 40 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
  kill(ctl.pid(), SIGINT);
  const CtlRun run = ctl.Finish(30s);
  EXPECT_EQ(run.status, 128 + SIGINT) << run.err;
  EXPECT_NE(run.out.find("ended: stopped by SIGINT\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.rfind("verdict: stopped\n", 0), 0u) << run.out;
  const std::string text = ReadFile(csv);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  const std::vector<std::string> rows = Lines(text);
  EXPECT_EQ(static_cast<int>(rows.size()) - 1, Total(run.out, "cycles"));
  const auto sent = std::count_if(rows.begin() + 1, rows.end(), [](const std::string& r) { return Untimed(r).find(",1,2,pass,") != std::string::npos; });
  EXPECT_EQ(controller.server().received().size(), 2 + static_cast<std::size_t>(sent));
}

// --json prints one object with the totals and a stable object per setting;
// --report asks the configuration first and writes the page, never over a
// file; the CSV file is appended to, with one header.
TEST_F(BurnInFilesTest, JsonSummaryReportAndAppendedCsv) {
  EmulatedController controller(Variant::kTriad);
  ASSERT_TRUE(controller.ready());
  const fs::path csv = dir / "rows.csv";
  const fs::path report = dir / "burn-in.html";
  const std::vector<std::string> words = {"--port", controller.path(), "--repeat", "10", "--verify-every", "5",
                                          "--json", "--csv", csv.string(), "--report", report.string(), "set",
                                          "wheelA.filter=0", "wheelA.filter=9"};
  const CtlRun run = RunCtl(words);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
  for (const char* key : {"\"verdict\":\"passed\"", "\"failures\":[]", "\"failures_total\":0", "\"runs\":22", "\"planned\":22", "\"mismatches\":0", "\"nothing_sent\":1",
                          "\"settings\":[{\"count\":10,\"failures\":0,\"first_tenth_ms\":"}) {
    EXPECT_NE(run.out.find(key), std::string::npos) << key << " in " << run.out;
  }
  static const std::regex kSetting(R"re(\{"count":([0-9]+),"failures":0,"first_tenth_ms":[0-9.]+,"last_tenth_ms":[0-9.]+,"max_ms":[0-9.]+,"median_ms":[0-9.]+,"min_ms":[0-9.]+,"p95_ms":[0-9.]+,"setting":"([a-zA-Z.=0-9]+)"\})re");
  std::vector<std::string> settings;
  for (auto m = std::sregex_iterator(run.out.begin(), run.out.end(), kSetting); m != std::sregex_iterator(); ++m) {
    settings.push_back((*m)[2].str() + " " + (*m)[1].str());
  }
  EXPECT_EQ(settings, (std::vector<std::string>{"wheelA.filter=0 10", "wheelA.filter=9 10", "status 2"})) << run.out;
  const Bytes received = controller.server().received();
  ASSERT_GE(received.size(), 3u);
  EXPECT_EQ(Bytes(received.begin(), received.begin() + 3), (Bytes{0xEE, 0xFD, 0xCC}));

  const std::string page = ReadFile(report);
  for (const char* text : {"<td class=\"setting\">wheelA.filter=0</td>", "<td class=\"setting\">wheelA.filter=9</td>",
                           "<td class=\"setting\">status</td>", "3W2S Triad controller fw 1.07", "korvel-ctl --port"}) {
    EXPECT_NE(page.find(text), std::string::npos) << text;
  }
  EXPECT_EQ(std::regex_search(page, std::regex("<svg")), true);
  std::size_t charts = 0;
  for (std::size_t at = page.find("<svg"); at != std::string::npos; at = page.find("<svg", at + 1)) ++charts;
  EXPECT_EQ(charts, 6u);

  // Again: the report is there, so nothing is sent and nothing is written.
  const CtlRun again = RunCtl(words);
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.err, "korvel-ctl: The report " + report.string() + " exists; no report is written over a file.\n");
  EXPECT_EQ(controller.server().received(), received);
  EXPECT_EQ(ReadFile(report), page);

  // Without the report, the rows of a second run follow the first's.
  std::vector<std::string> second(words.begin(), words.end() - 5);
  second.insert(second.end(), {"set", "wheelA.filter=0", "wheelA.filter=9"});
  second.erase(second.begin() + 6);  // --json
  ASSERT_EQ(RunCtl(second).status, 0);
  const std::vector<std::string> rows = Lines(ReadFile(csv));
  EXPECT_EQ(std::count(rows.begin(), rows.end(), kHeader), 1);
  EXPECT_EQ(rows.size(), 1u + 22 + 22);
}

// A file a run will write that cannot be written ends it before the port
// opens: exit 1, one line saying why, nothing sent, and nothing left in the
// folder but what was there, byte for byte.
struct RefusedFile {
  const char* name;
  std::vector<std::string> words;  // "@" stands for the test's folder
  std::function<void(const fs::path& dir)> make;
  std::string err;                 // "@" stands for the test's folder
};

void MakeFifo(const fs::path& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }

// A socket bound at path, left bound: nothing is to connect to it.
void MakeSocket(const fs::path& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string name = path.string();
  ASSERT_LT(name.size(), sizeof address.sun_path);
  std::copy(name.begin(), name.end(), address.sun_path);
  EXPECT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  close(fd);
}

std::string WithDir(const std::string& text, const fs::path& dir) {
  return std::regex_replace(text, std::regex("@"), dir.string());
}

const std::vector<std::string> kBurnIn = {"--repeat", "3", "set", "wheelA.filter=1", "wheelA.filter=2"};

std::vector<std::string> BurnInWith(std::vector<std::string> words) {
  words.insert(words.end(), kBurnIn.begin(), kBurnIn.end());
  return words;
}

void Nothing(const fs::path&) {}

const RefusedFile kRefusedFiles[] = {
    {"ReportInAMissingFolder", BurnInWith({"--report", "@/missing/burn-in.html"}), Nothing,
     "korvel-ctl: The report cannot be written in @/missing/burn-in.html: No such file or directory.\n"},
    {"CheckReportInAMissingFolder", {"check", "--yes", "--report", "@/missing/check.html"}, Nothing,
     "korvel-ctl: The report cannot be written in @/missing/check.html: No such file or directory.\n"},
    {"ReportInAFolderThatIsAFile", BurnInWith({"--report", "@/file/burn-in.html"}),
     [](const fs::path& dir) { std::ofstream(dir / "file") << "x"; },
     "korvel-ctl: The report cannot be written in @/file/burn-in.html: Not a directory.\n"},
    {"CsvInAMissingFolder", BurnInWith({"--csv", "@/missing/rows.csv"}), Nothing,
     "korvel-ctl: The CSV file cannot be written in @/missing/rows.csv: No such file or directory.\n"},
    {"CsvOnADevice", BurnInWith({"--csv", "/dev/null"}), Nothing,
     "korvel-ctl: The CSV file cannot be written in /dev/null: it is a device, not a file.\n"},
    {"CsvOnAFifo", BurnInWith({"--csv", "@/rows.csv"}), [](const fs::path& dir) { MakeFifo(dir / "rows.csv"); },
     "korvel-ctl: The CSV file cannot be written in @/rows.csv: it is a FIFO, not a file.\n"},
    {"CsvOnASocket", BurnInWith({"--csv", "@/rows.csv"}), [](const fs::path& dir) { MakeSocket(dir / "rows.csv"); },
     "korvel-ctl: The CSV file cannot be written in @/rows.csv: it is a socket, not a file.\n"},
    // A row never lands under another header: the rows of an older version,
    // a file of something else.
    {"CsvOfAnotherHeader", BurnInWith({"--csv", "@/rows.csv"}),
     [](const fs::path& dir) {
       std::ofstream(dir / "rows.csv", std::ios::binary)
           << "round,setting,sent_bytes,reply_bytes,echo_ms,reply_ms,result,message\n1,status,1,12,0.1,0.1,pass,\n";
     },
     "korvel-ctl: The CSV file @/rows.csv has other columns than this run's (its first line is not "
     "run,round,ended,setting,sent_bytes,reply_bytes,echo_ms,reply_ms,result,message,reported); name a new file for "
     "this run.\n"},
    {"CsvOfSomethingElse", BurnInWith({"--csv", "@/notes.txt"}),
     [](const fs::path& dir) { std::ofstream(dir / "notes.txt", std::ios::binary) << "notes without a line end"; },
     "korvel-ctl: The CSV file @/notes.txt has other columns than this run's (its first line is not "
     "run,round,ended,setting,sent_bytes,reply_bytes,echo_ms,reply_ms,result,message,reported); name a new file for "
     "this run.\n"},
    {"LogOnADevice", {"--log", "/dev/null", "status"}, Nothing,
     "korvel-ctl: The session record cannot be kept in /dev/null: it is a device, not a file.\n"},
    {"LogOnAFifo", {"--log", "@/session.log", "check", "--yes"},
     [](const fs::path& dir) { MakeFifo(dir / "session.log"); },
     "korvel-ctl: The session record cannot be kept in @/session.log: it is a FIFO, not a file.\n"},
};

class RefusedFiles : public BurnInFilesTest, public testing::WithParamInterface<RefusedFile> {};

// What the folder holds: each entry's name, and a regular file's bytes.
std::map<std::string, std::string> FolderOf(const fs::path& dir) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::directory_iterator(dir)) {
    entries[entry.path().filename().string()] = entry.is_regular_file() ? ReadFile(entry.path()) : std::string();
  }
  return entries;
}

TEST_P(RefusedFiles, EndTheRunBeforeAnythingIsSent) {
  ASSERT_NO_FATAL_FAILURE(GetParam().make(dir));
  const std::map<std::string, std::string> before = FolderOf(dir);
  EmulatedController controller(Variant::kTriad);
  ASSERT_TRUE(controller.ready());
  std::vector<std::string> words = {"--port", controller.path()};
  for (const std::string& word : GetParam().words) words.push_back(WithDir(word, dir));
  const CtlRun run = RunCtl(words);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, WithDir(GetParam().err, dir));
  EXPECT_EQ(controller.server().received(), Bytes{});
  EXPECT_EQ(FolderOf(dir), before);
}

INSTANTIATE_TEST_SUITE_P(Ctl, RefusedFiles, testing::ValuesIn(kRefusedFiles), CaseName());

// Every burn-in ends with a verdict, first in the summary and at the top of
// its report, with the exit status it goes with; the failures end the
// summary and open the report, before any chart. Each row: the controller's
// fault, the words, and what must come of them.
struct VerdictCase {
  const char* name;
  std::function<void(emulator::EmulatorOptions&)> fault;
  std::vector<std::string> words;  // after --port and --report
  int status;
  std::string verdict;
  std::vector<std::string> said;        // in the summary
  std::vector<std::string> reportRows;  // in the report's failure table, before the first chart
};

const VerdictCase kVerdictCases[] = {
    // The mismatches fail the move to 9, not the query that found them.
    {"AStuckWheelFailsItsOwnRow", [](emulator::EmulatorOptions& o) { o.stuck = {Device::kWheelA, 9}; },
     {"--repeat", "4", "--verify-every", "2", "set", "wheelA.filter=0", "wheelA.filter=9"}, 6, "failed",
     {"\nwheelA.filter=9      4         2", "\nstatus               2         0", "\nfailures: 2\n",
      "  wheelA.filter=9  mismatch  "},
     {"<td class=\"number\">2</td><td>wheelA.filter=9</td><td class=\"failed\">mismatch</td><td>9</td><td class=\"message\">0</td>",
      "<td class=\"number\">4</td><td>wheelA.filter=9</td><td class=\"failed\">mismatch</td><td>9</td><td class=\"message\">0</td>"}},
    // The limit of the setting stands over the one of every cycle.
    {"AMoveOverItsSettingsLimit", [](emulator::EmulatorOptions& o) { o.moveTime = 300ms; },
     {"--repeat", "2", "--max-ms", "60000", "--max-ms", "wheelA.filter=200", "set", "wheelA.filter=0",
      "wheelA.filter=9"},
     7, "failed", {"\nover the limit: 3\n", " ms over the limit of 200 ms\n", "limits: 60000 ms a cycle, wheelA.filter 200 ms\n"},
     {"<td class=\"failed\">over the limit</td><td>at most 200 ms</td><td class=\"message\">"}},
    // Each move 20 % slower than two moves before: the last tenth's median
    // far above the first's.
    {"AWearingMotorDrifts",
     [](emulator::EmulatorOptions& o) {
       o.moveTime = 60ms;
       o.wear = {Device::kWheelA, 20, 2};
     },
     {"--repeat", "10", "--max-drift", "10", "set", "wheelA.filter=0", "wheelA.filter=9"}, 7, "failed",
     {"\ndrift over the limit: 2\n", " % over the limit of 10 % (median of the first tenth "},
     {"<td class=\"number\">-</td><td>wheelA.filter=9</td><td class=\"failed\">drift over the limit</td>"}},
    {"WithinItsLimits", [](emulator::EmulatorOptions& o) { o.moveTime = 50ms; },
     {"--repeat", "3", "--verify-every", "1", "--max-ms", "60000", "--max-drift", "1000", "set", "wheelA.filter=0",
      "wheelA.filter=9"},
     0, "passed", {"\nover the limit: 0\n", "\ndrift over the limit: 0\n", "\nmismatches: 0\n"}, {}},
    // The on-line byte, the configuration and status queries and the first
    // move are answered; the window then keeps filter 1, so that only the
    // moves to 2 go out again, unanswered.
    {"AControllerFallingSilent", [](emulator::EmulatorOptions& o) { o.silentAfter = 4; },
     {"--repeat", "3", "set", "wheelA.filter=1", "wheelA.filter=2"}, 3, "no reply",
     {"\nno replies: 3\n", "\nfailures: 3\n"}, {"<td class=\"failed\">no reply</td>"}},
};

class Verdicts : public testing::TestWithParam<VerdictCase> {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("burn-in-verdicts-" + std::to_string(getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

TEST_P(Verdicts, ComeFirstWithTheFailuresAfterThem) {
  const VerdictCase& c = GetParam();
  emulator::EmulatorOptions options;
  options.baud = 0;
  c.fault(options);
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  const fs::path report = dir / "burn-in.html";
  std::vector<std::string> words = {"--port", controller.path(), "--report", report.string()};
  words.insert(words.end(), c.words.begin(), c.words.end());
  const CtlRun run = RunCtl(words);

  EXPECT_EQ(run.status, c.status) << run.err;
  EXPECT_EQ(run.out.rfind("verdict: " + c.verdict + "\nrounds: ", 0), 0u) << run.out;
  for (const std::string& text : c.said) EXPECT_NE(run.out.find(text), std::string::npos) << text << " in " << run.out;
  const bool failed = c.verdict != "passed";
  EXPECT_EQ(run.out.find("\nfailures: ") != std::string::npos, failed) << run.out;

  const std::string page = ReadFile(report);
  const std::size_t banner = page.find("<div class=\"verdict ");
  const std::size_t chart = page.find("<svg");
  ASSERT_NE(banner, std::string::npos);
  ASSERT_NE(chart, std::string::npos);
  EXPECT_LT(banner, chart);
  EXPECT_NE(page.find("Verdict: " + c.verdict + "</p>"), std::string::npos);
  const std::size_t table = page.find("<table class=\"failures\">");
  EXPECT_EQ(table != std::string::npos, failed);
  if (failed) {
    EXPECT_LT(table, chart);
  }
  for (const std::string& row : c.reportRows) {
    const std::size_t at = page.find(row);
    EXPECT_LT(at, chart) << row;
  }
}

INSTANTIATE_TEST_SUITE_P(Ctl, Verdicts, testing::ValuesIn(kVerdictCases), CaseName());

// A burn-in burns in: a setting with one value would send nothing after the
// first round, and one the controller already has nothing at all; both are
// refused before the rounds begin, saying how to give two values.
struct IdleCase {
  const char* name;
  std::vector<std::string> words;
  std::string err;  // in standard error
  Bytes received;
};

const IdleCase kIdleCases[] = {
    {"OneValueOfAKey", {"--repeat", "50", "set", "shutterB.state=open"},
     "korvel-ctl: shutterB.state=open sends nothing after the first round: the controller has it already, and a "
     "burn-in that sends nothing burns nothing in. Give two values to move between (korvel-ctl --repeat 50 set "
     "shutterB.state=open shutterB.state=closed), or --always-send to send every setting every round\n",
     {}},
    {"OneKeyOfSeveralWithOneValue", {"--repeat", "2", "set", "wheelA.filter=1", "wheelB.filter=3", "wheelA.filter=2"},
     "korvel-ctl: wheelB.filter=3 sends nothing after the first round", {}},
    // The wheel is at 0 as the controller starts: only the query before the
    // run is sent.
    {"ASingleRoundTheControllerHasAlready", {"--repeat", "1", "set", "wheelA.filter=0"},
     "korvel-ctl: the controller has wheelA.filter=0 already: a round would send nothing. Give two values to move "
     "between (korvel-ctl --repeat 1 set wheelA.filter=0 wheelA.filter=9), or --always-send to send every setting "
     "every round\n",
     {0xEE, 0xCC}},
    {"ALimitOfASettingNotInTheRun", {"--repeat", "2", "--max-ms", "wheelB.filter=900", "set", "wheelA.filter=1",
                                     "wheelA.filter=2"},
     "korvel-ctl: --max-ms wheelB.filter=900: wheelB.filter is not in this run (its settings: wheelA.filter)\n", {}},
};

class IdleBurnIns : public testing::TestWithParam<IdleCase> {};

TEST_P(IdleBurnIns, AreRefusedBeforeTheRun) {
  const IdleCase& c = GetParam();
  EmulatedController controller(Variant::kTriad);
  ASSERT_TRUE(controller.ready());
  std::vector<std::string> words = {"--port", controller.path()};
  words.insert(words.end(), c.words.begin(), c.words.end());
  const CtlRun run = RunCtl(words);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
  EXPECT_EQ(controller.server().received(), c.received);
}

INSTANTIATE_TEST_SUITE_P(Ctl, IdleBurnIns, testing::ValuesIn(kIdleCases), CaseName());

// A summary gives a figure only for what was measured: no reply time where
// nothing replied, no mismatch count where nothing was compared; the Mono's
// own settings are read back from the status reply like a wheel's.
struct MeasuredCase {
  const char* name;
  Variant variant;
  int silentAfter;  // the emulator's; 0: it answers everything
  std::vector<std::string> words;
  int status;
  std::vector<std::string> said;     // in the summary
  std::vector<std::string> notSaid;  // nowhere in it
};

const MeasuredCase kMeasuredCases[] = {
    {"NothingRepliedText", Variant::kTriad, 1, {"--repeat", "2", "status"}, 3,
     {"cycles: 2 of 2\n", "no replies: 2\n", "reply time: -\n", "wall over line time: -\n"},
     {"mismatches", "min 0.0"}},
    {"NothingRepliedJson", Variant::kTriad, 1, {"--repeat", "2", "--json", "status"}, 3,
     {"\"no_replies\":2", "\"reply_time_ms\":null", "\"wall_over_line\":null", "\"mismatches\":null",
      "\"planned\":2"},
     {}},
    {"NoVerifyQueryRanBeforeTheEnd", Variant::kTriad, 0,
     {"--repeat", "1", "--verify-every", "2", "--json", "set", "wheelA.filter=1"}, 0, {"\"mismatches\":null"}, {}},
    {"MonoSettingsAreVerified", Variant::kMono, 0,
     {"--repeat", "2", "--always-send", "--verify-every", "1", "--json", "set", "ttlIn=high", "repeat=3", "freeRun=trigger",
      "timer=exposure", "time=0:0:1.500"},
     0, {"\"mismatches\":0", "\"reply_time_ms\":{\"max\":"}, {"\"failures\":1", "\"failures\":2"}},
};

class WhatWasMeasured : public testing::TestWithParam<MeasuredCase> {};

TEST_P(WhatWasMeasured, IsAllTheSummarySays) {
  const MeasuredCase& c = GetParam();
  emulator::EmulatorOptions options;
  options.variant = c.variant;
  options.baud = 0;
  options.silentAfter = c.silentAfter;
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  std::vector<std::string> words = {"--port", controller.path()};
  words.insert(words.end(), c.words.begin(), c.words.end());
  const CtlRun run = RunCtl(words);
  EXPECT_EQ(run.status, c.status) << run.err;
  for (const std::string& text : c.said) EXPECT_NE(run.out.find(text), std::string::npos) << text << " in " << run.out;
  for (const std::string& text : c.notSaid) {
    EXPECT_EQ(run.out.find(text), std::string::npos) << text << " in " << run.out;
  }
}

INSTANTIATE_TEST_SUITE_P(Ctl, WhatWasMeasured, testing::ValuesIn(kMeasuredCases), CaseName());

}  // namespace
