#pragma once

#include <QTableWidget>
#include <vector>

#include "app/tools/designer_rows.h"

class QMenu;

namespace torvanel {

// The structure designer's field grid: a row number, "字段名称", "类型", "宽度" and "必须赋值"
// for each field, over the rows of designer_rows.h. Names take typing; widths only on text and
// memo rows. A left click on "必须赋值" toggles its "√"; a right click opens the type menu on
// "类型" and the row menu ("插入行", "增加行", "删除行") elsewhere. There is always at least one
// data row.
class FieldGrid : public QTableWidget {
  Q_OBJECT
 public:
  explicit FieldGrid(QWidget* parent);

  // One row per field, in order; one empty row when there are none.
  void load(const tdb::FieldDefs& fields);
  const std::vector<DesignerRow>& rows() const { return rows_; }
  // The names as typed, in row order, blank ones included.
  QStringList names() const;

  QMenu* rowMenu() const { return rowMenu_; }
  QMenu* typeMenu() const { return typeMenu_; }

 private:
  void showRow(int row);  // the row's cells from rows_[row]
  void cellChanged(QTableWidgetItem* item);
  void clicked(int row, int column);
  void menuRequested(const QPoint& at);
  void pickType(const FieldTypeChoice& choice);
  void insertAt(int row);
  void removeAt(int row);
  void renumber(int from);

  std::vector<DesignerRow> rows_;
  bool showing_ = false;  // the cells are being set from rows_, not typed
  QMenu* rowMenu_ = nullptr;
  QMenu* typeMenu_ = nullptr;
};

}  // namespace torvanel
