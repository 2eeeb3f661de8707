#include "check_report.h"

#include <QPainter>

#include <algorithm>
#include <map>

#include "chart_drawing.h"
#include "check_failures.h"
#include "failure_record.h"
#include "svg_chart.h"
#include "time_figures.h"
#include "verdict_html.h"
#include "wheel_drift.h"

namespace {

const QSize kChartSize(560, 300);

std::string Cell(const std::string& text, const char* cls = nullptr) {
  return std::string("<td") + (cls ? std::string(" class=\"") + cls + "\"" : "") + ">" + HtmlEscaped(text) + "</td>";
}

std::string Row(const std::vector<std::string>& cells) {
  std::string html = "<tr>";
  for (const std::string& cell : cells) html += Cell(cell);
  return html + "</tr>\n";
}

std::string HeadingRow(const std::vector<const char*>& headings) {
  std::string html = "<tr>";
  for (const char* heading : headings) html += std::string("<th>") + heading + "</th>";
  return html + "</tr>\n";
}

std::string RestoreText(const CheckResult& r) {
  if (!r.notIdentified.empty()) {
    return "The check ended before anything moved (" + r.notIdentified + "): " + r.restoreNote + ".";
  }
  return r.restored ? "The settings found were set again and verified by a last status query."
                    : "The restore was not verified: " + r.restoreNote;
}

int Count(const CheckResult& r, StepResult result) {
  int count = 0;
  for (const CheckStep& s : r.steps) count += s.result == result ? 1 : 0;
  return count;
}

std::string LimitText(double limit, const char* unit) {
  return limit > 0 ? QString::number(limit, 'g', 10).toStdString() + unit : std::string("none");
}

std::string CountsText(const CheckResult& r) {
  return "<p>" + std::to_string(Count(r, StepResult::kPass)) + " passed, " +
         std::to_string(Count(r, StepResult::kFail)) + " failed, " + std::to_string(Count(r, StepResult::kSkipped)) +
         " skipped; " + std::to_string(r.steps.size()) + " of " + std::to_string(r.planned) +
         " steps run. Limits: a move at most " + LimitText(r.maxMs, " ms") + "; wheels at most " +
         LimitText(r.maxDriftPercent, " %") + " apart. Times in milliseconds, from the command's first byte to the "
         "reply's last (a move's end); a move's distance is the positions the wheel passes, the shorter way "
         "round.</p>\n";
}

// The failed steps in the rows the burn-in's report lists its failures in;
// a check keeps every one and takes no time of day.
std::vector<FailureRecord> FailureRecords(const CheckResult& r) {
  std::vector<FailureRecord> records;
  for (const CheckFailure& f : FailuresOf(r)) {
    records.push_back({f.step, f.setting, FailureKind::kNone, f.expected, ReportedOrMessage(f), f.ms, {}});
  }
  return records;
}

std::string DriftTable(const CheckResult& r) {
  std::string html = "<table class=\"drifts\">\n" +
                     HeadingRow({"slower wheel", "faster wheel", "speed", "distance", "slower (ms)", "faster (ms)",
                                 "longer by (%)", "limit (%)"});
  for (const WheelDrift& d : r.drifts) {
    html += Row({d.slower, d.faster, std::to_string(d.speed), std::to_string(d.distance), MsText(d.slowerMs),
                 MsText(d.fasterMs), QString::number(d.percent, 'f', 1).toStdString(),
                 LimitText(r.maxDriftPercent, "")});
  }
  return html + "</table>\n";
}

// The failed steps, then the drifts over the limit: what a reader of a
// failed check looks for first.
std::string FailuresSection(const CheckResult& r) {
  const std::vector<FailureRecord> failures = FailureRecords(r);
  std::string html = FailureTableHtml(failures, static_cast<int64_t>(failures.size()), "step", false);
  if (!r.drifts.empty()) html += "<h2>Drift between wheels over the limit</h2>\n" + DriftTable(r);
  return html;
}

std::string StepsTable(const CheckResult& r) {
  std::string html = "<table class=\"steps\">\n" + HeadingRow({"step", "device", "setting", "value", "sent", "expected",
                                                               "reported", "result", "time (ms)", "note"});
  for (std::size_t i = 0; i < r.steps.size(); ++i) {
    const CheckStep& s = r.steps[i];
    const bool failed = s.result == StepResult::kFail;
    html += std::string("<tr") + (failed ? " class=\"failed\"" : "") + ">" + Cell(std::to_string(i + 1)) +
            Cell(s.device) + Cell(s.setting) + Cell(s.value) + Cell(s.sent) + Cell(s.expected) + Cell(s.reported) +
            Cell(failed ? "FAIL" : StepResultName(s.result), failed ? "failed" : nullptr) + Cell(MsText(s.ms, "-")) +
            Cell(s.note) + "</tr>\n";
  }
  return html + "</table>\n";
}

std::string MoveCharts(const CheckResult& r) {
  std::string html;
  for (const WheelMoves& wheel : MoveSeries(r.steps)) {
    const PointChart chart = MoveChart(wheel);
    html += ChartSvg(kChartSize, [&](QPainter& painter, const QRectF& area) { DrawPointSeries(painter, area, chart); },
                     chart.title.toStdString());
  }
  return html.empty() ? std::string()
                      : "<h2>Move times</h2>\n<p>Every wheel's chart on the same time scale.</p>\n"
                        "<div class=\"charts\">\n" + html + "</div>\n";
}

}  // namespace

std::vector<WheelMoves> MoveSeries(const std::vector<CheckStep>& steps) {
  std::map<std::string, std::map<int, PointSeries>> wheels;
  SharedRange all;
  for (const CheckStep& s : steps) {
    if (s.speed < 0 || s.ms < 0 || s.sent.empty()) continue;
    PointSeries& series = wheels[s.device][s.speed];
    series.name = QString::number(s.speed);
    series.points.emplace_back(s.distance, s.ms);
    all.low = all.any() ? std::min(all.low, s.ms) : s.ms;
    all.high = all.any() ? std::max(all.high, s.ms) : s.ms;
  }
  std::vector<WheelMoves> moves;
  for (const auto& [wheel, speeds] : wheels) {
    moves.push_back({wheel, {}, all});
    for (const auto& [speed, points] : speeds) moves.back().speeds.push_back(points);
  }
  return moves;
}

PointChart MoveChart(const WheelMoves& wheel) {
  return {QString::fromStdString(wheel.device) + QStringLiteral(": move time by distance"),
          QStringLiteral("positions passed"),
          QStringLiteral("ms"),
          QStringLiteral("speed"),
          wheel.speeds,
          wheel.allWheelsMs};
}

void DrawMoveChart(QPainter& painter, const QRectF& area, const WheelMoves& wheel) {
  DrawPointSeries(painter, area, MoveChart(wheel));
}

namespace {

std::string CheckTitle(const RunDescription& run) { return "Check of the " + run.variant + " on " + run.port; }

std::string CheckBody(const RunDescription& run, const CheckResult& r) {
  std::string html = ReportTop(run, CheckTitle(run));
  if (!r.restored) html += "<p class=\"verdict failed\">" + HtmlEscaped(RestoreText(r)) + "</p>\n";
  html += VerdictBannerHtml(VerdictName(r.verdict), "") + CountsText(r) + FailuresSection(r);
  html += "<h2>Steps</h2>\n" + StepsTable(r) + MoveCharts(r);
  html += "<h2>Restore</h2>\n<p>" + HtmlEscaped(RestoreText(r)) + "</p>\n";
  return html;
}

}  // namespace

std::string CheckReportHtml(const RunDescription& run, const CheckResult& r) {
  return ReportHead(CheckTitle(run)) + CheckBody(run, r) + ReportEnd();
}

std::string CheckReportSectionHtml(const RunDescription& run, const CheckResult& r) {
  return RunSectionHtml(CheckBody(run, r));
}
