// The report in a real browser: headless Chromium reads every element and
// draws the page, charts and all. Skipped only where Chromium is missing
// (scripts/install-deps installs it).
#include <QColor>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "chromium_page.h"
#include "report_fixture.h"

namespace {

namespace fs = std::filesystem;

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// Pixels near a colour, for the charts' bars and lines (antialiasing blends
// their edges only).
int PixelsNear(const QImage& image, QColor colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
              std::abs(c.blue() - colour.blue()) < 24) {
        ++count;
      }
    }
  }
  return count;
}

TEST_F(ReportTest, ChromiumReadsEveryElementAndDrawsTheCharts) {
  if (!HaveChromium()) GTEST_SKIP() << "chromium is not installed";
  const fs::path page = dir / "burn-in.html";
  ASSERT_EQ(WriteReport(page, ReportHtml(description, run, "failed")), "");

  const std::string dom = Chromium(dir / "profile", "--dump-dom", page);
  ASSERT_NE(dom, "");
  EXPECT_EQ(Count(dom, "<svg"), 6);
  for (const char* setting : kSettings) {
    EXPECT_NE(dom.find(std::string("<td class=\"setting\">") + setting + "</td>"), std::string::npos) << setting;
  }

  const fs::path png = dir / "burn-in.png";
  Chromium(dir / "profile", "--screenshot='" + png.string() + "'", page);
  QImage image(QString::fromStdString(png.string()));
  ASSERT_FALSE(image.isNull()) << "no screenshot";
  image = image.convertToFormat(QImage::Format_RGB32);
  const int white = PixelsNear(image, Qt::white);
  const int all = image.width() * image.height();
  EXPECT_LT(white, all * 97 / 100) << "the page is (nearly) blank";
  // Text in the page's ink, the series' blue of the bars and lines, and the
  // red of the failures.
  EXPECT_GT(PixelsNear(image, QColor(0x22, 0x22, 0x22)), 5000);
  EXPECT_GT(PixelsNear(image, QColor(0x1f, 0x5f, 0xa8)), 2000);
  EXPECT_GT(PixelsNear(image, QColor(0xc8, 0x1e, 0x1e)), 10);
}

}  // namespace
