#pragma once

#include <QSpinBox>

class QPainter;

namespace torvanel {

// Pieces the head and tail editor and the logo dialog share: their pictures of the page are drawn
// at the screen's resolution, in whole millimetres, under the same kind of ruler.

// `mm` in pixels at `dpi`, rounded.
int mmToPixels(int mm, int dpi);
// `pixels` at `dpi` in whole millimetres, rounded.
int pixelsToMm(int pixels, int dpi);

// A ruler `height` pixels high from (0, `top`) across `widthMm` of page: aqua, with a red tick
// every 10 mm from the page's left edge and the tick's number (0, 1, 2, ...) above it. Given a
// printable range (`fromMm` < `toMm`), the parts outside it are teal.
void drawRuler(QPainter& painter, int dpi, int top, int height, int widthMm, int fromMm = 0,
               int toMm = 0);

// A number box whose text left empty, or negative, becomes its minimum (a plain spin box would
// go back to the value it held).
class NumberBox : public QSpinBox {
  Q_OBJECT
 public:
  NumberBox(int minimum, int maximum, QWidget* parent = nullptr);

 protected:
  void fixup(QString& input) const override;
  QValidator::State validate(QString& input, int& pos) const override;
};

}  // namespace torvanel
