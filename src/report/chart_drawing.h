// The charts of a run, drawn with a QPainter on any paint device: an SVG
// for the report (QSvgGenerator), a widget or an image in the window. One
// drawing code, so the window shows what the report shows.
//
// Text needs a QGuiApplication (for a program without a display, with the
// offscreen platform).
#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <string>
#include <vector>

#include "chart_scale.h"
#include "failure_record.h"
#include "run_statistics.h"

class QPainter;

// The setting's reply time in each cycle over the run, by round, and the
// key of its failures' marks when some failed ("× mismatch  ○ no reply");
// the failures themselves are the FailureMarks of the same area. A long run is drawn as each pixel column's
// lowest to highest time.
void DrawTimeSeries(QPainter& painter, const QRectF& area, const SettingSeries& series);

// A mark that stands over a chart, with the text a pointer over it shows.
// Its shape says what it marks (FailureGlyph).
struct ChartMark {
  QPointF at;
  QColor colour;
  std::string title;  // "3 mismatch, rounds 120 to 180: wheelA.filter: reported 0, set 9"
  FailureKind kind = FailureKind::kMismatch;
};

// The mark's shape of each kind of failure, as the chart's key writes it:
// "×" mismatch, "○" no reply, "◇" bad reply, "□" refused, "■" port gone,
// "△" over the limit.
const char* FailureGlyph(FailureKind kind);

// The series' failures folded into the time series' pixel columns as its
// times are, so that their number stays within the chart's width whatever
// the run's length: in each column, one mark for each kind of failure it
// holds, at the highest time among them (on the round axis when none got a
// reply). A mark's title counts them, names their rounds and gives the
// message of the first of them that records holds (a run's kept failures).
std::vector<ChartMark> FailureMarks(const QRectF& area, const SettingSeries& series,
                                    const std::vector<FailureRecord>& records = {});

// Points of one series of a chart of whole categories: x, y.
struct PointSeries {
  QString name;  // in the key: "3"
  std::vector<QPointF> points;
};

// A time range several charts share, so that their heights compare.
struct SharedRange {
  double low = 0;
  double high = -1;  // below low: none, each chart its own
  bool any() const { return high >= low; }
};

// Each series' points joined in x order, in a colour and a marker of its
// own, with a key of the series' names right of the plot: a check's move
// time against distance, one series per speed. x are whole categories (a
// distance), each a slot with its tick in the middle.
struct PointChart {
  QString title;
  QString xName;
  QString yName;
  QString keyTitle;  // over the key: "speed"
  std::vector<PointSeries> series;
  SharedRange sharedMs;  // the time axis's range, shared with other charts
};

// Where a point chart's parts stand in its area, in pixels. The series of a
// category stand side by side within its slot, so that none hides another
// and none sits on the plot's border.
struct PointLayout {
  QRectF plot;
  QRectF key;
  AxisScale x;
  AxisScale y;
  std::vector<std::vector<QPointF>> points;  // per series, in x order
};
PointLayout LayOutPoints(const QRectF& area, const PointChart& chart);
void DrawPointSeries(QPainter& painter, const QRectF& area, const PointChart& chart);

// The colour of the index'th series of a chart.
QColor SeriesColour(std::size_t index);
inline constexpr std::size_t kSeriesColourCount = 8;

// How often each reply time came: bars of counts over round time bins.
void DrawHistogram(QPainter& painter, const QRectF& area, const SettingSeries& series);
