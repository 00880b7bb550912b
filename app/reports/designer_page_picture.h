#pragma once

#include <QImage>
#include <QWidget>

#include "app/reports/report_template.h"

namespace torvanel {

// The designer's pictures of the page, drawn at the screen's resolution.

// The page thumbnail, 161 by 161 pixels: a grey field, the page (turned when landscape, each side
// capped at 400 mm) white on a black shadow, the print area inside the margins outlined black,
// and a red line just above and just below the print area.
QImage pageThumbnail(const ReportTemplate& t);

// A ruler 20 pixels high over a page `pageMm` wide: teal margins, the printable range between
// them aqua, a red tick every 10 mm from the page's left edge with its number (0, 1, 2 ...) above.
class PageRuler : public QWidget {
  Q_OBJECT
 public:
  explicit PageRuler(QWidget* parent = nullptr);
  void setPage(int pageMm, int leftMm, int rightMm, int dpi);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int pageMm_ = 0, leftMm_ = 0, rightMm_ = 0, dpi_ = 96;
};

}  // namespace torvanel
