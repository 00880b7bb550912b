#pragma once

#include <QGroupBox>

#include "app/reports/report_template.h"

class QAbstractButton;
class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace torvanel {

class NumberBox;

// "字体选择及范例": the font, size, style, alignment and colour of one text section, applied to
// the section at once and shown on a sample. The toggles and alignment buttons always show the
// section's current style and alignment.
class DesignerFontGroup : public QGroupBox {
  Q_OBJECT
 public:
  DesignerFontGroup(TextSection& section, QWidget* parent = nullptr);
  // Shows the section. Tells no one.
  void fill();

  QComboBox* fontList() const { return fonts_; }
  NumberBox* sizeBox() const { return size_; }
  QLabel* sample() const { return sample_; }
  // "粗体", "斜体", "下画线", "左对齐", "居中", "右对齐".
  QToolButton* button(const QString& text) const;

 signals:
  void changed();

 private:
  void fontTyped();
  void applied();

  TextSection& s_;
  QComboBox* fonts_;
  NumberBox* size_;
  QToolButton* bold_;
  QToolButton* italic_;
  QToolButton* underline_;
  QToolButton* left_;
  QToolButton* centre_;
  QToolButton* right_;
  QPushButton* colour_;
  QLabel* sample_;
  bool filling_ = false;
};

}  // namespace torvanel
