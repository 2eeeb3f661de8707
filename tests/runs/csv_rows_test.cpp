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

CycleRow Row(int64_t round, std::string setting, double echoMs, double replyMs, bool passed, std::string message) {
  CycleRow row;
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

TEST(CsvLine, QuotesOnlyWhatNeedsItAndLeavesMissingTimesEmpty) {
  EXPECT_EQ(CsvHeader(), "round,setting,sent_bytes,reply_bytes,echo_ms,reply_ms,result,message\n");
  EXPECT_EQ(CsvLine(Row(7, "wheelA.filter=9", 33.36, 2034.04, true, "")), "7,wheelA.filter=9,1,2,33.4,2034.0,pass,\n");
  EXPECT_EQ(CsvLine(Row(8, "status", -1, -1, false, "no reply")), "8,status,1,0,,,fail,no reply\n");
  EXPECT_EQ(CsvLine(Row(9, "status", 33, 800, false, "wheelA at 5, set 9")),
            "9,status,1,2,33.0,800.0,fail,\"wheelA at 5, set 9\"\n");
  EXPECT_EQ(CsvCell("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(CsvCell("two\nlines"), "\"two\nlines\"");
  EXPECT_EQ(CsvCell("1 byte before the reply dropped: 0D …"), "1 byte before the reply dropped: 0D …");
}

TEST_F(CsvTest, EachRowIsInTheFileAsSoonAsItIsWrittenUnderOneHeader) {
  {
    CsvFile csv;
    ASSERT_EQ(csv.open(path), "");
    EXPECT_EQ(Contents(path), CsvHeader());
    ASSERT_EQ(csv.write(Row(1, "wheelA.filter=0", 33.3, 100, true, "")), "");
    EXPECT_EQ(Contents(path), CsvHeader() + "1,wheelA.filter=0,1,2,33.3,100.0,pass,\n");
  }
  // A second run into the same file adds its rows under the same header.
  CsvFile again;
  ASSERT_EQ(again.open(path), "");
  ASSERT_EQ(again.write(Row(1, "status", -1, -1, false, "no reply")), "");
  EXPECT_EQ(Contents(path), CsvHeader() + "1,wheelA.filter=0,1,2,33.3,100.0,pass,\n1,status,1,0,,,fail,no reply\n");
}

TEST_F(CsvTest, AFileOfSomethingElseKeepsAllItHeldAndTheRowsFollowAHeader) {
  for (const std::string before : {"notes without a line end", "notes\n"}) {
    Write(path, before);
    CsvFile csv;
    ASSERT_EQ(csv.open(path), "");
    ASSERT_EQ(csv.write(Row(1, "status", 33, 700, true, "")), "");
    csv.close();
    const std::string separator = before.back() == '\n' ? "" : "\n";
    EXPECT_EQ(Contents(path), before + separator + CsvHeader() + "1,status,1,2,33.0,700.0,pass,\n");
  }
}

TEST_F(CsvTest, AFileThatCannotBeWrittenIsToldWithItsReason) {
  CsvFile csv;
  EXPECT_EQ(csv.open(dir / "missing" / "run.csv"),
            "The CSV file cannot be written in " + (dir / "missing" / "run.csv").string() +
                ": No such file or directory.");
  EXPECT_FALSE(csv.writing());
  EXPECT_EQ(csv.write(Row(1, "status", 1, 2, true, "")), "");  // not open: nothing to do
  EXPECT_EQ(csv.open(dir), "The CSV file cannot be written in " + dir.string() + ": Is a directory.");
  // A full disk stops the file and says so once.
  const fs::path full = dir / "full.csv";
  {
    const FileSizeLimit disk(0);
    ASSERT_TRUE(disk.ok());
    EXPECT_EQ(csv.open(full), "The CSV file in " + full.string() + " has stopped: File too large.");
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
    ASSERT_EQ(csv.open(path), "");
    ASSERT_EQ(csv.write(Row(1, "wheelA.filter=9", 33.3, 2034.5, true, "")), "");
    ASSERT_EQ(csv.write(Row(2, "status", -1, -1, false, awkward)), "");
  }
  const fs::path script = dir / "read.py";
  Write(script,
        "import csv, sys\n"
        "rows = list(csv.DictReader(open(sys.argv[1], newline='', encoding='utf-8')))\n"
        "assert len(rows) == 2, rows\n"
        "assert all(len(r) == 8 and None not in r for r in rows), rows\n"
        "assert float(rows[0]['reply_ms']) == 2034.5 and int(rows[0]['round']) == 1, rows[0]\n"
        "assert rows[1]['echo_ms'] == '' and rows[1]['result'] == 'fail', rows[1]\n"
        "assert rows[1]['message'] == sys.argv[2], repr(rows[1]['message'])\n");
  // The message goes to the script through the environment, not a shell word.
  setenv("KORVEL_CSV_MESSAGE", awkward.c_str(), 1);
  const std::string run = "python3 '" + script.string() + "' '" + path.string() + "' \"$KORVEL_CSV_MESSAGE\"";
  EXPECT_EQ(std::system(run.c_str()), 0) << Contents(path);
}

}  // namespace
