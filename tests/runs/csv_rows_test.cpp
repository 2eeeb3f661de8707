// The CSV file of a run, read back as a file and by an independent reader
// (Python's csv module, as a spreadsheet or pandas would take it).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "csv_rows.h"
#include "file_size_limit.h"

namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

using std::chrono::system_clock;

// 2026-12-11 09:44:36.123 UTC.
const system_clock::time_point kRunStart{std::chrono::milliseconds(1'796'982'276'123)};
const std::string kRun = "2026-12-11T09:44:36.123Z";

CycleRow Row(int64_t round, std::string setting, double echoMs, double replyMs, bool passed, std::string message,
             std::string reported = {}) {
  CycleRow row;
  row.ended = kRunStart + std::chrono::milliseconds(2078);
  row.reported = std::move(reported);
  row.round = round;
  row.setting = std::move(setting);
  row.sentBytes = 1;
  row.replyBytes = replyMs < 0 ? 0 : 2;
  row.echoMs = echoMs;
  row.replyMs = replyMs;
  row.passed = passed;
  row.message = std::move(message);
  return row;
}

class CsvTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("csv_rows_test." + std::to_string(getpid()));
    fs::create_directories(dir);
    path = dir / "run.csv";
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path dir;
  fs::path path;
};

// The rows below all end 2.078 s after the run began.
constexpr char kEnded[] = "2026-12-11T09:44:38.201Z";

TEST(CsvLine, QuotesOnlyWhatNeedsItAndLeavesMissingTimesEmpty) {
  EXPECT_EQ(CsvHeader(), "run,round,ended,setting,sent_bytes,reply_bytes,echo_ms,reply_ms,result,message,reported\n");
  const std::string start = kRun + ",";
  EXPECT_EQ(CsvLine(kRun, Row(7, "wheelA.filter=9", 33.36, 2034.04, true, "")),
            start + "7," + kEnded + ",wheelA.filter=9,1,2,33.4,2034.0,pass,,\n");
  EXPECT_EQ(CsvLine(kRun, Row(8, "status", -1, -1, false, "no reply")), start + "8," + kEnded + ",status,1,0,,,fail,no reply,\n");
  EXPECT_EQ(CsvLine(kRun, Row(9, "status", 33, 800, false, "wheelA.filter: reported 0, set 9",
                              "wheelA.filter=0 wheelA.speed=2 shutterA.state=open")),
            start + "9," + kEnded +
                ",status,1,2,33.0,800.0,fail,\"wheelA.filter: reported 0, set 9\",wheelA.filter=0 wheelA.speed=2 "
                "shutterA.state=open\n");
  EXPECT_EQ(CsvCell("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(CsvCell("two\nlines"), "\"two\nlines\"");
  EXPECT_EQ(CsvCell("1 byte before the reply dropped: 0D …"), "1 byte before the reply dropped: 0D …");
}

TEST_F(CsvTest, EachRowIsInTheFileAsSoonAsItIsWrittenUnderOneHeader) {
  const std::string first = CsvLine(kRun, Row(1, "wheelA.filter=0", 33.3, 100, true, ""));
  {
    CsvFile csv;
    ASSERT_EQ(csv.open(path, kRunStart), "");
    EXPECT_EQ(Contents(path), CsvHeader());
    ASSERT_EQ(csv.write(Row(1, "wheelA.filter=0", 33.3, 100, true, "")), "");
    EXPECT_EQ(Contents(path), CsvHeader() + first);
  }
  // A second run into the same file adds its rows, under its own id, below
  // the same header.
  const auto later = kRunStart + std::chrono::milliseconds(61'000);
  CsvFile again;
  ASSERT_EQ(again.open(path, later), "");
  ASSERT_EQ(again.write(Row(1, "status", -1, -1, false, "no reply")), "");
  EXPECT_EQ(Contents(path), CsvHeader() + first + CsvLine("2026-12-11T09:45:37.123Z", Row(1, "status", -1, -1, false, "no reply")));
}

// A row never lands under another header: a file that does not begin with
// this header (one of an older version, notes, a header without its line
// end) is refused and left as it was, byte for byte. A file that does, whose
// last row was cut short, gets its line ended first.
TEST_F(CsvTest, AFileOfOtherColumnsIsRefusedUnchanged) {
  const std::string older = "round,setting,sent_bytes,reply_bytes,echo_ms,reply_ms,result,message\n1,status,1,12,0.1,0.1,pass,\n";
  const std::string header = CsvHeader();
  for (const std::string& before : {older, std::string("notes without a line end"), std::string("notes\n"),
                                    header.substr(0, header.size() - 1), "\n" + header}) {
    Write(path, before);
    CsvFile csv;
    EXPECT_EQ(csv.open(path, kRunStart), "The CSV file " + path.string() +
                                             " has other columns than this run's (its first line is not " +
                                             header.substr(0, header.size() - 1) + "); name a new file for this run.")
        << before;
    EXPECT_FALSE(csv.writing());
    EXPECT_EQ(Contents(path), before);
  }
  const std::string cut = header + kRun + ",1,";
  Write(path, cut);
  CsvFile csv;
  ASSERT_EQ(csv.open(path, kRunStart), "");
  ASSERT_EQ(csv.write(Row(1, "status", 33, 700, true, "")), "");
  EXPECT_EQ(Contents(path), cut + "\n" + CsvLine(kRun, Row(1, "status", 33, 700, true, "")));
}

// A rack's file: the port's cell before each controller's line, under a
// header with a port column; neither kind of file takes the other's rows.
TEST_F(CsvTest, ARacksFileHasThePortFirstAndTakesNoSinglePortFile) {
  const std::string line = CsvLine(kRun, Row(1, "status", 33, 700, true, ""));
  {
    CsvFile csv;
    ASSERT_EQ(csv.open(path, kRunStart, CsvColumns::kPortFirst), "");
    ASSERT_EQ(csv.writeWithPort("/dev/ttyUSB0", line), "");
    ASSERT_EQ(csv.writeWithPort("tcp://lab,3", line), "");
  }
  const std::string rack = "port," + CsvHeader() + "/dev/ttyUSB0," + line + "\"tcp://lab,3\"," + line;
  EXPECT_EQ(Contents(path), rack);
  CsvFile single;
  EXPECT_NE(single.open(path, kRunStart), "");
  EXPECT_EQ(Contents(path), rack);

  Write(path, CsvHeader());
  CsvFile again;
  EXPECT_EQ(again.open(path, kRunStart, CsvColumns::kPortFirst),
            "The CSV file " + path.string() + " has other columns than this run's (its first line is not port," +
                CsvHeader().substr(0, CsvHeader().size() - 1) + "); name a new file for this run.");
  EXPECT_EQ(Contents(path), CsvHeader());
}

TEST(IsoUtcText, GivesTheMillisecondsAndTheZoneAtEveryEdge) {
  using std::chrono::milliseconds;
  EXPECT_EQ(IsoUtcText(kRunStart), kRun);
  EXPECT_EQ(IsoUtcText(system_clock::time_point{}), "1970-01-01T00:00:00.000Z");
  EXPECT_EQ(IsoUtcText(system_clock::time_point{milliseconds(1'798'761'599'999)}), "2026-12-31T23:59:59.999Z");
  // Microseconds are cut, never rounded into the next second.
  EXPECT_EQ(IsoUtcText(system_clock::time_point{milliseconds(1'798'761'599'999)} + std::chrono::microseconds(999)),
            "2026-12-31T23:59:59.999Z");
}

TEST_F(CsvTest, AFileThatCannotBeWrittenIsToldWithItsReason) {
  CsvFile csv;
  EXPECT_EQ(csv.open(dir / "missing" / "run.csv", kRunStart),
            "The CSV file cannot be written in " + (dir / "missing" / "run.csv").string() +
                ": No such file or directory.");
  EXPECT_FALSE(csv.writing());
  EXPECT_EQ(csv.write(Row(1, "status", 1, 2, true, "")), "");  // not open: nothing to do
  EXPECT_EQ(csv.open(dir, kRunStart), "The CSV file cannot be written in " + dir.string() + ": Is a directory.");
  // A full disk stops the file and says so once.
  const fs::path full = dir / "full.csv";
  {
    const FileSizeLimit disk(0);
    ASSERT_TRUE(disk.ok());
    EXPECT_EQ(csv.open(full, kRunStart), "The CSV file in " + full.string() + " has stopped: File too large.");
  }
  EXPECT_FALSE(csv.writing());
}

// Messages with commas, quotes, line ends and non-ASCII text come back
// whole, every row has every column, and the numbers read as numbers.
TEST_F(CsvTest, AnIndependentReaderGetsEveryFieldBack) {
  if (std::system("python3 -c 'import csv' 2>/dev/null") != 0) GTEST_SKIP() << "python3 is missing";
  const std::string awkward = "bad reply: \"CC 0D\", then\nmore … and a \\ too";
  {
    CsvFile csv;
    ASSERT_EQ(csv.open(path, kRunStart), "");
    ASSERT_EQ(csv.write(Row(1, "wheelA.filter=9", 33.3, 2034.5, true, "")), "");
    ASSERT_EQ(csv.write(Row(2, "status", -1, -1, false, awkward, "wheelA.filter=0 wheelA.speed=2")), "");
  }
  const fs::path script = dir / "read.py";
  Write(script,
        "import csv, sys\n"
        "rows = list(csv.DictReader(open(sys.argv[1], newline='', encoding='utf-8')))\n"
        "assert len(rows) == 2, rows\n"
        "assert all(len(r) == 11 and None not in r for r in rows), rows\n"
        "assert float(rows[0]['reply_ms']) == 2034.5 and int(rows[0]['round']) == 1, rows[0]\n"
        "assert rows[0]['run'] == rows[1]['run'] == '2026-12-11T09:44:36.123Z', rows\n"
        "assert rows[0]['reported'] == '' and rows[1]['reported'] == 'wheelA.filter=0 wheelA.speed=2', rows\n"
        "assert rows[1]['echo_ms'] == '' and rows[1]['result'] == 'fail', rows[1]\n"
        "assert rows[1]['message'] == sys.argv[2], repr(rows[1]['message'])\n");
  // The message goes to the script through the environment, not a shell word.
  setenv("KORVEL_CSV_MESSAGE", awkward.c_str(), 1);
  const std::string run = "python3 '" + script.string() + "' '" + path.string() + "' \"$KORVEL_CSV_MESSAGE\"";
  EXPECT_EQ(std::system(run.c_str()), 0) << Contents(path);
}

}  // namespace
