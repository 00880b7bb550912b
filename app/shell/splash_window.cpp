#include "app/shell/splash_window.h"

#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

#include "app/common/rounding.h"

namespace torvanel {

TForm00::TForm00() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("TForm00"));
  setFixedSize(kWidth, kHeight);
}

QPoint TForm00::centredOn(const QSize& screen, const QSize& window) {
  return {roundToInt((screen.width() - window.width()) / 2.0),
          roundToInt((screen.height() - window.height()) / 2.0)};
}

void TForm00::showNow() {
  move(centredOn(screen()->geometry().size(), size()));
  show();
  repaint();
}

void TForm00::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, height());
  sky.setColorAt(0, QColor(0x1f, 0x3a, 0x5f));
  sky.setColorAt(1, QColor(0x3d, 0x6f, 0xa3));
  p.fillRect(rect(), sky);

  // A stack of table sheets, the workbench's subject.
  p.setPen(QPen(QColor(0x2f, 0x3b, 0x4c), 2));
  for (int i = 0; i < 3; ++i) {
    const QRect sheet(40 + i * 14, 70 + i * 14, 120, 90);
    p.setBrush(QColor(0xfa, 0xfa, 0xf5));
    p.drawRoundedRect(sheet, 6, 6);
    p.setBrush(QColor(0x7a, 0xae, 0xe0));
    p.drawRect(sheet.adjusted(0, 0, 0, -70));
    for (int row = 1; row < 4; ++row)
      p.drawLine(sheet.left(), sheet.top() + 20 + row * 17, sheet.right(),
                 sheet.top() + 20 + row * 17);
  }

  p.setPen(Qt::white);
  QFont title = font();
  title.setPointSize(30);
  title.setBold(true);
  p.setFont(title);
  p.drawText(QRect(200, 80, 230, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Torvanel"));
  QFont sub = font();
  sub.setPointSize(13);
  p.setFont(sub);
  p.drawText(QRect(200, 140, 230, 30), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("数据表工作台"));
  p.drawText(QRect(200, 170, 230, 30), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Vorlant 企业版V2.0"));
  p.setPen(QColor(0xdd, 0xe6, 0xf0));
  p.drawText(QRect(0, kHeight - 36, kWidth, 24), Qt::AlignCenter, QStringLiteral("正在启动……"));
}

}  // namespace torvanel
