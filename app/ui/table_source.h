#pragma once

#include <QObject>

#include "engine/table.h"

namespace torvanel {

// The data source of a window's main table: it hears the cursor's events and passes them on as
// Qt signals, so that every control bound to the table follows it. It does not own the table.
class TableSource : public QObject, private tdb::TableObserver {
  Q_OBJECT

 public:
  explicit TableSource(tdb::Table& table, QObject* parent = nullptr);
  ~TableSource() override;

  tdb::Table& table() const { return table_; }

 signals:
  void dataSetChanged();  // records came, went or changed: rows must be read again
  void recordChanged();   // the current record's values changed while it is edited
  void scrolled();        // another record became current
  void stateChanged();    // browse, edit or insert

 private:
  void tableEvent(tdb::Table& table, tdb::TableEvent event) override;

  tdb::Table& table_;
};

}  // namespace torvanel
