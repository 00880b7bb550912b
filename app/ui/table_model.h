#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <QStringList>
#include <vector>

#include "app/ui/table_source.h"

namespace torvanel {

// The rows of a table for a grid, read from the cursor as the view asks for them: row r is the
// record at position r + 1 in the cursor's order, and nothing is copied, so a grid on a million
// records reads only the rows it shows. A record being inserted is not among the cursor's records
// until it is stored: while it is in hand it has a row of its own at the place it goes, and the
// rows after it show the cursor's records one further on. Text is shown as Unicode; binary fields
// show nothing (pictures have their own control).
//
// The model tells its views exactly what changed: one row redrawn when the record in hand
// changes, is stored in place or is given up; a row added, moved or removed when a record comes,
// moves in the order or goes. Only a change of everything (opening, a filter, an order, a range,
// work done with the controls disabled) resets it, which is when a view loses its current cell.
class TableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // A grid column: a field of the table and its title. A column of a field the table lacks
  // (field -1) shows nothing and takes no edit.
  struct Column {
    int field = 0;
    QString title;
    QStringList pickList;  // offered as a drop-down while a cell is edited; empty: none
    QColor titleColour;    // invalid: the header's own
  };

  explicit TableModel(TableSource& source, QObject* parent = nullptr);

  TableSource& source() const { return source_; }

  // The grid's columns; none given, the grid shows every field titled with its name.
  void setColumns(std::vector<Column> columns);
  const std::vector<Column>& columns() const { return columns_; }

  // The row of the cursor's current record (the record in hand while one is), -1 without one.
  int currentRow() const;
  // The row of the record in hand, -1 in browse state.
  int inHandRow() const { return inHand_.row; }
  // Makes the record of `row` current, storing the record in hand first as every move does. The
  // record in hand's own row moves nothing. False when the row shows no record; throws the
  // engine's refusal.
  bool goToRow(int row);
  // Reads every row afresh; for changes the cursor does not announce (it was opened or closed).
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
  // The record in hand: its row, and whether it is a new record (its row is one of its own).
  struct InHand {
    int row = -1;
    bool inserted = false;
  };

  std::vector<Column> allFields() const;
  // The cursor position row `row` shows; 0 for a new record in hand.
  long positionOf(int row) const;
  int rowOfPosition(long position) const;
  void redrawRow(int row);
  // The cursor's notices.
  void stateChanged(long position);
  void recordStored(long position);
  void recordDeleted(long position);

  TableSource& source_;
  std::vector<Column> columns_;
  bool ownColumns_ = false;  // set by setColumns, else every field
  mutable long rows_ = -1;   // the row count, read when first needed
  InHand inHand_;
  bool reshaping_ = false;  // rows are being added, moved or removed under the views
};

}  // namespace torvanel
