// The rack's report page: well-formed, the controllers that did not pass
// first in its overview, each overview row linking to its controller's
// section, what the user or a controller wrote escaped, and a controller
// whose report did not come named as such.
#include <gtest/gtest.h>

#include <QXmlStreamReader>

#include <map>
#include <string>
#include <vector>

#include "rack_report.h"

namespace {

struct OverviewRow {
  std::string rowClass;
  std::string href;
  std::string port;
};

struct RackPage {
  std::string error;
  std::vector<OverviewRow> overview;
  std::map<std::string, std::string> sectionPorts;  // id: the heading
  std::map<std::string, std::string> sectionTexts;  // id: its text
  std::vector<std::string> elements;
  std::string banner;
};

RackPage Parsed(const std::string& html) {
  RackPage page;
  QXmlStreamReader xml(QString::fromStdString(html));
  std::string table;
  std::string section;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isEndElement() && xml.name() == QLatin1String("section")) section.clear();
    if (xml.isCharacters() && !section.empty()) page.sectionTexts[section] += xml.text().toString().toStdString();
    if (!xml.isStartElement()) continue;
    const std::string name = xml.name().toString().toStdString();
    const std::string cls = xml.attributes().value("class").toString().toStdString();
    page.elements.push_back(name);
    if (name == "table") table = cls;
    if (name == "tr" && table.starts_with("overview")) page.overview.push_back({cls, {}, {}});
    if (name == "a" && table.starts_with("overview") && !page.overview.empty()) {
      page.overview.back().href = xml.attributes().value("href").toString().toStdString();
      page.overview.back().port = xml.readElementText().toStdString();
    }
    if (name == "section") section = xml.attributes().value("id").toString().toStdString();
    if (name == "h2" && !section.empty()) page.sectionPorts[section] = xml.readElementText().toStdString();
    if (name == "div" && cls.starts_with("verdict ")) {
      page.banner = cls + ": " + xml.readElementText(QXmlStreamReader::IncludeChildElements).toStdString();
    }
  }
  if (xml.hasError()) page.error = xml.errorString().toStdString() + " at line " + std::to_string(xml.lineNumber());
  return page;
}

const std::string kHostile = "<b>&\"";

}  // namespace

TEST(RackReport, OverviewLinksEachControllerToItsSectionTheFailedFirst) {
  const std::vector<RackRow> rows{
      {"/dev/pts/1", "Triad", "rack 1", "passed", "passed", "0", "1 min 2 s", ""},
      {"/dev/pts/" + kHostile, "Mono", kHostile, "failed", "failed", "3", "58 s", kHostile},
      {"/dev/pts/3", "", "", "no reply", "silent", "0", "4 s", "the controller did not answer the on-line byte"},
  };
  const std::vector<std::string> sections{"<div class=\"run\">\n<h3>Check of the Triad</h3>\n<p>first</p>\n</div>\n",
                                          "<div class=\"run\">\n<p>second</p>\n</div>\n", ""};
  RackDescription rack;
  rack.operatorName = kHostile;
  rack.note = kHostile;
  const std::string html = RackReportHtml("Check of 3 " + kHostile, rack, rows, sections);
  const RackPage page = Parsed(html);
  ASSERT_EQ(page.error, "");

  // Marked and first: the failed, the silent, then the passed.
  ASSERT_EQ(page.overview.size(), 4u);  // the heading's row first
  EXPECT_EQ(page.overview[1].rowClass, "failed");
  EXPECT_EQ(page.overview[1].port, "/dev/pts/" + kHostile);
  EXPECT_EQ(page.overview[2].rowClass, "silent");
  EXPECT_EQ(page.overview[3].rowClass, "");
  EXPECT_EQ(page.overview[3].port, "/dev/pts/1");
  for (std::size_t i = 1; i < page.overview.size(); ++i) {
    const std::string id = page.overview[i].href.substr(1);
    ASSERT_TRUE(page.sectionPorts.contains(id)) << page.overview[i].href;
    EXPECT_EQ(page.sectionPorts.at(id), page.overview[i].port);
  }
  EXPECT_EQ(page.banner, "verdict failed: Verdict: failed1 of 3 passed");

  // The fragments as they came, in the rows' order; an empty one says so.
  EXPECT_NE(page.sectionTexts.at("controller-1").find("first"), std::string::npos);
  EXPECT_NE(page.sectionTexts.at("controller-2").find("second"), std::string::npos);
  EXPECT_NE(page.sectionTexts.at("controller-3").find(
                "No report came from this controller: the controller did not answer the on-line byte"),
            std::string::npos);
  // The user's and the controllers' texts are text, never markup.
  EXPECT_EQ(std::count(page.elements.begin(), page.elements.end(), "b"), 0);
  EXPECT_NE(html.find("&lt;b&gt;&amp;&quot;"), std::string::npos);
}

TEST(RackReport, BannerSaysStoppedWhenAnyControllerWasStoppedAndPassedOnlyWhenAllPassed) {
  const RackRow passed{"/dev/pts/1", "Triad", "", "passed", "passed", "0", "1 s", ""};
  const RackRow stopped{"/dev/pts/2", "Triad", "", "stopped", "stopped", "0", "1 s", "stopped by SIGINT"};
  struct Case {
    std::vector<RackRow> rows;
    std::string banner;
  } const cases[] = {
      {{passed, passed}, "verdict passed: Verdict: passed2 of 2 passed"},
      {{passed, stopped}, "verdict stopped: Verdict: stopped1 of 2 passed"},
      {{}, "verdict failed: Verdict: failed0 of 0 passed"},
  };
  for (const Case& c : cases) {
    const RackPage page = Parsed(RackReportHtml("Check", {}, c.rows, {}));
    EXPECT_EQ(page.error, "");
    EXPECT_EQ(page.banner, c.banner);
  }
}
