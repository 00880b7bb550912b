#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include "app/reports/report_template.h"

namespace torvanel {

// The family used for a stored font name: the name itself when that font is installed,
// otherwise a CJK monospaced family whose half-width characters are exactly half a CJK cell, so
// that box-drawing rules meet the rows whatever font a template names. The stored name is never
// changed.
QString reportFontFamily(const QString& storedName);
extern const QString kReportFallbackFamily;

// A colour as a template stores it, 0x00BBGGRR (red in the low byte), and back. The top byte is
// ignored on the way in and 0 on the way out.
QColor colourFromStored(int stored);
int storedFromColour(const QColor& colour);

// A section's font and its measures at one logical resolution, in whole pixels but the ascent.
struct SectionFont {
  QFont font;  // pixel size = the point size at the resolution
  QColor colour;
  int lineHeight = 0;  // the height of a non-empty line
  qreal ascent = 0;    // from the top of a line to its baseline, unrounded
  int cell = 0;        // the advance of "十": one table cell

  // The advance of `text`.
  int width(const QString& text) const;
  // 0 for an empty text, else lineHeight.
  int height(const QString& text) const { return text.isEmpty() ? 0 : lineHeight; }
};

// `section` at `dpi`. A table section (`ruled`) is as high as the font's em square, with its
// baseline where the vertical box character's top meets the line's top: that character fills the
// em square, so the rules of one row meet those of the next. Other sections take the font's
// ascent plus descent, so no accent or descender is cut.
SectionFont sectionFont(const TextSection& section, int dpi, bool ruled);

}  // namespace torvanel
