#include "app/reports/report_fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainterPath>
#include <cmath>

#include "app/common/rounding.h"

namespace torvanel {

const QString kReportFallbackFamily = QStringLiteral("Noto Sans Mono CJK SC");

QString reportFontFamily(const QString& storedName) {
  return QFontDatabase::families().contains(storedName) ? storedName : kReportFallbackFamily;
}

QColor colourFromStored(int stored) {
  return QColor(stored & 0xFF, (stored >> 8) & 0xFF, (stored >> 16) & 0xFF);
}

int storedFromColour(const QColor& colour) {
  return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

int SectionFont::width(const QString& text) const {
  return roundToInt(QFontMetricsF(font).horizontalAdvance(text));
}

SectionFont sectionFont(const TextSection& section, int dpi, bool ruled) {
  SectionFont f;
  f.font.setFamily(reportFontFamily(section.fontName));
  const int pixels = std::max(1, roundToInt(section.size * dpi / 72.0));
  f.font.setPixelSize(pixels);
  f.font.setBold(section.bold);
  f.font.setItalic(section.italic);
  f.font.setUnderline(section.underline);
  // Advances must scale with the device, not snap to its pixels.
  f.font.setHintingPreference(QFont::PreferNoHinting);
  f.colour = colourFromStored(section.colour);
  const QFontMetricsF metrics(f.font);
  f.cell = f.width(QStringLiteral("十"));
  if (ruled) {
    // Outlines come in 1/64 pixel steps: measure the bar large and scale its top down.
    constexpr int kLarge = 4096;
    QFont large = f.font;
    large.setPixelSize(kLarge);
    QPainterPath bar;
    bar.addText(0, 0, large, QStringLiteral("│"));
    const double top =
        bar.isEmpty() ? -metrics.ascent() / metrics.height() : bar.boundingRect().top() / kLarge;
    f.lineHeight = pixels;
    f.ascent = -top * pixels;
  } else {
    f.lineHeight = roundToInt(metrics.ascent() + metrics.descent());
    f.ascent = metrics.ascent();
  }
  return f;
}

}  // namespace torvanel
