#include "gray_background.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

void PaintGray(QWidget& widget) {
  // Half-way grey: dark enough to stand out, light enough for black text.
  const QColor gray(128, 128, 128);
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Base, gray);
  palette.setColor(QPalette::Button, gray);
  widget.setPalette(palette);
}
