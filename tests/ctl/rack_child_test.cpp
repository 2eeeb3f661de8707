// korvel-ctl as one controller's process of a rack run (--rack-fd 3, as its
// parent starts it), against the emulated controller: its records come in
// order (the variant before any progress, the configuration, progress that
// never goes back and ends at the plan), the CSV rows it would have written
// come as records line for line, its report comes as one well-formed section
// with its charts, no file of the user's is touched, and standard output is
// the usual JSON object. A fast burn-in sends few progress records.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "ctl_process.h"
#include "emulated_controller.h"
#include "written_files.h"

namespace {

namespace fs = std::filesystem;
using emulator::Variant;

struct ChildRun {
  CtlRun run;
  std::vector<QJsonObject> records;
  std::chrono::duration<double> wall{};
};

// Runs korvel-ctl with a pipe as its descriptor 3, read while it runs: a
// report's record is larger than a pipe holds.
ChildRun RunAsRackChild(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), {"--json", "--rack-fd", "3"});
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return {};
  std::string channel;
  std::thread reader([&channel, fd = ends[0]] {
    char buffer[65536];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) channel.append(buffer, static_cast<std::size_t>(n));
  });
  ChildRun child;
  const auto start = std::chrono::steady_clock::now();
  {
    CtlProcess ctl(arguments, ends[1]);
    close(ends[1]);
    child.run = ctl.Finish();
  }
  child.wall = std::chrono::steady_clock::now() - start;
  reader.join();
  close(ends[0]);
  for (const std::string& line : Lines(channel)) {
    QJsonParseError error{};
    const QJsonDocument record = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    child.records.push_back(record.object());
  }
  return child;
}

// The position of the first record with key; -1 when none.
int FirstOf(const std::vector<QJsonObject>& records, const char* key) {
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (records[i].contains(key)) return static_cast<int>(i);
  }
  return -1;
}

std::vector<QJsonObject> ValuesOf(const std::vector<QJsonObject>& records, const char* key) {
  std::vector<QJsonObject> values;
  for (const QJsonObject& r : records) {
    if (r.contains(key)) values.push_back(r[key].toObject());
  }
  return values;
}

std::vector<std::string> TextsOf(const std::vector<QJsonObject>& records, const char* key) {
  std::vector<std::string> texts;
  for (const QJsonObject& r : records) {
    if (r.contains(key)) texts.push_back(r[key].toString().toStdString());
  }
  return texts;
}

// Progress that never goes back, in unit, and that ends at its plan.
void ExpectWholeProgress(const std::vector<QJsonObject>& records, const char* unit) {
  const std::vector<QJsonObject> progress = ValuesOf(records, "progress");
  ASSERT_FALSE(progress.empty());
  for (std::size_t i = 0; i < progress.size(); ++i) {
    EXPECT_EQ(progress[i]["unit"].toString().toStdString(), unit);
    if (i > 0) {
      EXPECT_GE(progress[i]["done"].toInteger(), progress[i - 1]["done"].toInteger());
    }
  }
  EXPECT_EQ(progress.back()["done"].toInteger(), progress.back()["planned"].toInteger());
  EXPECT_GT(progress.back()["planned"].toInteger(), 0);
}

struct Section {
  std::string error;
  std::vector<std::string> elements;
  int charts = 0;
};

Section ParsedSection(const std::string& fragment) {
  Section section;
  QXmlStreamReader xml(QString::fromStdString(fragment));
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    section.elements.push_back(xml.name().toString().toStdString());
    if (xml.name() == QLatin1String("svg")) ++section.charts;
  }
  if (xml.hasError()) section.error = xml.errorString().toStdString() + " at line " + std::to_string(xml.lineNumber());
  return section;
}

// The report record: the last record, one section with its charts, no page around it.
void ExpectReportSection(const std::vector<QJsonObject>& records, const std::string& heading) {
  const std::vector<std::string> reports = TextsOf(records, "report");
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_TRUE(records.back().contains("report"));
  const Section section = ParsedSection(reports.front());
  EXPECT_EQ(section.error, "");
  EXPECT_EQ(section.elements.front(), "div");
  EXPECT_GT(section.charts, 0);
  for (const char* page : {"html", "head", "body", "style", "h1"}) {
    EXPECT_EQ(std::count(section.elements.begin(), section.elements.end(), page), 0) << page;
  }
  EXPECT_NE(reports.front().find("<h3>" + heading + "</h3>"), std::string::npos) << heading;
  EXPECT_NE(reports.front().find("Verdict: passed"), std::string::npos);
}

// A fresh folder for the files a run is given, which must stay empty.
fs::path EmptyFolder(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / (name + "-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

bool Empty(const fs::path& dir) { return fs::is_empty(dir); }

// A CSV row without its run, its end and its measured times:
// round,setting,sent,reply,result,message,reported.
std::string Untimed(const std::string& row) {
  static const std::regex kTimes(R"(^[^,]*,([^,]*),[^,]*,([^,]*,[^,]*,[^,]*),[0-9.]*,[0-9.]*,)");
  return std::regex_replace(row, kTimes, "$1,$2,");
}

std::vector<std::string> UntimedRows(const std::vector<std::string>& rows) {
  std::vector<std::string> untimed;
  for (const std::string& row : rows) untimed.push_back(Untimed(row));
  return untimed;
}

}  // namespace

TEST(RackChild, CheckSendsItsRecordsInOrderAndItsReportAsASection) {
  EmulatedController controller(Variant::kTriad);
  ASSERT_TRUE(controller.ready());
  const fs::path dir = EmptyFolder("rack-child-check");
  const ChildRun child = RunAsRackChild({"--port", controller.path(), "check", "--yes", "--shutters", "none",
                                         "--report", (dir / "y.html").string()});
  EXPECT_EQ(child.run.status, 0) << child.run.err;
  const QJsonObject result = QJsonDocument::fromJson(QByteArray::fromStdString(child.run.out)).object();
  EXPECT_FALSE(result["steps"].toArray().isEmpty()) << child.run.out;
  EXPECT_TRUE(Empty(dir));

  const std::vector<QJsonObject>& records = child.records;
  ASSERT_GE(FirstOf(records, "variant"), 0);
  EXPECT_EQ(records[static_cast<std::size_t>(FirstOf(records, "variant"))]["variant"].toString(), "triad");
  EXPECT_LT(FirstOf(records, "variant"), FirstOf(records, "progress"));
  EXPECT_LT(FirstOf(records, "configuration"), FirstOf(records, "progress"));
  ASSERT_EQ(TextsOf(records, "configuration").size(), 1u);
  EXPECT_EQ(TextsOf(records, "configuration").front(), result["configuration"].toString().toStdString());
  EXPECT_TRUE(TextsOf(records, "csv").empty());
  ExpectWholeProgress(records, "steps");
  ExpectReportSection(records, "Check of the triad on " + controller.path());
}

TEST(RackChild, SetBurnInSendsTheCsvRowsItWouldHaveWritten) {
  const std::vector<std::string> burnIn = {"--repeat", "5", "--verify-every", "2", "set", "wheelA.filter=3",
                                           "wheelA.filter=0"};
  const fs::path dir = EmptyFolder("rack-child-burn-in");
  std::vector<std::string> written;
  {
    EmulatedController alone(Variant::kTriad);
    ASSERT_TRUE(alone.ready());
    std::vector<std::string> arguments = {"--port", alone.path(), "--csv", (dir / "alone.csv").string()};
    arguments.insert(arguments.end(), burnIn.begin(), burnIn.end());
    const CtlRun run = RunCtl(arguments);
    ASSERT_EQ(run.status, 0) << run.err;
    written = Lines(ReadFile(dir / "alone.csv"));
    ASSERT_GT(written.size(), 1u);
    written.erase(written.begin());  // the header
    fs::remove(dir / "alone.csv");
  }
  EmulatedController controller(Variant::kTriad);
  ASSERT_TRUE(controller.ready());
  std::vector<std::string> arguments = {"--port", controller.path(), "--csv", (dir / "x.csv").string(), "--report",
                                        (dir / "y.html").string()};
  arguments.insert(arguments.end(), burnIn.begin(), burnIn.end());
  const ChildRun child = RunAsRackChild(arguments);
  EXPECT_EQ(child.run.status, 0) << child.run.err;
  EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(child.run.out)).object()["verdict"].toString(),
            "passed")
      << child.run.out;
  EXPECT_TRUE(Empty(dir));

  const std::vector<QJsonObject>& records = child.records;
  ASSERT_GE(FirstOf(records, "variant"), 0);
  EXPECT_LT(FirstOf(records, "variant"), FirstOf(records, "progress"));
  EXPECT_LT(FirstOf(records, "configuration"), FirstOf(records, "progress"));
  ExpectWholeProgress(records, "rounds");
  std::vector<std::string> sent;
  for (const std::string& line : TextsOf(records, "csv")) {
    ASSERT_TRUE(line.ends_with('\n')) << line;
    sent.push_back(line.substr(0, line.size() - 1));
  }
  EXPECT_EQ(UntimedRows(sent), UntimedRows(written));
  ExpectReportSection(records, "Burn-in of the triad on " + controller.path());
}

TEST(RackChild, FastBurnInSendsFewProgressRecords) {
  EmulatedController controller(Variant::kTriad);
  ASSERT_TRUE(controller.ready());
  const ChildRun child = RunAsRackChild({"--port", controller.path(), "--repeat", "3000", "status"});
  EXPECT_EQ(child.run.status, 0) << child.run.err;
  ExpectWholeProgress(child.records, "rounds");
  // At most five a second, and the first and the last besides.
  const std::size_t progress = ValuesOf(child.records, "progress").size();
  EXPECT_LE(static_cast<double>(progress), child.wall.count() * 5 + 3) << child.wall.count() << " s";
}
