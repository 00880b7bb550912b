#pragma once

#include <QObject>

#include "engine/table.h"

namespace torvanel {

// The data source of a window's main table: it hears the cursor's notices and passes them on as
// Qt signals, so that every control bound to the table follows it. It does not own the table.
// Positions count from 1 in the cursor's order, as tdb::TableNotice says.
class TableSource : public QObject, private tdb::TableObserver {
  Q_OBJECT

 public:
  explicit TableSource(tdb::Table& table, QObject* parent = nullptr);
  ~TableSource() override;

  tdb::Table& table() const { return table_; }

 signals:
  void dataSetChanged();  // records may have come, gone or changed anywhere: read them again
  void recordChanged();   // the current record's values changed while it is edited
  void scrolled();        // another record became current
  // Browse, edit or insert; entering edit the record's position, entering insert the position of
  // the record the new one goes before (0: at the end); 0 back in browse.
  void stateChanged(long position);
  void recordStored(long position);   // the record in hand was stored there (0: out of view)
  void recordDeleted(long position);  // the record at the position was deleted

 private:
  void tableEvent(tdb::Table& table, const tdb::TableNotice& notice) override;

  tdb::Table& table_;
};

}  // namespace torvanel
