#include "app/reports/sheet_painter.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QtMath>
#include <cmath>
#include <type_traits>

namespace torvanel {

namespace {

void paintText(QPainter& painter, const SheetText& item) {
  if (item.clip.isEmpty()) return;  // a line pushed off the page shows nothing
  painter.save();
  // The clip reaches half a logical pixel above and below the line. Where two lines share an edge
  // inside a device pixel, a clip that stopped exactly at the edge would hand the pixel to one line
  // alone, and with it only that line's half of the vertical rule: a seam. A box character ends
  // at its line's edge by itself; other text overhangs by half a logical pixel at most.
  painter.setClipRect(QRectF(item.clip).adjusted(0, -0.5, 0, 0.5), Qt::IntersectClip);
  painter.fillRect(item.clip, Qt::white);
  painter.setFont(item.font);
  painter.setPen(item.colour);
  const QPointF origin(item.origin.x(), item.baseline);
  const qreal advance = QFontMetricsF(item.font).horizontalAdvance(item.text);
  // Glyph widths may differ between the layout and this device's font engine; stretching the
  // line to the width the layout measured keeps rule lines meeting the rows beside them.
  if (item.width > 0 && advance > 0 && std::abs(advance - item.width) > 0.01) {
    painter.translate(origin);
    painter.scale(item.width / advance, 1.0);
    painter.drawText(QPointF(0, 0), item.text);
  } else {
    painter.drawText(origin, item.text);
  }
  painter.restore();
}

}  // namespace

void paintSheet(QPainter& painter, const Sheet& sheet, qreal scaleX, qreal scaleY) {
  painter.save();
  painter.scale(scaleX, scaleY);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.fillRect(QRect(QPoint(0, 0), sheet.size), Qt::white);
  for (const SheetItem& item : sheet.items) {
    std::visit(
        [&painter](const auto& one) {
          using Item = std::decay_t<decltype(one)>;
          if constexpr (std::is_same_v<Item, SheetText>)
            paintText(painter, one);
          else if constexpr (std::is_same_v<Item, SheetRect>)
            painter.fillRect(one.rect, one.fill);
          else
            painter.drawImage(QRectF(one.target), one.image);
        },
        item);
  }
  painter.restore();
}

void paintSheetOnDevice(QPainter& painter, const Sheet& sheet) {
  const QPaintDevice* device = painter.device();
  const qreal layout = sheet.layoutDpi > 0 ? sheet.layoutDpi : 96;
  paintSheet(painter, sheet, device->logicalDpiX() / layout, device->logicalDpiY() / layout);
}

QImage sheetImage(const Sheet& sheet, qreal zoom) {
  const QSize size(qMax(1, qCeil(sheet.size.width() * zoom)),
                   qMax(1, qCeil(sheet.size.height() * zoom)));
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  const int dotsPerMeter = qRound(sheet.layoutDpi * zoom / 0.0254);
  image.setDotsPerMeterX(dotsPerMeter);
  image.setDotsPerMeterY(dotsPerMeter);
  QPainter painter(&image);
  paintSheet(painter, sheet, zoom, zoom);
  return image;
}

}  // namespace torvanel
