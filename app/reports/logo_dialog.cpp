#include "app/reports/logo_dialog.h"

#include <QBuffer>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/common/file_error.h"
#include "app/common/text_file.h"
#include "app/reports/logo_page.h"
#include "app/reports/logo_picture.h"
#include "app/reports/report_dialog_parts.h"
#include "app/ui/dialogs.h"

namespace torvanel {

namespace {

QPushButton* button(const QString& caption, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setAutoDefault(false);  // Enter in a number box must not close the dialog
  return b;
}

// A group of two number boxes and the "确认" that takes them.
QGroupBox* boxGroup(const QString& title, const QString& first, NumberBox* a, const QString& second,
                    NumberBox* b, QPushButton* take, QWidget* parent) {
  auto* group = new QGroupBox(title, parent);
  auto* form = new QFormLayout(group);
  form->addRow(first, a);
  form->addRow(second, b);
  form->addRow(take);
  return group;
}

}  // namespace

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
  setModal(true);
  setWindowTitle(QStringLiteral("报表徽标"));
  buildControls();
}

void TForm6::buildControls() {
  page_ = new LogoPage;
  connect(page_, &LogoPage::dragged, this, [this](const QRect& mm) {
    place_ = mm;
    left_->setValue(mm.x());
    top_->setValue(mm.y());
    width_->setValue(mm.width());
    height_->setValue(mm.height());
  });
  auto* view = new QScrollArea(this);
  view->setWidget(page_);
  view->setBackgroundRole(QPalette::Dark);

  left_ = new NumberBox(0, 210, this);
  top_ = new NumberBox(0, 297, this);
  width_ = new NumberBox(10, 210, this);
  height_ = new NumberBox(10, 297, this);
  auto* position = button(QStringLiteral("确认"), this);
  auto* size = button(QStringLiteral("确认"), this);
  connect(position, &QPushButton::clicked, this, &TForm6::applyPosition);
  connect(size, &QPushButton::clicked, this, &TForm6::applySize);
  auto* load = button(QStringLiteral("装入图形"), this);
  auto* clear = button(QStringLiteral("清除图形"), this);
  connect(load, &QPushButton::clicked, this, &TForm6::loadPicture);
  connect(clear, &QPushButton::clicked, this, &TForm6::clearPicture);
  transparent_ = new QCheckBox(QStringLiteral("透明背景:"), this);
  connect(transparent_, &QCheckBox::toggled, this, &TForm6::showPicture);
  auto* ok = button(QStringLiteral("确认"), this);
  auto* cancel = button(QStringLiteral("取消"), this);
  connect(ok, &QPushButton::clicked, this, &TForm6::confirm);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* side = new QVBoxLayout;
  side->addWidget(boxGroup(QStringLiteral("边界距离:"), QStringLiteral("距左边(mm):"), left_,
                           QStringLiteral("距上边(mm):"), top_, position, this));
  side->addWidget(boxGroup(QStringLiteral("图形尺寸:"), QStringLiteral("宽度(mm):"), width_,
                           QStringLiteral("高度(mm):"), height_, size, this));
  side->addWidget(load);
  side->addWidget(clear);
  side->addWidget(transparent_);
  side->addStretch();
  side->addWidget(ok);
  side->addWidget(cancel);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(view, 1);
  layout->addLayout(side);
}

bool TForm6::editLogo(ReportTemplate& t, const QString& logoFile) {
  template_ = &t;
  logoFile_ = logoFile;
  fillFrom(t);
  const bool changed = exec() == QDialog::Accepted;
  template_ = nullptr;
  return changed;
}

void TForm6::fillFrom(const ReportTemplate& t) {
  pageWidth_ = t.pageWidth();
  pageHeight_ = t.pageHeight();
  page_->setPage(logicalDpiX(), pageWidth_, pageHeight_);
  left_->setMaximum(pageWidth_);
  top_->setMaximum(pageHeight_);
  width_->setRange(std::min(10, pageWidth_), pageWidth_);
  height_->setRange(std::min(10, pageHeight_), pageHeight_);
  showPlace(QRect(t.logoLeft, t.logoTop, t.logoWidth, t.logoHeight));
  transparent_->setChecked(t.logoTransparent);

  picture_ = QImage();
  pictureChanged_ = false;
  if (QFile::exists(logoFile_)) {
    picture_ = QImage(logoFile_);
    if (picture_.isNull())
      dialogs().message(QStringLiteral("文件[%1]不是可以读取的图形文件").arg(logoFile_));
  }
  showPicture();
  resize(760, 560);
  if (const QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TForm6::showPlace(const QRect& mm) {
  place_ = mm;
  left_->setValue(mm.x());
  top_->setValue(mm.y());
  width_->setValue(mm.width());
  height_->setValue(mm.height());
  page_->setPlace(mm);
}

void TForm6::applyPosition() {
  QRect mm = place_;
  int left = left_->value(), top = top_->value();
  if (left + mm.width() > pageWidth_) left = std::max(0, pageWidth_ - mm.width());
  if (top + mm.height() > pageHeight_) top = std::max(0, pageHeight_ - mm.height());
  mm.moveTo(left, top);
  showPlace(mm);
}

void TForm6::applySize() {
  QRect mm = place_;
  int width = width_->value(), height = height_->value();
  if (width + mm.x() > pageWidth_) width = pageWidth_ - mm.x();
  if (height + mm.y() > pageHeight_) height = pageHeight_ - mm.y();
  // Too near the page's edge for the smallest logo: it moves in rather than shrink below it.
  width = std::max(width, width_->minimum());
  height = std::max(height, height_->minimum());
  mm.setSize(QSize(width, height));
  mm.moveTo(std::min(mm.x(), pageWidth_ - width), std::min(mm.y(), pageHeight_ - height));
  showPlace(mm);
}

void TForm6::showPicture() {
  page_->setPicture(transparent_->isChecked() && !picture_.isNull()
                        ? withTransparentBackground(picture_)
                        : picture_);
}

void TForm6::loadPicture() {
  const auto chosen =
      dialogs().openFile(QStringLiteral("装入图形"), QStringLiteral("位图数据文件 (*.bmp *.BMP)"),
                         QFileInfo(logoFile_).path());
  if (!chosen || !QFile::exists(*chosen)) return;
  const QImage loaded(*chosen);
  if (loaded.isNull()) {
    dialogs().message(QStringLiteral("文件[%1]不是可以读取的图形文件").arg(*chosen));
    return;
  }
  picture_ = loaded;
  pictureChanged_ = true;
  showPicture();
}

void TForm6::clearPicture() {
  picture_ = QImage();
  pictureChanged_ = true;
  showPicture();
}

bool TForm6::storePicture() {
  // A bitmap file that was only looked at keeps every byte; only a picture the user loaded or
  // cleared replaces it.
  if (!pictureChanged_) return true;
  try {
    if (!picture_.isNull()) {
      QByteArray bytes;
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::WriteOnly);
      if (!picture_.save(&buffer, "BMP"))
        throw FileError(QStringLiteral("文件[%1]写入失败: 图形不能存为位图").arg(logoFile_));
      writeFileBytes(logoFile_, bytes);
    } else if (QFile file(logoFile_); file.exists() && !file.remove()) {
      throw FileError(QStringLiteral("文件[%1]无法删除: %2").arg(logoFile_, file.errorString()));
    }
  } catch (const FileError& e) {
    showError(e);
    return false;
  }
  return true;
}

void TForm6::confirm() {
  if (!storePicture()) return;
  template_->logoLeft = place_.x();
  template_->logoTop = place_.y();
  template_->logoWidth = place_.width();
  template_->logoHeight = place_.height();
  template_->logoTransparent = transparent_->isChecked();
  accept();
}

}  // namespace torvanel
