#include "chart_drawing.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "chart_scale.h"

namespace {

// Colours that print on white and that a red-green weak eye tells apart.
const QColor kInk(0x22, 0x22, 0x22);
const QColor kGrid(0xdd, 0xdd, 0xdd);
const QColor kSeries(0x1f, 0x5f, 0xa8);
const QColor kFailure(0xc8, 0x1e, 0x1e);

// Room around the plot for the title and the axes' labels, in pixels.
constexpr double kTitleHeight = 22;
constexpr double kLeftMargin = 58;
constexpr double kBottomMargin = 34;
constexpr double kRightMargin = 14;
constexpr int kFontPixels = 11;
constexpr int kTicks = 5;
// Up to this many points the series is a line through its points.
constexpr int kMostPointsDrawn = 400;
constexpr double kLeastTimeSpan = 0.1;

QString Number(double value) { return QString::number(value, 'g', 6); }

QRectF PlotOf(const QRectF& area) {
  return area.adjusted(kLeftMargin, kTitleHeight, -kRightMargin, -kBottomMargin);
}

void SetFont(QPainter& painter, bool bold) {
  QFont font(QStringLiteral("sans-serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(kFontPixels);
  font.setBold(bold);
  painter.setFont(font);
}

void DrawTitle(QPainter& painter, const QRectF& area, const QString& title) {
  SetFont(painter, true);
  painter.setPen(kInk);
  // Over the plot's left edge: the right is the failures' key.
  painter.drawText(QRectF(area.left() + kLeftMargin, area.top(), area.width() - kLeftMargin, kTitleHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, title);
  SetFont(painter, false);
}

// The vertical axis: grid lines and labels at the ticks, its name beside.
void DrawValueAxis(QPainter& painter, const QRectF& plot, const AxisScale& y, const QString& name) {
  for (double tick : y.ticks()) {
    const double at = plot.bottom() - y.fraction(tick) * plot.height();
    painter.setPen(kGrid);
    painter.drawLine(QPointF(plot.left(), at), QPointF(plot.right(), at));
    painter.setPen(kInk);
    painter.drawText(QRectF(plot.left() - kLeftMargin, at - 8, kLeftMargin - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                     Number(tick));
  }
  painter.save();
  painter.translate(plot.left() - kLeftMargin + 2, plot.center().y());
  painter.rotate(-90);
  painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), 14), Qt::AlignHCenter | Qt::AlignTop, name);
  painter.restore();
}

// The horizontal axis: tick marks and labels below the plot, its name under them.
void DrawCategoryAxis(QPainter& painter, const QRectF& plot, const AxisScale& x, const QString& name) {
  painter.setPen(kInk);
  painter.drawLine(plot.bottomLeft(), plot.bottomRight());
  painter.drawLine(plot.bottomLeft(), plot.topLeft());
  for (double tick : x.ticks()) {
    const double at = plot.left() + x.fraction(tick) * plot.width();
    painter.drawLine(QPointF(at, plot.bottom()), QPointF(at, plot.bottom() + 4));
    painter.drawText(QRectF(at - 40, plot.bottom() + 4, 80, 14), Qt::AlignHCenter | Qt::AlignTop, Number(tick));
  }
  painter.drawText(QRectF(plot.left(), plot.bottom() + 18, plot.width(), 14), Qt::AlignHCenter | Qt::AlignTop, name);
}

struct Range {
  double low = 0;
  double high = 0;
  bool any = false;
};

Range TimeRange(const SettingSeries& s) {
  Range r;
  for (float ms : s.replyMs) {
    if (std::isnan(ms)) continue;
    r.low = r.any ? std::min<double>(r.low, ms) : ms;
    r.high = r.any ? std::max<double>(r.high, ms) : ms;
    r.any = true;
  }
  return r;
}

// The times' range, but at least a tenth of the longest time, so that a
// jitter of a millisecond does not fill the chart as a drift would.
AxisScale TimeScale(const Range& r) {
  double low = r.any ? r.low : 0;
  double high = r.any ? r.high : 1;
  const double least = high * kLeastTimeSpan;
  if (high - low < least) {
    const double middle = (low + high) / 2;
    low = middle - least / 2;
    high = middle + least / 2;
  }
  AxisScale y = NiceScale(std::max(0.0, low), high, kTicks);
  y.low = std::max(0.0, y.low);
  return y;
}

// The kinds of failure in the order the key names them.
constexpr FailureKind kMarkedKinds[] = {FailureKind::kMismatch, FailureKind::kOverLimit, FailureKind::kBadReply,
                                        FailureKind::kRefused,  FailureKind::kNoReply,   FailureKind::kPortGone};

// Each kind of failure the series holds, with its mark.
void DrawFailureKey(QPainter& painter, const QRectF& plot, const SettingSeries& s) {
  QString key;
  for (FailureKind kind : kMarkedKinds) {
    if (std::find(s.failure.begin(), s.failure.end(), kind) == s.failure.end()) continue;
    key += QStringLiteral("  ") + QString::fromUtf8(FailureGlyph(kind)) + QStringLiteral(" ") +
           QString::fromUtf8(FailureKindName(kind));
  }
  painter.setPen(kFailure);
  painter.drawText(QRectF(plot.left(), plot.top() - kTitleHeight, plot.width(), kTitleHeight),
                   Qt::AlignRight | Qt::AlignVCenter, key.trimmed());
}

// Where a time series stands in its area.
struct SeriesScales {
  QRectF plot;
  AxisScale x;  // rounds
  AxisScale y;  // milliseconds
};

SeriesScales ScalesOf(const QRectF& area, const SettingSeries& s) {
  const double first = s.rounds.empty() ? 1 : s.rounds.front();
  const double last = s.rounds.empty() ? 1 : s.rounds.back();
  return {PlotOf(area), NiceScale(first, last, kTicks), TimeScale(TimeRange(s))};
}

// Each cycle's point; one that got no reply on the round axis.
std::vector<QPointF> PointsOf(const SeriesScales& scales, const SettingSeries& s) {
  std::vector<QPointF> points;
  points.reserve(s.rounds.size());
  for (std::size_t i = 0; i < s.rounds.size(); ++i) {
    const double ms = std::isnan(s.replyMs[i]) ? scales.y.low : s.replyMs[i];
    points.emplace_back(scales.plot.left() + scales.x.fraction(s.rounds[i]) * scales.plot.width(),
                        scales.plot.bottom() - scales.y.fraction(ms) * scales.plot.height());
  }
  return points;
}

int ColumnCount(const QRectF& plot) { return std::max(1, static_cast<int>(plot.width())); }

std::size_t ColumnOf(const QRectF& plot, QPointF point, int columns) {
  return static_cast<std::size_t>(std::clamp(static_cast<int>(point.x() - plot.left()), 0, columns - 1));
}

// The failures that fell in one pixel column.
struct FailedColumn {
  int count = 0;
  uint32_t first = 0;
  uint32_t last = 0;
  double top = 0;  // the highest of their points: the smallest y

  void add(uint32_t round, double y) {
    first = count == 0 ? round : std::min(first, round);
    last = count == 0 ? round : std::max(last, round);
    top = count == 0 ? y : std::min(top, y);
    ++count;
  }
  std::string title(FailureKind kind) const {
    const std::string rounds = first == last ? "round " + std::to_string(first)
                                             : "rounds " + std::to_string(first) + " to " + std::to_string(last);
    return std::to_string(count) + " " + FailureKindName(kind) + ", " + rounds;
  }
};

// The message of the first kept failure a mark stands for.
std::string FirstMessage(const std::vector<FailureRecord>& records, const std::string& setting, FailureKind kind,
                         const FailedColumn& column) {
  for (const FailureRecord& r : records) {
    if (r.kind == kind && r.setting == setting && r.round >= column.first && r.round <= column.last) {
      return r.expected.empty() ? r.reported : r.reported + " (set " + r.expected + ")";
    }
  }
  return {};
}

// Each pixel column's lowest to highest time, for a run too long to draw
// point by point.
void DrawColumns(QPainter& painter, const SettingSeries& s, const std::vector<QPointF>& points,
                 const QRectF& plot) {
  const int columns = ColumnCount(plot);
  std::vector<Range> column(static_cast<std::size_t>(columns));
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (std::isnan(s.replyMs[i])) continue;
    const std::size_t c = ColumnOf(plot, points[i], columns);
    Range& r = column[c];
    r.low = r.any ? std::min(r.low, points[i].y()) : points[i].y();
    r.high = r.any ? std::max(r.high, points[i].y()) : points[i].y();
    r.any = true;
  }
  painter.setPen(QPen(kSeries, 1));
  for (std::size_t c = 0; c < column.size(); ++c) {
    if (!column[c].any) continue;
    const double x = plot.left() + static_cast<double>(c) + 0.5;
    painter.drawLine(QPointF(x, column[c].low - 0.5), QPointF(x, column[c].high + 0.5));
  }
}

void DrawLine(QPainter& painter, const SettingSeries& s, const std::vector<QPointF>& points) {
  QPolygonF line;
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (!std::isnan(s.replyMs[i])) line << points[i];
  }
  painter.setPen(QPen(kSeries, 1.2));
  painter.drawPolyline(line);
  painter.setBrush(kSeries);
  painter.setPen(Qt::NoPen);
  for (const QPointF& p : line) painter.drawEllipse(p, 1.8, 1.8);
  painter.setBrush(Qt::NoBrush);
}

}  // namespace

void DrawTimeSeries(QPainter& painter, const QRectF& area, const SettingSeries& s) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(area, Qt::white);
  DrawTitle(painter, area, QString::fromStdString(s.setting) + QStringLiteral(": reply time by round"));
  const SeriesScales scales = ScalesOf(area, s);
  DrawValueAxis(painter, scales.plot, scales.y, QStringLiteral("ms"));
  DrawCategoryAxis(painter, scales.plot, scales.x, QStringLiteral("round"));
  const std::vector<QPointF> points = PointsOf(scales, s);
  if (s.count() <= kMostPointsDrawn) {
    DrawLine(painter, s, points);
  } else {
    DrawColumns(painter, s, points, scales.plot);
  }
  if (s.failures > 0) DrawFailureKey(painter, scales.plot, s);
  painter.restore();
}

const char* FailureGlyph(FailureKind kind) {
  switch (kind) {
    case FailureKind::kNoReply:
      return "○";
    case FailureKind::kBadReply:
      return "◇";
    case FailureKind::kRefused:
      return "□";
    case FailureKind::kPortGone:
      return "■";
    case FailureKind::kOverLimit:
      return "△";
    default:
      return "×";
  }
}

std::vector<ChartMark> FailureMarks(const QRectF& area, const SettingSeries& s,
                                    const std::vector<FailureRecord>& records) {
  const SeriesScales scales = ScalesOf(area, s);
  const std::vector<QPointF> points = PointsOf(scales, s);
  const int columns = ColumnCount(scales.plot);
  std::vector<ChartMark> marks;
  for (FailureKind kind : kMarkedKinds) {
    if (std::find(s.failure.begin(), s.failure.end(), kind) == s.failure.end()) continue;
    std::vector<FailedColumn> failed(static_cast<std::size_t>(columns));
    for (std::size_t i = 0; i < points.size(); ++i) {
      if (s.failure[i] == kind) failed[ColumnOf(scales.plot, points[i], columns)].add(s.rounds[i], points[i].y());
    }
    for (std::size_t c = 0; c < failed.size(); ++c) {
      if (failed[c].count == 0) continue;
      const std::string message = FirstMessage(records, s.setting, kind, failed[c]);
      marks.push_back({QPointF(scales.plot.left() + static_cast<double>(c) + 0.5, failed[c].top), kFailure,
                       failed[c].title(kind) + (message.empty() ? "" : ": " + message), kind});
    }
  }
  return marks;
}

void DrawHistogram(QPainter& painter, const QRectF& area, const SettingSeries& s) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(area, Qt::white);
  DrawTitle(painter, area, QString::fromStdString(s.setting) + QStringLiteral(": reply times"));
  const QRectF plot = PlotOf(area);
  const Range r = TimeRange(s);
  // Bins of a round width, about 20 over the times seen.
  const AxisScale x = NiceScale(r.any ? r.low : 0, r.any ? r.high : 1, 20);
  const int bins = std::max(1, static_cast<int>(std::round((x.high - x.low) / x.step)));
  std::vector<int> counts(static_cast<std::size_t>(bins), 0);
  for (float ms : s.replyMs) {
    if (std::isnan(ms)) continue;
    const int bin = std::clamp(static_cast<int>((ms - x.low) / x.step), 0, bins - 1);
    ++counts[static_cast<std::size_t>(bin)];
  }
  const int most = counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
  const AxisScale y = CountScale(most, kTicks);
  DrawValueAxis(painter, plot, y, QStringLiteral("cycles"));
  // Labels at rounder values than the bins' edges, on the same range.
  const AxisScale labels{x.low, x.high, NiceScale(x.low, x.high, kTicks).step};
  DrawCategoryAxis(painter, plot, labels, QStringLiteral("ms"));
  painter.setPen(QPen(Qt::white, 0.5));
  painter.setBrush(kSeries);
  const double barWidth = plot.width() / bins;
  for (int b = 0; b < bins; ++b) {
    const double height = y.fraction(counts[static_cast<std::size_t>(b)]) * plot.height();
    if (height > 0) painter.drawRect(QRectF(plot.left() + b * barWidth, plot.bottom() - height, barWidth, height));
  }
  painter.restore();
}

namespace {

// Eight colours that stand out on white (a contrast of 3:1 or more) and that
// a red-green weak eye tells apart, in order: one per speed. No yellow: it
// vanishes on white and on paper.
const QColor kSeriesColours[] = {QColor(0x00, 0x72, 0xb2), QColor(0xd5, 0x5e, 0x00), QColor(0x00, 0x9e, 0x73),
                                 QColor(0xcc, 0x79, 0xa7), QColor(0x33, 0x22, 0x88), QColor(0x8c, 0x51, 0x0a),
                                 QColor(0x55, 0x55, 0x55), QColor(0x88, 0x22, 0x55)};
static_assert(std::size(kSeriesColours) == kSeriesColourCount);
// Each series' marker, so that series stay apart where colours do not.
enum class Marker { kCircle, kSquare, kTriangle, kDiamond };
constexpr Marker kMarkers[] = {Marker::kCircle, Marker::kSquare, Marker::kTriangle, Marker::kDiamond};
constexpr double kMarkerRadius = 2.8;
// The key's column right of the plot: "speed" over "● 7".
constexpr double kKeyWidth = 52;
constexpr double kKeyLine = 14;
// The series of one category share at most this much of its slot, and stand
// at most this far apart, so that a slot's points still read as one distance.
constexpr double kSlotShare = 0.6;
constexpr double kMostSpread = 9;

Range RangeOf(const std::vector<PointSeries>& series, bool x) {
  Range r;
  for (const PointSeries& s : series) {
    for (const QPointF& p : s.points) {
      const double v = x ? p.x() : p.y();
      r.low = r.any ? std::min(r.low, v) : v;
      r.high = r.any ? std::max(r.high, v) : v;
      r.any = true;
    }
  }
  return r;
}

// Whole categories, each a slot one wide with its tick in the middle, so that
// the first and the last stand half a slot inside the plot.
AxisScale CategoryScale(const Range& r) {
  const double low = r.any ? std::floor(r.low) : 0;
  const double high = r.any ? std::ceil(r.high) : 0;
  return {low - 0.5, high + 0.5, 1};
}

void DrawMarker(QPainter& painter, QPointF at, Marker marker) {
  const double r = kMarkerRadius;
  switch (marker) {
    case Marker::kCircle:
      painter.drawEllipse(at, r, r);
      return;
    case Marker::kSquare:
      painter.drawRect(QRectF(at.x() - r * 0.9, at.y() - r * 0.9, r * 1.8, r * 1.8));
      return;
    case Marker::kTriangle:
      painter.drawPolygon(QPolygonF({at + QPointF(0, -r * 1.2), at + QPointF(r * 1.1, r * 0.8),
                                     at + QPointF(-r * 1.1, r * 0.8)}));
      return;
    case Marker::kDiamond:
      painter.drawPolygon(QPolygonF({at + QPointF(0, -r * 1.3), at + QPointF(r * 1.1, 0), at + QPointF(0, r * 1.3),
                                     at + QPointF(-r * 1.1, 0)}));
      return;
  }
}

Marker MarkerOf(std::size_t index) { return kMarkers[index % std::size(kMarkers)]; }

// Right of the plot: the key's title, then a line per series.
void DrawKey(QPainter& painter, const QRectF& key, const PointChart& chart) {
  painter.setPen(kInk);
  painter.drawText(QRectF(key.left(), key.top(), key.width(), kKeyLine), Qt::AlignLeft | Qt::AlignVCenter,
                   chart.keyTitle);
  for (std::size_t i = 0; i < chart.series.size(); ++i) {
    const double top = key.top() + kKeyLine * static_cast<double>(i + 1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(SeriesColour(i));
    DrawMarker(painter, QPointF(key.left() + 5, top + kKeyLine / 2), MarkerOf(i));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(kInk);
    painter.drawText(QRectF(key.left() + 13, top, key.width() - 13, kKeyLine), Qt::AlignLeft | Qt::AlignVCenter,
                     chart.series[i].name);
  }
}

}  // namespace

QColor SeriesColour(std::size_t index) { return kSeriesColours[index % std::size(kSeriesColours)]; }

PointLayout LayOutPoints(const QRectF& area, const PointChart& chart) {
  PointLayout layout;
  layout.plot = PlotOf(area).adjusted(0, 0, -kKeyWidth, 0);
  layout.key = QRectF(layout.plot.right() + 8, layout.plot.top(), kKeyWidth - 8 + kRightMargin, layout.plot.height());
  layout.x = CategoryScale(RangeOf(chart.series, true));
  const Range own = RangeOf(chart.series, false);
  layout.y = TimeScale(chart.sharedMs.any() ? Range{chart.sharedMs.low, chart.sharedMs.high, true} : own);
  const double slot = layout.plot.width() / (layout.x.high - layout.x.low);
  const double n = static_cast<double>(chart.series.size());
  const double spread = std::min(slot * kSlotShare / std::max(n, 1.0), kMostSpread);
  for (std::size_t i = 0; i < chart.series.size(); ++i) {
    const double offset = (static_cast<double>(i) - (n - 1) / 2) * spread;
    std::vector<QPointF> sorted = chart.series[i].points;
    std::sort(sorted.begin(), sorted.end(), [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
    std::vector<QPointF>& placed = layout.points.emplace_back();
    for (const QPointF& p : sorted) {
      placed.emplace_back(layout.plot.left() + layout.x.fraction(p.x()) * layout.plot.width() + offset,
                          layout.plot.bottom() - layout.y.fraction(p.y()) * layout.plot.height());
    }
  }
  return layout;
}

void DrawPointSeries(QPainter& painter, const QRectF& area, const PointChart& chart) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(area, Qt::white);
  DrawTitle(painter, area, chart.title);
  const PointLayout layout = LayOutPoints(area, chart);
  DrawValueAxis(painter, layout.plot, layout.y, chart.yName);
  DrawCategoryAxis(painter, layout.plot, layout.x, chart.xName);
  for (std::size_t i = 0; i < layout.points.size(); ++i) {
    const QColor colour = SeriesColour(i);
    painter.setPen(QPen(colour, 1.2));
    painter.drawPolyline(QPolygonF(QList<QPointF>(layout.points[i].begin(), layout.points[i].end())));
    painter.setBrush(colour);
    painter.setPen(Qt::NoPen);
    for (const QPointF& p : layout.points[i]) DrawMarker(painter, p, MarkerOf(i));
    painter.setBrush(Qt::NoBrush);
  }
  DrawKey(painter, layout.key, chart);
  painter.restore();
}
