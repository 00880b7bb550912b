#include "app/ui/table_source.h"

namespace torvanel {

TableSource::TableSource(tdb::Table& table, QObject* parent) : QObject(parent), table_(table) {
  table_.addObserver(this);
}

TableSource::~TableSource() { table_.removeObserver(this); }

void TableSource::tableEvent(tdb::Table&, tdb::TableEvent event) {
  switch (event) {
    case tdb::TableEvent::DataSetChanged:
      emit dataSetChanged();
      break;
    case tdb::TableEvent::RecordChanged:
      emit recordChanged();
      break;
    case tdb::TableEvent::Scrolled:
      emit scrolled();
      break;
    case tdb::TableEvent::StateChanged:
      emit stateChanged();
      break;
  }
}

}  // namespace torvanel
