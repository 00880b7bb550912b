#pragma once

#include <QWidget>

#include "app/reports/report_template.h"

class QCheckBox;
class QComboBox;
class QTabWidget;

namespace torvanel {

class ColumnGridView;
class DesignerFontGroup;
class HeaderDesignPage;
class NumberBox;

// The designer's tab "表体设计": the column grid and the hand-drawn header on two sub-pages, the
// body's font, and the grouping, totals, spacing, empty rows and rule choices.
class DesignerBodyTab : public QWidget {
  Q_OBJECT
 public:
  DesignerBodyTab(ReportTemplate& t, QWidget* parent = nullptr);

  // The table's fields, for the group field list and the header's insert list.
  void setFields(const QStringList& fields);
  // Shows the template. Tells no one.
  void fill();

  ColumnGridView* grid() const { return grid_; }
  HeaderDesignPage* headerDesign() const { return header_; }
  DesignerFontGroup* fontGroup() const { return font_; }
  QTabWidget* pages() const { return pages_; }
  // A check box of the tab by its caption ("是否分组", "打印空表行").
  QCheckBox* checkBox(const QString& caption) const;
  QComboBox* groupFieldList() const { return groupField_; }

 signals:
  // The user changed the template.
  void changed();
  // The header lines were typed into.
  void edited();
  // Grouping was switched or another group field chosen: the range is open again.
  void groupingChanged();

 private:
  QWidget* choices();
  void groupFieldChosen(int entry);

  ReportTemplate& t_;
  QTabWidget* pages_;
  ColumnGridView* grid_;
  HeaderDesignPage* header_;
  DesignerFontGroup* font_;
  QCheckBox* grouping_ = nullptr;
  QCheckBox* groupTotals_ = nullptr;
  QCheckBox* pageTotals_ = nullptr;
  QCheckBox* grandTotals_ = nullptr;
  QCheckBox* emptyRows_ = nullptr;
  QComboBox* groupField_ = nullptr;
  NumberBox* spacing_ = nullptr;
  QComboBox* lineStyle_ = nullptr;
  QComboBox* ruleStyle_ = nullptr;
  bool filling_ = false;
};

}  // namespace torvanel
