#include "app/reports/report_dialog_parts.h"

#include <QComboBox>
#include <QPainter>
#include <QToolButton>
#include <cmath>

#include "app/reports/report_fonts.h"

namespace torvanel {

int mmToPixels(int mm, int dpi) { return static_cast<int>(std::lround(mm * dpi / 25.4)); }

int pixelsToMm(int pixels, int dpi) { return static_cast<int>(std::lround(pixels * 25.4 / dpi)); }

void drawRuler(QPainter& painter, int dpi, int top, int height, int widthMm, int fromMm, int toMm) {
  const int width = mmToPixels(widthMm, dpi);
  painter.fillRect(0, top, width, height, fromMm < toMm ? Qt::darkCyan : Qt::cyan);
  if (fromMm < toMm) {
    const int from = mmToPixels(fromMm, dpi);
    painter.fillRect(from, top, mmToPixels(toMm, dpi) - from, height, Qt::cyan);
  }
  QFont small = painter.font();
  small.setPixelSize(std::max(6, height / 2));
  painter.setFont(small);
  const int tick = std::max(3, height / 4);
  for (int mm = 0, n = 0; mm <= widthMm; mm += 10, ++n) {
    const int x = mmToPixels(mm, dpi);
    painter.setPen(Qt::red);
    painter.drawLine(x, top + height - tick, x, top + height - 1);
    painter.setPen(Qt::black);
    // The first number starts at the page's edge rather than be cut in half by it.
    const QRect label =
        n == 0 ? QRect(x, top, 40, height - tick) : QRect(x - 20, top, 40, height - tick);
    painter.drawText(label, (n == 0 ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter,
                     QString::number(n));
  }
}

QToolButton* newToggle(const QString& caption, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(caption);
  button->setToolTip(caption);
  button->setCheckable(true);
  return button;
}

int typedFontEntry(const QComboBox& fonts, const QString& typed, Qt::MatchFlags match) {
  constexpr int kFallbackEntry = 88;
  if (fonts.count() == 0) return -1;
  const int entry = fonts.findText(typed, match);
  if (entry >= 0) return entry;
  return fonts.count() > kFallbackEntry ? kFallbackEntry : 0;
}

QFont sectionScreenFont(const TextSection& section) {
  QFont font(reportFontFamily(section.fontName));
  font.setPointSize(section.size);
  font.setBold(section.bold);
  font.setItalic(section.italic);
  font.setUnderline(section.underline);
  return font;
}

Qt::Alignment lineAlignment(TextAlignment alignment) {
  return alignment == TextAlignment::Left    ? Qt::AlignLeft
         : alignment == TextAlignment::Right ? Qt::AlignRight
                                             : Qt::AlignHCenter;
}

NumberBox::NumberBox(int minimum, int maximum, QWidget* parent) : QSpinBox(parent) {
  setRange(minimum, maximum);
}

QValidator::State NumberBox::validate(QString& input, int& pos) const {
  // A minus sign may be typed even where the range has none, so that it can come back as the
  // minimum rather than be swallowed.
  if (input.startsWith(QLatin1Char('-'))) return QValidator::Intermediate;
  return QSpinBox::validate(input, pos);
}

void NumberBox::fixup(QString& input) const {
  const QString text = input.trimmed();
  if (text.isEmpty() || text.startsWith(QLatin1Char('-'))) input = QString::number(minimum());
}

}  // namespace torvanel
