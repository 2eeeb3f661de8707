#include "svg_chart.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>

std::string ChartSvg(QSize size, const ChartDrawing& draw, const std::string& title) {
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
  if (start == std::string::npos) return {};
  return svg.substr(start);
}
