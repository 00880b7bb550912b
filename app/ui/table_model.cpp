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
  connect(&source_, &TableSource::stateChanged, this, &TableModel::stateChanged);
  connect(&source_, &TableSource::recordStored, this, &TableModel::recordStored);
  connect(&source_, &TableSource::recordDeleted, this, &TableModel::recordDeleted);
  connect(&source_, &TableSource::recordChanged, this, [this] { redrawRow(inHand_.row); });
}

std::vector<TableModel::Column> TableModel::allFields() const {
  std::vector<Column> out;
  const tdb::Table& t = source_.table();
  if (!t.active()) return out;
  for (int i = 0; i < t.fieldCount(); ++i)
    out.push_back({i, fromGbk(t.fieldDefs()[i].name), {}, {}});
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
  inHand_ = {};
  tdb::Table& t = source_.table();
  if (t.active() && t.editing()) {
    // The cursor does not say again where a new record goes: it shows before the current one.
    const long at = t.position();
    const bool inserted = t.state() == tdb::DataSetState::dsInsert;
    inHand_ = {at > 0 ? static_cast<int>(at - 1) : static_cast<int>(t.recordCount()), inserted};
  }
  endResetModel();
}

long TableModel::positionOf(int row) const {
  if (inHand_.inserted) {
    if (row == inHand_.row) return 0;
    if (row > inHand_.row) return row;
  }
  return static_cast<long>(row) + 1;
}

int TableModel::rowOfPosition(long position) const {
  if (position <= 0) return -1;
  const int row = static_cast<int>(position - 1);
  return inHand_.inserted && row >= inHand_.row ? row + 1 : row;
}

int TableModel::currentRow() const {
  if (inHand_.row >= 0) return inHand_.row;
  tdb::Table& t = source_.table();
  if (!t.active()) return -1;
  return rowOfPosition(t.position());
}

bool TableModel::goToRow(int row) {
  // While rows come and go under a view, the view moves its current cell by itself; the cursor
  // has moved already.
  if (reshaping_) return false;
  if (row == inHand_.row) return true;
  const long position = positionOf(row);
  if (position <= 0) return false;
  tdb::Table& t = source_.table();
  if (!t.editing() && t.position() == position) return true;
  // Storing the record in hand can move rows: the record is found by its identity.
  const uint32_t record = t.recordAt(position);
  if (record == 0) return false;
  t.gotoBookmark({record});
  return true;
}

void TableModel::redrawRow(int row) {
  if (row < 0 || columns_.empty()) return;
  emit dataChanged(index(row, 0), index(row, static_cast<int>(columns_.size()) - 1));
}

void TableModel::stateChanged(long position) {
  const tdb::Table& t = source_.table();
  const InHand was = inHand_;
  if (t.state() == tdb::DataSetState::dsInsert) {
    if (was.row >= 0) return refresh();
    const int row = position > 0 ? rowOfPosition(position) : rowCount();
    reshaping_ = true;
    beginInsertRows({}, row, row);
    inHand_ = {row, true};
    if (rows_ >= 0) ++rows_;
    endInsertRows();
    reshaping_ = false;
  } else if (t.state() == tdb::DataSetState::dsEdit) {
    inHand_ = {rowOfPosition(position), false};
    redrawRow(inHand_.row);
  } else if (was.inserted) {
    // The new record was given up: its row goes.
    reshaping_ = true;
    beginRemoveRows({}, was.row, was.row);
    inHand_ = {};
    if (rows_ >= 0) --rows_;
    endRemoveRows();
    reshaping_ = false;
  } else {
    inHand_ = {};
    redrawRow(was.row);  // the change was given up: the stored values show again
  }
}

void TableModel::recordStored(long position) {
  const int from = inHand_.row;
  if (from < 0) return refresh();  // a store this model did not see begin
  inHand_ = {};
  const int to = static_cast<int>(position - 1);
  reshaping_ = true;
  if (position <= 0) {
    // Out of the view (a filter or a range leaves it out): its row goes.
    beginRemoveRows({}, from, from);
    if (rows_ >= 0) --rows_;
    endRemoveRows();
  } else if (to != from) {
    // Moved in the order: the row goes to its new place.
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    endMoveRows();
  }
  reshaping_ = false;
  if (position > 0) redrawRow(to);
}

void TableModel::recordDeleted(long position) {
  if (position <= 0 || inHand_.row >= 0) return refresh();
  const int row = static_cast<int>(position - 1);
  reshaping_ = true;
  beginRemoveRows({}, row, row);
  if (rows_ >= 0) --rows_;
  endRemoveRows();
  reshaping_ = false;
}

int TableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  tdb::Table& t = source_.table();
  if (!t.active()) return 0;
  if (rows_ < 0) rows_ = t.recordCount() + (inHand_.inserted ? 1 : 0);
  return static_cast<int>(rows_);
}

int TableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  if (index.column() >= columnCount() || columns_[static_cast<size_t>(index.column())].field < 0)
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool TableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.column() >= columnCount()) return false;
  tdb::Table& t = source_.table();
  const int field = columns_[static_cast<size_t>(index.column())].field;
  if (field < 0) return false;
  try {
    const QString text = value.toString();
    const std::string gbk = fieldGbk(text, fromGbk(t.fieldDefs()[field].name));
    if (!goToRow(index.row())) return false;
    t.edit();
    if (text.isEmpty())
      t.field(field).clear();
    else
      t.field(field).setAsString(gbk);
  } catch (const tdb::EngineError& e) {
    showError(e);
    return false;
  }
  redrawRow(inHand_.row);
  return true;
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
  if ((role != Qt::DisplayRole && role != Qt::EditRole) || !index.isValid()) return {};
  tdb::Table& t = source_.table();
  if (!t.active() || index.column() >= columnCount()) return {};
  const int field = columns_[static_cast<size_t>(index.column())].field;
  if (field < 0) return {};
  try {
    tdb::Value v;
    const long position = positionOf(index.row());
    if (position == 0) {
      v = t.field(field).value();  // the new record in hand
    } else {
      const uint32_t record = t.recordAt(position);
      if (record == 0) return {};
      v = t.valueAt(record, field);
    }
    if (v.isNull() || v.kind() == tdb::Value::Kind::Bytes) return QString();
    return fromGbk(tdb::displayText(v, t.fieldDefs()[field].type));
  } catch (const tdb::EngineError&) {
    return QString();  // a record another program damaged shows blank rather than stop the view
  }
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole && role != Qt::ForegroundRole) return {};
  if (orientation == Qt::Vertical)
    return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
  if (section < 0 || section >= columnCount()) return {};
  const Column& c = columns_[static_cast<size_t>(section)];
  if (role == Qt::ForegroundRole)
    return c.titleColour.isValid() ? QVariant(c.titleColour) : QVariant();
  return c.title;
}

}  // namespace torvanel
