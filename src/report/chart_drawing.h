// The charts of a run, drawn with a QPainter on any paint device: an SVG
// for the report (QSvgGenerator), a widget or an image in the window. One
// drawing code, so the window shows what the report shows.
//
// Text needs a QGuiApplication (for a program without a display, with the
// offscreen platform).
#pragma once

#include <QRectF>

#include "run_statistics.h"

class QPainter;

// The setting's reply time in each cycle over the run, by round; a failed
// cycle is marked with a red cross at its time, or on the round axis when
// it got no reply. A long run is drawn as each pixel column's lowest to
// highest time.
void DrawTimeSeries(QPainter& painter, const QRectF& area, const SettingSeries& series);

// How often each reply time came: bars of counts over round time bins.
void DrawHistogram(QPainter& painter, const QRectF& area, const SettingSeries& series);
