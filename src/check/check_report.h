// A check's report: one self-contained HTML page with the controller, the
// verdict first (a restore that failed before it), then the failures (the
// failed steps, the drifts between wheels over the limit), then the table of
// every step, a chart per wheel of move time against distance with one
// series per speed, all wheels on one time scale, and the restore's outcome.
// Needs a QGuiApplication, for the charts' text.
#pragma once

#include <string>
#include <vector>

#include "chart_drawing.h"

#include "controller_check.h"
#include "html_report.h"

std::string CheckReportHtml(const RunDescription& run, const CheckResult& result);
// The same, as a section of a rack's report (RunSectionHtml).
std::string CheckReportSectionHtml(const RunDescription& run, const CheckResult& result);

// Per wheel, each speed's moves as (positions passed, ms), and the time
// range of every wheel's moves, which all the wheels' charts share: the
// report's charts and the window's.
struct WheelMoves {
  std::string device;
  std::vector<PointSeries> speeds;
  SharedRange allWheelsMs;
};
std::vector<WheelMoves> MoveSeries(const std::vector<CheckStep>& steps);
PointChart MoveChart(const WheelMoves& wheel);
void DrawMoveChart(QPainter& painter, const QRectF& area, const WheelMoves& wheel);
