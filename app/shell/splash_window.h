#pragma once

#include <QWidget>

namespace torvanel {

// The start-up splash: a borderless window holding one picture, 442 by 296 pixels of client area,
// centred on the screen.
class TForm00 : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kWidth = 442;
  static constexpr int kHeight = 296;

  TForm00();

  // Centres itself on its screen (halves rounded to even), shows and paints at once.
  void showNow();

  // The centred top-left corner for a window of this size on a screen of that size.
  static QPoint centredOn(const QSize& screen, const QSize& window);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace torvanel
