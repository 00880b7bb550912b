#pragma once

#include <QHash>
#include <QWidget>
#include <array>

#include "app/reports/report_template.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace torvanel {

class NumberBox;

// The designer's tab "页面设计": paper, margins, titles, page header and footer, the logo switch
// and the page thumbnail. Every change goes straight into the template it was given.
class DesignerPageTab : public QWidget {
  Q_OBJECT
 public:
  DesignerPageTab(ReportTemplate& t, QWidget* parent = nullptr);

  // Shows the template: every control from it, the thumbnail redrawn. Tells no one.
  void fill();
  // The text box of section 0..3 (main title, subtitle, page header, page footer).
  QLineEdit* sectionBox(int section) const { return texts_[section]; }
  QComboBox* paperList() const { return paper_; }
  // The number box captioned `caption` ("宽    度：", "左边距：", "横向表数:").
  NumberBox* numberBox(const QString& caption) const { return numbers_.value(caption); }
  QCheckBox* printLogoBox() const { return printLogo_; }
  QPushButton* logoButton() const { return logo_; }

 signals:
  // The user changed the template.
  void changed();
  // The editor button of section 0..3, and "装入图形   ".
  void editSection(int section);
  void editLogo();

 private:
  QWidget* paperGroup();
  QWidget* marginGroup();
  QWidget* textGroup(const QString& title, int first, const QString& firstLabel,
                     const QString& secondLabel);
  // After a change of paper, size, margin or landscape: the paper kept at least its margins (the
  // corrected sizes shown), the thumbnail redrawn, and the change told.
  void paperChanged();
  void showPaper();

  ReportTemplate& t_;
  QComboBox* paper_ = nullptr;
  NumberBox* width_ = nullptr;
  NumberBox* height_ = nullptr;
  QCheckBox* landscape_ = nullptr;
  NumberBox* across_ = nullptr;
  std::array<NumberBox*, 4> margins_{};  // top, bottom, left, right
  std::array<QLineEdit*, 4> texts_{};
  QCheckBox* printLogo_ = nullptr;
  QPushButton* logo_ = nullptr;
  QLabel* thumbnail_ = nullptr;
  QHash<QString, NumberBox*> numbers_;
  bool filling_ = false;
};

}  // namespace torvanel
