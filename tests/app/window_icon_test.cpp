// The window's icon is drawn from the SVG the desktop entry names.
#include <gtest/gtest.h>

#include <QImage>

#include "window_icon.h"

namespace {

TEST(WindowIcon, IsDrawnAtEverySizeItOffers) {
  const QIcon icon = ConsoleIcon();
  ASSERT_FALSE(icon.isNull());
  for (const int size : {32, 64, 128}) {
    const QImage image = icon.pixmap(size, size).toImage();
    ASSERT_EQ(image.size(), QSize(size, size));
    // The corner is outside the rounded plate; the hub is in the middle.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
    EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255) << size;
  }
}

}  // namespace
