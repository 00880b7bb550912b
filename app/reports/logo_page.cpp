#include "app/reports/logo_page.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "app/reports/report_dialog_parts.h"

namespace torvanel {

namespace {
constexpr int kRulerStrip = 15;
}

LogoPage::LogoPage(QWidget* parent) : QWidget(parent) {}

void LogoPage::setPage(int dpi, int widthMm, int heightMm) {
  dpi_ = dpi, widthMm_ = widthMm, heightMm_ = heightMm;
  setFixedSize(mmToPixels(widthMm, dpi), mmToPixels(heightMm, dpi) + kRulerHeight);
  update();
}

void LogoPage::setPlace(const QRect& mm) {
  place_ = mm;
  update();
}

void LogoPage::setPicture(const QImage& shown) {
  shown_ = shown;
  update();
}

QRect LogoPage::placeInPixels() const {
  return QRect(mmToPixels(place_.x(), dpi_), mmToPixels(place_.y(), dpi_) + kRulerHeight,
               mmToPixels(place_.width(), dpi_), mmToPixels(place_.height(), dpi_));
}

void LogoPage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  drawRuler(painter, dpi_, 0, kRulerStrip, widthMm_);
  const QRect logo = placeInPixels();
  if (!shown_.isNull()) painter.drawImage(logo, shown_);
  painter.setPen(QPen(Qt::darkGray, 1, shown_.isNull() ? Qt::DashLine : Qt::DotLine));
  painter.drawRect(logo.adjusted(0, 0, -1, -1));
  painter.fillRect(QRect(logo.bottomRight() - QPoint(kHandle - 1, kHandle - 1), logo.bottomRight()),
                   Qt::darkGray);
}

void LogoPage::mousePressEvent(QMouseEvent* event) {
  const QRect logo = placeInPixels();
  const QPoint at = event->position().toPoint();
  if (event->button() != Qt::LeftButton || !logo.contains(at)) return;
  const bool corner = at.x() > logo.right() - kHandle && at.y() > logo.bottom() - kHandle;
  drag_ = corner ? Drag::Size : Drag::Move;
  dragStart_ = at;
  placeAtStart_ = place_;
}

void LogoPage::mouseMoveEvent(QMouseEvent* event) {
  if (drag_ == Drag::None) return;
  const QPoint moved = event->position().toPoint() - dragStart_;
  const int dx = pixelsToMm(moved.x(), dpi_), dy = pixelsToMm(moved.y(), dpi_);
  QRect next = placeAtStart_;
  if (drag_ == Drag::Move) {
    next.moveLeft(std::clamp(next.x() + dx, 0, std::max(0, widthMm_ - next.width())));
    next.moveTop(std::clamp(next.y() + dy, 0, std::max(0, heightMm_ - next.height())));
  } else {
    next.setWidth(
        std::clamp(next.width() + dx, std::min(10, widthMm_ - next.x()), widthMm_ - next.x()));
    next.setHeight(
        std::clamp(next.height() + dy, std::min(10, heightMm_ - next.y()), heightMm_ - next.y()));
  }
  if (next == place_) return;
  setPlace(next);
  emit dragged(next);
}

void LogoPage::mouseReleaseEvent(QMouseEvent* event) {
  mouseMoveEvent(event);
  drag_ = Drag::None;
}

}  // namespace torvanel
