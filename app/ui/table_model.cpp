#include "app/ui/table_model.h"

#include "app/common/gbk_string.h"
#include "app/ui/dialogs.h"
#include "engine/convert.h"
#include "engine/engine_error.h"

namespace torvanel {

TableModel::TableModel(TableSource& source, QObject* parent)
    : QAbstractTableModel(parent), source_(source) {
  columns_ = allFields();
  connect(&source_, &TableSource::dataSetChanged, this, &TableModel::refresh);
  connect(&source_, &TableSource::stateChanged, this, &TableModel::refresh);
}

std::vector<TableModel::Column> TableModel::allFields() const {
  std::vector<Column> out;
  const tdb::Table& t = source_.table();
  if (!t.active()) return out;
  for (int i = 0; i < t.fieldCount(); ++i) out.push_back({i, fromGbk(t.fieldDefs()[i].name), {}});
  return out;
}

void TableModel::setColumns(std::vector<Column> columns) {
  beginResetModel();
  ownColumns_ = true;
  columns_ = std::move(columns);
  rows_ = -1;
  endResetModel();
}

void TableModel::refresh() {
  beginResetModel();
  if (!ownColumns_) columns_ = allFields();
  rows_ = -1;
  endResetModel();
}

int TableModel::currentRow() const {
  tdb::Table& t = source_.table();
  if (!t.active()) return -1;
  return static_cast<int>(t.position()) - 1;
}

int TableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  tdb::Table& t = source_.table();
  if (!t.active()) return 0;
  if (rows_ < 0) rows_ = t.recordCount();
  return static_cast<int>(rows_);
}

int TableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool TableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.column() >= columnCount()) return false;
  tdb::Table& t = source_.table();
  const int field = columns_[static_cast<size_t>(index.column())].field;
  try {
    const QString text = value.toString();
    const std::string gbk = fieldGbk(text, fromGbk(t.fieldDefs()[field].name));
    if (t.position() != index.row() + 1 && !t.moveTo(index.row() + 1)) return false;
    t.edit();
    if (text.isEmpty())
      t.field(field).clear();
    else
      t.field(field).setAsString(gbk);
  } catch (const tdb::EngineError& e) {
    showError(e);
    return false;
  }
  emit dataChanged(index, index);
  return true;
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
  if ((role != Qt::DisplayRole && role != Qt::EditRole) || !index.isValid()) return {};
  tdb::Table& t = source_.table();
  if (!t.active() || index.column() >= columnCount()) return {};
  const int field = columns_[static_cast<size_t>(index.column())].field;
  try {
    const uint32_t record = t.recordAt(index.row() + 1);
    if (record == 0) return {};
    const tdb::Value v = t.valueAt(record, field);
    if (v.isNull() || v.kind() == tdb::Value::Kind::Bytes) return QString();
    return fromGbk(tdb::displayText(v, t.fieldDefs()[field].type));
  } catch (const tdb::EngineError&) {
    return QString();  // a record another program damaged shows blank rather than stop the view
  }
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  if (section < 0 || section >= columnCount()) return {};
  return columns_[static_cast<size_t>(section)].title;
}

}  // namespace torvanel
