#pragma once

#include <QDialog>
#include <QString>

#include "app/reports/report_template.h"

namespace torvanel {

// TForm6, the logo dialog "报表徽标": places and sizes the logo on a picture of the page, loads
// or clears its bitmap and sets whether its background is transparent.
class TForm6 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm6(QWidget* parent = nullptr);

  // Shows the dialog modally for the logo of `t`, whose bitmap lives in `logoFile` (as logoPath
  // names it). On 确认 the place, size and transparent flag go into `t`, and the bitmap file is
  // replaced by the picture shown (through a temporary file) or deleted when there is none; the
  // result is true. 取消 gives false and changes neither `t` nor any file. A bitmap that cannot
  // be written is reported and the dialog stays open with `t` unchanged.
  bool editLogo(ReportTemplate& t, const QString& logoFile);
};

}  // namespace torvanel
