// The report page: well-formed, every setting's row and charts, nothing
// fetched from elsewhere, failures marked, and written whole.
#include <sys/stat.h>

#include <QString>
#include <algorithm>
#include <QXmlStreamReader>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <regex>
#include <sstream>
#include <vector>

#include "chart_drawing.h"
#include "record_entries.h"
#include "report_fixture.h"
#include "svg_chart.h"
#include "verdict_html.h"

namespace {

namespace fs = std::filesystem;

// What the page holds, as an XML reader finds it.
struct PageContent {
  std::vector<std::string> summaryRows;  // each row's first cell
  std::vector<std::string> sections;     // each setting section's heading
  std::map<std::string, int> svgsIn;     // per section heading, its <svg> elements
  int svgs = 0;
  std::vector<std::string> svgTexts;     // the text drawn in the charts
  std::vector<std::string> outside;      // elements and attributes that would fetch something
  std::string error;
};

PageContent Read(const std::string& html) {
  PageContent page;
  QXmlStreamReader xml(QString::fromStdString(html));
  std::string section;
  bool inSummary = false;
  bool firstCell = false;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      const QString name = xml.name().toString();
      const QString cls = xml.attributes().value("class").toString();
      for (const QXmlStreamAttribute& a : xml.attributes()) {
        const QString n = a.qualifiedName().toString();
        if ((n == "src" || n.endsWith("href")) && !a.value().startsWith('#')) page.outside.push_back(n.toStdString());
      }
      if (name == "link" || name == "script" || name == "img" || name == "iframe") page.outside.push_back(name.toStdString());
      if (name == "table") inSummary = cls == "summary";
      if (name == "tr") firstCell = true;
      if (name == "td" && inSummary && firstCell) {
        page.summaryRows.push_back(xml.readElementText().toStdString());
        firstCell = false;
      }
      if (name == "section") section = "?";
      if (name == "h2" && section == "?") {
        section = xml.readElementText().toStdString();
        page.sections.push_back(section);
      }
      if (name == "svg") {
        ++page.svgs;
        ++page.svgsIn[section];
      }
      if (name == "text") page.svgTexts.push_back(xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed().toStdString());
    }
    if (xml.isEndElement() && xml.name() == QLatin1String("section")) section.clear();
  }
  if (xml.hasError()) {
    page.error = xml.errorString().toStdString() + " at line " + std::to_string(xml.lineNumber());
  }
  return page;
}

bool Holds(const std::vector<std::string>& all, const std::string& one) {
  return std::find(all.begin(), all.end(), one) != all.end();
}

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(ReportTest, IsWellFormedWithEverySettingsRowAndTwoChartsEachAndNothingFetched) {
  const std::string html = ReportHtml(description, run, "failed");
  const PageContent page = Read(html);
  ASSERT_EQ(page.error, "");
  EXPECT_EQ(page.summaryRows, std::vector<std::string>(std::begin(kSettings), std::end(kSettings)));
  EXPECT_EQ(page.sections, std::vector<std::string>(std::begin(kSettings), std::end(kSettings)));
  EXPECT_EQ(page.svgs, 6);
  for (const char* setting : kSettings) EXPECT_EQ(page.svgsIn.at(setting), 2) << setting;
  EXPECT_EQ(page.outside, std::vector<std::string>{});
  EXPECT_TRUE(Holds(page.svgTexts, "wheelA.filter=9: reply time by round"));
  EXPECT_TRUE(Holds(page.svgTexts, "status: reply times"));
  EXPECT_TRUE(Holds(page.svgTexts, "round"));
  // The controller, its text escaped, and when the run was.
  EXPECT_NE(html.find("<pre>Wheel A: 10 filters &lt;25 mm&gt; &amp; &quot;fast&quot;\nWheel B"), std::string::npos);
  EXPECT_NE(html.find("<td>/dev/pts/7</td>"), std::string::npos);
  EXPECT_NE(html.find("<td>" + LocalTimeText(description.endedAt) + "</td>"), std::string::npos);
  EXPECT_NE(html.find("<td>korvel-ctl 1.0.0</td>"), std::string::npos);
  EXPECT_NE(html.find("<p>210 cycles, 2 failed."), std::string::npos);
}

// The report opens with its verdict and the failures, each with what was set
// and what came, before any chart; each mark says what it marks.
TEST_F(ReportTest, OpensWithTheVerdictAndTheFailuresBeforeAnyChart) {
  const std::string html = ReportHtml(description, run, "failed", "100 of 100 rounds, 2 failures");
  ASSERT_EQ(Read(html).error, "");
  const std::size_t banner = html.find("<div class=\"verdict failed\"><p class=\"verdict-name\">Verdict: failed</p>"
                                       "<p class=\"verdict-detail\">100 of 100 rounds, 2 failures</p></div>");
  const std::size_t mismatch = html.find(
      "<tr><td class=\"number\">40</td><td>wheelA.filter=9</td><td class=\"failed\">mismatch</td><td>9</td>"
      "<td class=\"message\">0</td><td class=\"number\">1320.0</td>");
  const std::size_t silent = html.find(
      "<tr><td class=\"number\">70</td><td>wheelA.filter=9</td><td class=\"failed\">no reply</td><td></td>"
      "<td class=\"message\">no reply within 1 s</td><td class=\"number\">-</td>");
  const std::size_t chart = html.find("<svg");
  EXPECT_LT(banner, mismatch);
  EXPECT_LT(mismatch, silent);
  EXPECT_LT(silent, chart);
  EXPECT_LT(html.find("<h2>Summary</h2>"), chart);
  const std::string series = TimeSeriesSvg({560, 300}, run.series()[1], "", run.failureRecords());
  EXPECT_NE(series.find("<title>1 mismatch, round 40: 0 (set 9)</title>"), std::string::npos);
  EXPECT_NE(series.find("<title>1 no reply, round 70: no reply within 1 s</title>"), std::string::npos);
  EXPECT_TRUE(Holds(Read(html).svgTexts, "× mismatch  ○ no reply"));
  // A run that passed: a banner of its own colour, and no failures.
  const std::string passed = ReportHtml(description, RunStatistics(), "passed");
  EXPECT_NE(passed.find("<div class=\"verdict passed\">"), std::string::npos);
  EXPECT_EQ(passed.find("<table class=\"failures\">"), std::string::npos);
}

// A run keeps its first failures and counts the rest: the table says how
// many more there were.
TEST(FailureTable, KeepsTheFirstAndCountsTheRest) {
  RunStatistics run;
  for (int r = 1; r <= 1500; ++r) {
    CycleRow row;
    row.round = r;
    row.setting = "status";
    FailureRecord cut;
    cut.kind = FailureKind::kBadReply;
    cut.reported = "cut short";
    run.add(row, cut);
  }
  EXPECT_EQ(run.failureRecords().size(), kMaxFailureRecords);
  EXPECT_EQ(run.failureCount(), 1500);
  EXPECT_EQ(run.failures(), 1500);
  const std::string table = FailureTableHtml(run.failureRecords(), run.failureCount());
  EXPECT_NE(table.find("<p class=\"more\">and 500 more,"), std::string::npos);
  EXPECT_EQ(FailureTableHtml({}, 0), "");
}

// Failures are marked in red on their setting's series only.
TEST_F(ReportTest, FailuresAreMarkedOnTheirSettingsSeries) {
  const auto seriesSvg = [&](std::size_t i) { return TimeSeriesSvg({560, 300}, run.series()[i], ""); };
  EXPECT_EQ(seriesSvg(0).find("#c81e1e"), std::string::npos);
  const std::string failing = seriesSvg(1);
  EXPECT_NE(failing.find("#c81e1e"), std::string::npos);
  EXPECT_EQ(failing.rfind("<svg", 0), 0u);  // no XML declaration to inline
}

// A long run is drawn per pixel column: its chart is no bigger for ten
// times the cycles.
TEST(Charts, ALongRunsSeriesDoesNotGrowWithItsLength) {
  const auto svgOf = [](int cycles) {
    RunStatistics run;
    for (int r = 1; r <= cycles; ++r) {
      CycleRow row;
      row.round = r;
      row.setting = "wheelA.filter=9";
      row.replyMs = 1000 + (r * 37 % 101);
      row.passed = true;
      run.add(row);
    }
    return ChartSvg({560, 300}, [&](QPainter& p, const QRectF& a) { DrawTimeSeries(p, a, run.series()[0]); }, "");
  };
  const std::size_t thousand = svgOf(1000).size();
  const std::size_t tenThousand = svgOf(10000).size();
  EXPECT_GT(thousand, 1000u);
  EXPECT_LT(tenThousand, thousand * 11 / 10);
}

// The failures' marks of a time series: each "N failed, ..." title's count.
std::vector<int> FailureCounts(const std::string& svg) {
  std::vector<int> counts;
  static const std::regex kTitle(
      "<title>([0-9]+) (mismatch|no reply|bad reply|refused|port gone|over the limit), rounds? [0-9]+( to [0-9]+)?"
      "(: [^<]*)?</title>");
  for (auto m = std::sregex_iterator(svg.begin(), svg.end(), kTitle); m != std::sregex_iterator(); ++m) {
    counts.push_back(std::stoi((*m)[1].str()));
  }
  return counts;
}

// A run whose every round failed: every third with no reply at all, the
// others over a limit of 1000 ms.
RunStatistics FailingRun(int cycles) {
  RunStatistics run;
  for (int r = 1; r <= cycles; ++r) {
    CycleRow row;
    row.round = r;
    row.setting = "wheelA.filter=9";
    row.replyMs = r % 3 == 0 ? -1 : 1000 + (r * 37 % 101);
    row.passed = false;
    FailureRecord failure;
    failure.kind = r % 3 == 0 ? FailureKind::kNoReply : FailureKind::kOverLimit;
    failure.reported = r % 3 == 0 ? "no reply" : MsText(row.replyMs) + " ms over the limit of 1000 ms";
    run.add(row, failure);
  }
  return run;
}

// Failures are folded into the chart's pixel columns as the times are: a
// page of ten times the failing rounds is no bigger, and its marks' titles
// still count every failure.
TEST(Charts, FailuresAreFoldedIntoColumnsAndEveryOneIsCounted) {
  const auto sizes = [](int cycles, std::size_t& svgSize, int& counted) {
    const RunStatistics run = FailingRun(cycles);
    const std::string svg = TimeSeriesSvg({560, 300}, run.series()[0], "");
    svgSize = svg.size();
    const std::vector<int> counts = FailureCounts(svg);
    counted = std::accumulate(counts.begin(), counts.end(), 0);
  };
  std::size_t few = 0;
  std::size_t many = 0;
  int fewCounted = 0;
  int manyCounted = 0;
  sizes(2000, few, fewCounted);
  sizes(20000, many, manyCounted);
  EXPECT_EQ(fewCounted, 2000);
  EXPECT_EQ(manyCounted, 20000);
  EXPECT_LT(many, few * 11 / 10) << "a run of 2000 failing rounds: " << few << " bytes, of 20000: " << many;
}

// A short run's failures each have a mark of their own, titled with their
// kind, round and message.
TEST_F(ReportTest, AShortRunsFailuresAreMarkedOneByOne) {
  const RunStatistics failing = FailingRun(12);
  const std::string svg = TimeSeriesSvg({560, 300}, failing.series()[0], "", failing.failureRecords());
  EXPECT_EQ(FailureCounts(svg), std::vector<int>(12, 1));
  EXPECT_NE(svg.find("<title>1 no reply, round 12: no reply</title>"), std::string::npos);
  EXPECT_NE(svg.find("<title>1 over the limit, round 11: 1003.0 ms over the limit of 1000 ms</title>"),
            std::string::npos);
  EXPECT_EQ(Read(ReportHtml(description, failing, "failed")).error, "");
}

// The report is made as any new file of the process: the umask decides who
// else may read it.
TEST_F(ReportTest, IsMadeWithTheProcesssUmask) {
  const std::string html = ReportHtml(description, run, "failed");
  for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{002}}) {
    const fs::path path = dir / ("umask-" + std::to_string(mask) + ".html");
    const mode_t before = umask(mask);
    const std::string failure = WriteReport(path, html);
    umask(before);
    ASSERT_EQ(failure, "");
    struct stat status {};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask) << "umask " << std::oct << mask;
  }
}

TEST_F(ReportTest, IsWrittenWholeNeverOverAFileOrNotAtAll) {
  const fs::path path = dir / "burn-in.html";
  const std::string html = ReportHtml(description, run, "failed");
  EXPECT_EQ(ReportPathProblem(path), "");
  ASSERT_EQ(WriteReport(path, html), "");
  EXPECT_EQ(Contents(path), html);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);  // no file left beside it
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::others_read, fs::perms::others_read);

  // An older report is kept, and no file is left beside it.
  const fs::path older = dir / "older.html";
  std::ofstream(older) << "an older report";
  EXPECT_EQ(ReportPathProblem(older), "The report " + older.string() + " exists; no report is written over a file.");
  EXPECT_EQ(WriteReport(older, html), "The report " + older.string() + " exists; no report is written over a file.");
  EXPECT_EQ(Contents(older), "an older report");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);

  const fs::path nowhere = dir / "missing" / "burn-in.html";
  EXPECT_EQ(WriteReport(nowhere, html),
            "The report cannot be written in " + nowhere.string() + ": No such file or directory.");
}

}  // namespace
