#include "app/reports/logo_picture.h"

namespace torvanel {

QImage withTransparentBackground(const QImage& picture) {
  QImage image = picture.convertToFormat(QImage::Format_ARGB32);
  const QRgb background = image.pixel(0, image.height() - 1) | 0xFF000000u;
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if ((line[x] | 0xFF000000u) == background) line[x] = 0;
  }
  return image;
}

}  // namespace torvanel
