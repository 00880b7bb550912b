#include "app/ui/table_source.h"

namespace torvanel {

TableSource::TableSource(tdb::Table& table, QObject* parent) : QObject(parent), table_(table) {
  table_.addObserver(this);
}

TableSource::~TableSource() { table_.removeObserver(this); }

void TableSource::tableEvent(tdb::Table&, const tdb::TableNotice& notice) {
  switch (notice.event) {
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
      emit stateChanged(notice.position);
      break;
    case tdb::TableEvent::RecordStored:
      emit recordStored(notice.position);
      break;
    case tdb::TableEvent::RecordDeleted:
      emit recordDeleted(notice.position);
      break;
  }
}

}  // namespace torvanel
