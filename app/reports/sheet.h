#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <variant>
#include <vector>

namespace torvanel {

// One composed sheet of a report as a display list: what to draw and where, laid out once at a
// logical resolution and drawn by one painter on any device (screen image, PDF, printer) scaled
// by device dpi / layoutDpi. Because nothing is measured per device, every device shows the same
// rows on the same sheet.
//
// Every place and size below is in whole logical pixels at `layoutDpi`, measured from the sheet's
// top-left corner, with the sheet already turned when it is landscape.

// A line of text. The painter fills `clip` white, then draws `text` starting at `origin.x()` on
// the baseline `baseline`, clipped to `clip`. `origin.y()` is the top of the text's line; the
// baseline lies below it by the line's ascent as the composition measured it (for table rows
// and rules: where the box characters fill the line exactly, so that they meet).
struct SheetText {
  QString text;
  QPoint origin;
  qreal baseline = 0;  // fractional: a box character must fill its line exactly on any device
  QRect clip;
  // Family, style and size; the size is set in pixels at layoutDpi (never in points), so scaling
  // the painter scales the text with everything else.
  QFont font;
  QColor colour;
  // The text's advance at layoutDpi as the composition measured it. A device whose font metrics
  // differ may stretch the text to this width so that rule lines and rows keep meeting.
  int width = 0;
};

// A filled rectangle (no outline).
struct SheetRect {
  QRect rect;
  QColor fill;
};

// A picture stretched into `target`. Its transparent colour, if any, has already been turned
// into fully transparent pixels (the image is ARGB), so the painter only draws it.
struct SheetImage {
  QRect target;
  QImage image;
};

using SheetItem = std::variant<SheetText, SheetRect, SheetImage>;

// The paper and everything on it, in drawing order (later items over earlier ones).
struct Sheet {
  // The paper as the template stores it: portrait width and height in millimetres, and whether
  // it is used turned. A PDF or printer page is exactly this size in this orientation.
  int paperWidthMm = 210;
  int paperHeightMm = 297;
  bool landscape = false;
  // Logical pixels per inch of the layout, both directions.
  int layoutDpi = 96;
  // The sheet in logical pixels: the paper converted at layoutDpi, width and height swapped when
  // landscape. The area is white before the first item.
  QSize size;
  // Report page numbers (from 1) shown in the sheet's bands, left to right; empty for the
  // layout of a report without records.
  std::vector<int> pages;
  std::vector<SheetItem> items;
};

}  // namespace torvanel
