#include "check_report.h"

#include <QPainter>

#include <map>

#include "chart_drawing.h"
#include "svg_chart.h"
#include "time_figures.h"

namespace {

const QSize kChartSize(560, 300);

std::string Cell(const std::string& text, const char* cls = nullptr) {
  return std::string("<td") + (cls ? std::string(" class=\"") + cls + "\"" : "") + ">" + HtmlEscaped(text) + "</td>";
}

std::string RestoreText(const CheckResult& r) {
  if (!r.notIdentified.empty()) {
    return "The check ended before anything moved (" + r.notIdentified + "): " + r.restoreNote + ".";
  }
  return r.restored ? "The settings found were set again and verified by a last status query."
                    : "The restore was not verified: " + r.restoreNote;
}

std::string StepsTable(const CheckResult& r) {
  std::string html =
      "<table class=\"steps\">\n<tr><th>device</th><th>setting</th><th>value</th><th>sent</th><th>expected</th>"
      "<th>reported</th><th>result</th><th>ms</th><th>note</th></tr>\n";
  for (const CheckStep& s : r.steps) {
    const bool failed = s.result == StepResult::kFail;
    html += std::string("<tr") + (failed ? " class=\"failed\"" : "") + ">" + Cell(s.device) + Cell(s.setting) +
            Cell(s.value) + Cell(s.sent) + Cell(s.expected) + Cell(s.reported) +
            Cell(failed ? "FAIL" : StepResultName(s.result), failed ? "failed" : nullptr) + Cell(MsText(s.ms, "-")) +
            Cell(s.note) + "</tr>\n";
  }
  return html + "</table>\n";
}

std::string MoveCharts(const CheckResult& r) {
  std::string html;
  for (const WheelMoves& wheel : MoveSeries(r.steps)) {
    const QString title = QString::fromStdString(wheel.device) + QStringLiteral(": move time by distance");
    html += ChartSvg(kChartSize,
                     [&](QPainter& painter, const QRectF& area) { DrawMoveChart(painter, area, wheel); },
                     title.toStdString());
  }
  return html.empty() ? std::string() : "<h2>Move times</h2>\n<div class=\"charts\">\n" + html + "</div>\n";
}

int Count(const CheckResult& r, StepResult result) {
  int count = 0;
  for (const CheckStep& s : r.steps) count += s.result == result ? 1 : 0;
  return count;
}

}  // namespace

std::vector<WheelMoves> MoveSeries(const std::vector<CheckStep>& steps) {
  std::map<std::string, std::map<int, PointSeries>> wheels;
  for (const CheckStep& s : steps) {
    if (s.speed < 0 || s.ms < 0 || s.sent.empty()) continue;
    PointSeries& series = wheels[s.device][s.speed];
    series.name = QStringLiteral("speed %1").arg(s.speed);
    series.points.emplace_back(s.distance, s.ms);
  }
  std::vector<WheelMoves> moves;
  for (const auto& [wheel, speeds] : wheels) {
    moves.push_back({wheel, {}});
    for (const auto& [speed, points] : speeds) moves.back().speeds.push_back(points);
  }
  return moves;
}

void DrawMoveChart(QPainter& painter, const QRectF& area, const WheelMoves& wheel) {
  const QString title = QString::fromStdString(wheel.device) + QStringLiteral(": move time by distance");
  DrawPointSeries(painter, area, title, QStringLiteral("positions passed"), QStringLiteral("ms"), wheel.speeds);
}

std::string CheckReportHtml(const RunDescription& run, const CheckResult& r) {
  std::string html = ReportStart(run, "Check of the " + run.variant + " on " + run.port);
  if (!r.restored) html += "<p class=\"verdict failed\">" + HtmlEscaped(RestoreText(r)) + "</p>\n";
  html += std::string("<h2 class=\"verdict\">Verdict: ") + VerdictName(r.verdict) + "</h2>\n<p>" +
          std::to_string(Count(r, StepResult::kPass)) + " passed, " + std::to_string(Count(r, StepResult::kFail)) +
          " failed, " + std::to_string(Count(r, StepResult::kSkipped)) + " skipped; " +
          std::to_string(r.steps.size()) + " of " + std::to_string(r.planned) +
          " steps run. Times in milliseconds, from the command's first byte to the reply's last (a move's end); "
          "a move's distance is the positions the wheel passes, the shorter way round.</p>\n";
  html += "<h2>Steps</h2>\n" + StepsTable(r) + MoveCharts(r);
  html += "<h2>Restore</h2>\n<p>" + HtmlEscaped(RestoreText(r)) + "</p>\n";
  return html + ReportEnd();
}
