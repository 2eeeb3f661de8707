// A check's report: one self-contained HTML page with the controller, the
// verdict first (a restore that failed before it), the table of steps with
// the failed ones marked, a chart per wheel of move time against distance
// with one series per speed, and the restore's outcome. Needs a
// QGuiApplication, for the charts' text.
#pragma once

#include <string>
#include <vector>

#include "chart_drawing.h"

#include "controller_check.h"
#include "html_report.h"

std::string CheckReportHtml(const RunDescription& run, const CheckResult& result);

// Per wheel, each speed's moves as (positions passed, ms): the report's
// charts and the window's.
struct WheelMoves {
  std::string device;
  std::vector<PointSeries> speeds;
};
std::vector<WheelMoves> MoveSeries(const std::vector<CheckStep>& steps);
void DrawMoveChart(QPainter& painter, const QRectF& area, const WheelMoves& wheel);
