#pragma once

#include <QTableWidget>

#include "app/reports/report_template.h"

namespace torvanel {

// The printed columns as a grid: one grid column per template column (the template's caption
// column shows as the row headers), rows as the template's rows. Starting to edit a flag cell
// (printed, page, group and grand sum) toggles it between "√" and empty, an alignment cell steps
// through empty, "左对齐", "居中", "右对齐"; the other rows take typed text. Dragging a column's
// header moves it, and the new order is the print order. Every change goes into the template.
class ColumnGridView : public QTableWidget {
  Q_OBJECT
 public:
  ColumnGridView(ReportTemplate& t, QWidget* parent = nullptr);
  // Shows the template's grid. Tells no one.
  void fill();

 signals:
  // The user selected or changed a cell, or moved a column.
  void changed();

 protected:
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

 private:
  void columnMoved(int from, int to);

  ReportTemplate& t_;
  bool filling_ = false;
};

}  // namespace torvanel
