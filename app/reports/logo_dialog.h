#pragma once

#include <QDialog>
#include <QImage>
#include <QRect>
#include <QString>

#include "app/reports/report_template.h"

class QCheckBox;

namespace torvanel {

class LogoPage;
class NumberBox;

// TForm6, the logo dialog "报表徽标": places and sizes the logo on a picture of the page, loads
// or clears its bitmap and sets whether its background is transparent.
class TForm6 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm6(QWidget* parent = nullptr);

  // Shows the dialog modally for the logo of `t`, whose bitmap lives in `logoFile` (as logoPath
  // names it). On 确认 the place, size and transparent flag go into `t`, and when the picture was
  // loaded or cleared the bitmap file is replaced by it (through a temporary file) or deleted;
  // the result is true. 取消 gives false and changes neither `t` nor any file. A bitmap that
  // cannot be written is reported and the dialog stays open with `t` unchanged.
  bool editLogo(ReportTemplate& t, const QString& logoFile);

  // The picture of the page, for tests that act as a user.
  LogoPage* page() const { return page_; }

 private:
  void buildControls();
  void fillFrom(const ReportTemplate& t);
  void applyPosition();
  void applySize();
  void showPlace(const QRect& mm);
  void showPicture();
  void loadPicture();
  void clearPicture();
  bool storePicture();
  void confirm();

  ReportTemplate* template_ = nullptr;
  QString logoFile_;
  int pageWidth_ = 210, pageHeight_ = 297;
  QRect place_;  // the working left, top, width and height in mm
  QImage picture_;
  bool pictureChanged_ = false;  // loaded or cleared since the dialog opened

  LogoPage* page_ = nullptr;
  NumberBox* left_ = nullptr;
  NumberBox* top_ = nullptr;
  NumberBox* width_ = nullptr;
  NumberBox* height_ = nullptr;
  QCheckBox* transparent_ = nullptr;
};

}  // namespace torvanel
