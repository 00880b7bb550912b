#include "app/reports/page_view.h"

#include <QPaintEvent>
#include <QPainter>
#include <QtMath>

#include "app/reports/sheet_painter.h"

namespace torvanel {

namespace {

constexpr int kFrame = 5;   // the border at (0, 0) and the shadow beyond the paper
constexpr int kShadow = 3;  // how far the shadow lies below and to the right

}  // namespace

PageView::PageView(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void PageView::setSheet(Sheet sheet) {
  sheet_ = std::move(sheet);
  render();
}

void PageView::setZoom(int percent) {
  if (percent == zoom_) return;
  zoom_ = percent;
  setFixedSize(paperSize() + QSize(kFrame, kFrame));
  update();
  if (sharpenPending_) return;
  sharpenPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (sharpenPending_) render();
      },
      Qt::QueuedConnection);
}

QSize PageView::paperSize() const {
  return QSize(qMax(1, qRound(sheet_.size.width() * zoom_ / 100.0)),
               qMax(1, qRound(sheet_.size.height() * zoom_ / 100.0)));
}

void PageView::render() {
  sharpenPending_ = false;
  const QSize paper = paperSize();
  setFixedSize(paper + QSize(kFrame, kFrame));
  QSize size = paper;
  const qint64 pixels = qint64(paper.width()) * paper.height();
  if (pixels > kMaxPagePixels) {
    // A paper larger than the cap is drawn smaller and stretched when shown: every device pixel
    // of the picture costs memory, while the screen shows only a part of it at a time.
    const qreal shrink = std::sqrt(qreal(kMaxPagePixels) / qreal(pixels));
    size = QSize(qMax(1, qFloor(paper.width() * shrink)), qMax(1, qFloor(paper.height() * shrink)));
  }
  picture_ = QImage(size, QImage::Format_RGB32);
  picture_.fill(Qt::white);
  if (!sheet_.size.isEmpty()) {
    QPainter painter(&picture_);
    paintSheet(painter, sheet_, qreal(size.width()) / sheet_.size.width(),
               qreal(size.height()) / sheet_.size.height());
  }
  update();
}

void PageView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect all = rect();
  painter.fillRect(event->rect(), palette().color(QPalette::Window));
  painter.fillRect(QRect(QPoint(kShadow, kShadow), all.bottomRight()), Qt::black);
  const QRect paper(0, 0, all.width() - kShadow, all.height() - kShadow);
  painter.fillRect(paper, Qt::white);
  painter.setPen(Qt::black);
  painter.drawRect(paper.adjusted(0, 0, -1, -1));
  const QRect target(QPoint(1, 1), paperSize());
  if (picture_.size() == target.size()) {
    painter.drawImage(target.topLeft(), picture_);
  } else {
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture_);
  }
}

}  // namespace torvanel
