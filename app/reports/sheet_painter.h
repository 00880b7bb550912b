#pragma once

#include <QImage>
#include <QPainter>

#include "app/reports/sheet.h"

namespace torvanel {

// The one painter of report sheets. Every device (the preview's image, a PDF, a printer) draws a
// sheet through it, so they all show the same rows in the same places.

// Draws the sheet with the painter's origin at the sheet's top-left corner, one logical pixel of
// the layout becoming `scaleX` by `scaleY` units of the painter. The sheet's area is first filled
// white. The painter's state is left as it was.
void paintSheet(QPainter& painter, const Sheet& sheet, qreal scaleX, qreal scaleY);

// Draws the sheet on the painter's device, scaled from the layout's resolution to the device's
// logical resolution across and down.
void paintSheetOnDevice(QPainter& painter, const Sheet& sheet);

// The sheet as a picture, `zoom` device pixels to a logical pixel (1 is the screen's size). The
// picture's resolution says so, so that it prints at the paper's size.
QImage sheetImage(const Sheet& sheet, qreal zoom = 1.0);

}  // namespace torvanel
