// A chart drawn into SVG text, ready to stand inline in an HTML page.
#pragma once

#include <QSize>
#include <functional>
#include <string>
#include <vector>

#include "chart_drawing.h"

class QPainter;
class QRectF;

using ChartDrawing = std::function<void(QPainter&, const QRectF&)>;

// The drawing, of `size` pixels, as an <svg> element: no XML declaration,
// sized by its viewBox so that it shrinks with the page. Each mark stands
// over the drawing in its kind's shape, with a <title> a pointer over it shows. Empty
// when the painter could not start.
std::string ChartSvg(QSize size, const ChartDrawing& draw, const std::string& title,
                     const std::vector<ChartMark>& marks = {});

// A setting's time series with its failures' marks, titled with the
// messages records holds.
std::string TimeSeriesSvg(QSize size, const SettingSeries& series, const std::string& title,
                          const std::vector<FailureRecord>& records = {});
