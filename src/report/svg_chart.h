// A chart drawn into SVG text, ready to stand inline in an HTML page.
#pragma once

#include <QSize>
#include <functional>
#include <string>

class QPainter;
class QRectF;

using ChartDrawing = std::function<void(QPainter&, const QRectF&)>;

// The drawing, of `size` pixels, as an <svg> element: no XML declaration,
// sized by its viewBox so that it shrinks with the page. Empty when the
// painter could not start.
std::string ChartSvg(QSize size, const ChartDrawing& draw, const std::string& title);
