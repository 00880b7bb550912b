#pragma once

#include <QImage>
#include <QWidget>

#include "app/reports/sheet.h"

namespace torvanel {

// The preview's paper: the sheet drawn at a zoom inside a white frame with a black shadow, the
// whole widget sized to the zoomed paper plus the frame (5 pixels).
//
// A new sheet is drawn at once into a picture at the zoomed size. A new zoom first stretches the
// picture there is, so the window answers at once, and draws the sheet already composed (never
// composing it anew) at the new size as soon as the events waiting have run. The picture never
// holds more than kMaxPagePixels: a larger paper is drawn at the largest size that fits and
// stretched on screen.
class PageView : public QWidget {
  Q_OBJECT
 public:
  static constexpr qint64 kMaxPagePixels = 4096LL * 4096;

  explicit PageView(QWidget* parent = nullptr);

  // Shows `sheet` at the current zoom.
  void setSheet(Sheet sheet);
  // Percent (1 to 200) of the layout's size; resizes the widget.
  void setZoom(int percent);
  int zoom() const { return zoom_; }

  // The sheet's size at 100.
  QSize sheetSize() const { return sheet_.size; }
  // The paper's size on screen at the current zoom, without the frame.
  QSize paperSize() const;
  // The picture the paper is drawn from (for tests and pictures of the preview).
  const QImage& picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void render();

  Sheet sheet_;
  int zoom_ = 100;
  bool sharpenPending_ = false;  // a drawing at the new zoom waits for the events before it
  QImage picture_;
};

}  // namespace torvanel
