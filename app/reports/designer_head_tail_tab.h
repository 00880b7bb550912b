#pragma once

#include <QWidget>

#include "app/reports/report_template.h"

namespace torvanel {

class SectionTextBox;

// The designer's tab "表头、表尾设计": the head text and the tail text, each in a box of its own
// with a button that opens the head and tail editor on it.
class DesignerHeadTailTab : public QWidget {
  Q_OBJECT
 public:
  DesignerHeadTailTab(ReportTemplate& t, QWidget* parent = nullptr);
  // Shows the template's head and tail texts. Tells no one.
  void fill();
  // The box of kHeadText or kTailText.
  SectionTextBox* box(int section) const;

 signals:
  void edited();
  void editSection(int section);

 private:
  QWidget* group(const QString& title, int section);

  ReportTemplate& t_;
  SectionTextBox* head_ = nullptr;
  SectionTextBox* tail_ = nullptr;
  bool filling_ = false;
};

}  // namespace torvanel
