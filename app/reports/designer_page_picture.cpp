#include "app/reports/designer_page_picture.h"

#include <QPainter>
#include <algorithm>

#include "app/common/rounding.h"
#include "app/reports/report_dialog_parts.h"

namespace torvanel {

namespace {

constexpr int kThumbnail = 161;
constexpr int kDrawn = kThumbnail - 20;  // the largest page side, in pixels
constexpr int kLargestMm = 400;          // sides beyond this are drawn as this
constexpr int kRulerHeight = 20;

}  // namespace

QImage pageThumbnail(const ReportTemplate& t) {
  const int wMm = std::max(1, t.pageWidth()), hMm = std::max(1, t.pageHeight());
  const int w = roundToInt(std::min(wMm, kLargestMm) * double(kDrawn) / kLargestMm);
  const int h = roundToInt(std::min(hMm, kLargestMm) * double(kDrawn) / kLargestMm);
  QImage image(kThumbnail, kThumbnail, QImage::Format_RGB32);
  image.fill(QColor(0x80, 0x80, 0x80));
  QPainter p(&image);
  const int x = (kThumbnail - w) / 2, y = (kThumbnail - h) / 2;
  p.fillRect(x + 2, y + 2, w, h, Qt::black);
  p.fillRect(x, y, w, h, Qt::white);
  // Margins scale with the page as drawn, so a capped page keeps its proportions.
  const int left = roundToInt(double(t.leftMargin) * w / wMm);
  const int right = roundToInt(double(t.rightMargin) * w / wMm);
  const int top = roundToInt(double(t.topMargin) * h / hMm);
  const int bottom = roundToInt(double(t.bottomMargin) * h / hMm);
  const QRect area(x + left, y + top, std::max(0, w - left - right), std::max(0, h - top - bottom));
  p.setPen(Qt::black);
  p.drawRect(area.adjusted(0, 0, -1, -1));
  p.setPen(Qt::red);
  p.drawLine(area.left(), area.top() - 1, area.right(), area.top() - 1);
  p.drawLine(area.left(), area.bottom() + 1, area.right(), area.bottom() + 1);
  return image;
}

PageRuler::PageRuler(QWidget* parent) : QWidget(parent) { setFixedHeight(kRulerHeight); }

void PageRuler::setPage(int pageMm, int leftMm, int rightMm, int dpi) {
  pageMm_ = pageMm;
  leftMm_ = leftMm;
  rightMm_ = rightMm;
  dpi_ = dpi;
  setFixedWidth(mmToPixels(pageMm, dpi));
  update();
}

void PageRuler::paintEvent(QPaintEvent*) {
  QPainter p(this);
  drawRuler(p, dpi_, 0, kRulerHeight, pageMm_, leftMm_, pageMm_ - rightMm_);
}

}  // namespace torvanel
