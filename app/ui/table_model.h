#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <vector>

#include "app/ui/table_source.h"

namespace torvanel {

// The rows of a table for a grid, read from the cursor as the view asks for them: the row count
// is the cursor's record count, row r is the record at position r + 1 in the cursor's order, and
// nothing is copied, so a grid on a million records reads only the rows it shows. Text is shown
// as Unicode; binary fields show nothing (pictures have their own control).
class TableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // A grid column: a field of the table and its title.
  struct Column {
    int field = 0;
    QString title;
    QStringList pickList;  // offered as a drop-down while a cell is edited; empty: none
  };

  explicit TableModel(TableSource& source, QObject* parent = nullptr);

  // The grid's columns; none given, the grid shows every field titled with its name.
  void setColumns(std::vector<Column> columns);
  const std::vector<Column>& columns() const { return columns_; }

  // The row of the cursor's current record, -1 without one.
  int currentRow() const;
  // Reads the rows afresh, as after an event of the data source; for changes the cursor does not
  // announce (it was opened or closed).
  void refresh();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  // Cells can be edited where the view lets them (its edit triggers say when): an edit moves the
  // cursor to the row, enters the edit state and writes the text into the field; the record is
  // stored when the cursor leaves it. A value the field cannot take is refused with the engine's
  // message.
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

 private:
  std::vector<Column> allFields() const;

  TableSource& source_;
  std::vector<Column> columns_;
  bool ownColumns_ = false;  // set by setColumns, else every field
  mutable long rows_ = -1;   // the record count, read when first needed
};

}  // namespace torvanel
