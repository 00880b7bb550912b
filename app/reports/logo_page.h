#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

namespace torvanel {

// The logo dialog's picture of the page: white, the page's width by its height plus a 20-pixel
// ruler, at the screen's resolution, with the logo stretched to its place. The user drags the
// logo to move it, or its lower right corner to size it; the place stays inside the page and at
// least 10 mm each way (less only on a smaller page).
class LogoPage : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kRulerHeight = 20;
  static constexpr int kHandle = 8;  // pixels of the corner that sizes the logo

  explicit LogoPage(QWidget* parent = nullptr);

  void setPage(int dpi, int widthMm, int heightMm);
  // The logo's place in mm: left, top, width, height.
  void setPlace(const QRect& mm);
  QRect place() const { return place_; }
  // The picture as it is to be shown; a null picture shows the place as an outline.
  void setPicture(const QImage& shown);
  // The logo's place in pixels on this widget.
  QRect placeInPixels() const;

 signals:
  void dragged(const QRect& mm);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  enum class Drag { None, Move, Size };

  int dpi_ = 96, widthMm_ = 210, heightMm_ = 297;
  QRect place_{0, 0, 10, 10};
  QImage shown_;
  Drag drag_ = Drag::None;
  QPoint dragStart_;
  QRect placeAtStart_;
};

}  // namespace torvanel
