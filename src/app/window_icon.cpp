#include "window_icon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace {

// The sizes window managers and task bars ask for most; others are scaled
// from the nearest.
constexpr int kIconSizes[] = {32, 64, 128};

}  // namespace

QIcon ConsoleIcon() {
  QSvgRenderer renderer(QStringLiteral(":/korvel/icon.svg"));
  if (!renderer.isValid()) return {};
  QIcon icon;
  for (const int size : kIconSizes) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    icon.addPixmap(QPixmap::fromImage(image));
  }
  return icon;
}
