#pragma once

#include <QTableWidget>

#include "app/projects/project_definition.h"

class QMenu;

namespace torvanel {

// The designer's grid of auxiliary tables, one row per table: "序号", "链接别名", "数据表名称",
// "关系类型", "关系字段", "显示", "索引字段". Nothing is typed into it: a right click opens the row
// menu, whose plain edits (rows, relation type, shown flag) it makes itself and whose choices
// that need more (a table, the relation fields, a lookup index) it asks the designer for. There
// is always at least one row.
class AuxiliaryGrid : public QTableWidget {
  Q_OBJECT
 public:
  enum Column { kNumber, kDatabase, kTable, kType, kRelation, kShown, kLookup, kColumns };

  explicit AuxiliaryGrid(QWidget* parent);

  // One row per entry; one empty row when there are none.
  void load(const QList<AuxiliaryTable>& tables);
  QList<AuxiliaryTable> tables() const;
  QString text(int row, Column column) const;
  void setText(int row, Column column, const QString& text);

  QMenu* rowMenu() const { return menu_; }

 signals:
  // The menu items that need the designer, for the current row.
  void tableRequested();
  void relationRequested();
  void lookupIndexRequested();

 private:
  void menuRequested(const QPoint& at);
  void insertAt(int row);
  void removeCurrent();
  void setType(const QString& type);
  void renumber();

  QMenu* menu_ = nullptr;
};

}  // namespace torvanel
