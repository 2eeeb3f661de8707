#include "svg_chart.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>

namespace {

constexpr double kCross = 3.5;  // half the size of a mark's cross

std::string Coordinate(double value) { return QString::number(value, 'f', 1).toStdString(); }

std::string Escaped(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

// The mark's path, in the shape FailureGlyph names, around its point.
std::string MarkPath(const ChartMark& mark) {
  const double x = mark.at.x();
  const double y = mark.at.y();
  const auto at = [](double px, double py) { return Coordinate(px) + "," + Coordinate(py); };
  const double d = kCross;
  switch (mark.kind) {
    case FailureKind::kNoReply:  // a circle of two arcs
      return "M" + at(x - d, y) + " A" + Coordinate(d) + "," + Coordinate(d) + " 0 1,0 " + at(x + d, y) + " A" +
             Coordinate(d) + "," + Coordinate(d) + " 0 1,0 " + at(x - d, y) + " Z";
    case FailureKind::kBadReply:
      return "M" + at(x, y - d) + " L" + at(x + d, y) + " L" + at(x, y + d) + " L" + at(x - d, y) + " Z";
    case FailureKind::kRefused:
    case FailureKind::kPortGone:
      return "M" + at(x - d, y - d) + " L" + at(x + d, y - d) + " L" + at(x + d, y + d) + " L" + at(x - d, y + d) +
             " Z";
    case FailureKind::kOverLimit:
      return "M" + at(x, y - d) + " L" + at(x + d, y + d) + " L" + at(x - d, y + d) + " Z";
    default:
      return "M" + at(x - d, y - d) + " L" + at(x + d, y + d) + " M" + at(x - d, y + d) + " L" + at(x + d, y - d);
  }
}

std::string MarkSvg(const ChartMark& mark) {
  const std::string colour = mark.colour.name().toStdString();
  const bool filled = mark.kind == FailureKind::kPortGone;
  return "<path d=\"" + MarkPath(mark) + "\" stroke=\"" + colour + "\" stroke-width=\"1.5\" fill=\"" +
         (filled ? colour : std::string("none")) + "\"><title>" + Escaped(mark.title) + "</title></path>\n";
}

}  // namespace

std::string ChartSvg(QSize size, const ChartDrawing& draw, const std::string& title,
                     const std::vector<ChartMark>& marks) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  {
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(QString::fromStdString(title));
    QPainter painter;
    if (!painter.begin(&generator)) return {};
    draw(painter, QRectF(QPointF(0, 0), size));
    painter.end();
  }
  std::string svg = buffer.data().toStdString();
  // The XML declaration belongs to a file of its own, not inside HTML.
  const std::size_t start = svg.find("<svg");
  const std::size_t end = svg.rfind("</svg>");
  if (start == std::string::npos || end == std::string::npos || end < start) return {};
  // In the viewBox's pixels, over everything the painter drew.
  std::string over;
  for (const ChartMark& mark : marks) over += MarkSvg(mark);
  return svg.substr(start, end - start) + over + svg.substr(end);
}

std::string TimeSeriesSvg(QSize size, const SettingSeries& series, const std::string& title,
                          const std::vector<FailureRecord>& records) {
  const QRectF area(QPointF(0, 0), size);
  return ChartSvg(
      size, [&](QPainter& p, const QRectF& r) { DrawTimeSeries(p, r, series); }, title,
      FailureMarks(area, series, records));
}
