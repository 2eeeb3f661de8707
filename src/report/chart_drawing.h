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

// Points of one series of a scatter chart: x, y.
struct PointSeries {
  QString name;
  std::vector<QPointF> points;
};

// Each series' points joined in x order, in a colour of its own, with a key
// of the series' names: a check's move time against distance, one series
// per speed.
void DrawPointSeries(QPainter& painter, const QRectF& area, const QString& title, const QString& xName,
                     const QString& yName, const std::vector<PointSeries>& series);

// How often each reply time came: bars of counts over round time bins.
void DrawHistogram(QPainter& painter, const QRectF& area, const SettingSeries& series);
