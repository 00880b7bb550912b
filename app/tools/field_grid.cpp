#include "app/tools/field_grid.h"

#include <QHeaderView>
#include <QMenu>

#include "app/common/gbk_string.h"

namespace torvanel {

namespace {

enum Column { kNumber, kName, kType, kWidth, kRequired, kColumns };

const QString kTick = QStringLiteral("√");

}  // namespace

FieldGrid::FieldGrid(QWidget* parent) : QTableWidget(parent) {
  setObjectName(QStringLiteral("fields"));
  setColumnCount(kColumns);
  setHorizontalHeaderLabels({QString(), QStringLiteral("字段名称"), QStringLiteral("类型"),
                             QStringLiteral("宽度"), QStringLiteral("必须赋值")});
  verticalHeader()->hide();
  setSelectionMode(QAbstractItemView::SingleSelection);
  setColumnWidth(kNumber, 36);
  setColumnWidth(kName, 120);
  setContextMenuPolicy(Qt::CustomContextMenu);

  rowMenu_ = new QMenu(this);
  connect(rowMenu_->addAction(QStringLiteral("插入行")), &QAction::triggered, this,
          [this] { insertAt(currentRow()); });
  connect(rowMenu_->addAction(QStringLiteral("增加行")), &QAction::triggered, this,
          [this] { insertAt(rowCount()); });
  connect(rowMenu_->addAction(QStringLiteral("删除行")), &QAction::triggered, this,
          [this] { removeAt(currentRow()); });
  typeMenu_ = new QMenu(this);
  typeMenu_->addAction(QStringLiteral("选择字段类型"))->setEnabled(false);
  typeMenu_->addSeparator();
  for (const FieldTypeChoice& choice : fieldTypeChoices()) {
    connect(typeMenu_->addAction(QString::fromUtf8(choice.caption)), &QAction::triggered, this,
            [this, &choice] { pickType(choice); });
  }

  connect(this, &QTableWidget::itemChanged, this, &FieldGrid::cellChanged);
  connect(this, &QTableWidget::cellClicked, this, &FieldGrid::clicked);
  connect(this, &QWidget::customContextMenuRequested, this, &FieldGrid::menuRequested);
  load({});
}

void FieldGrid::load(const tdb::FieldDefs& fields) {
  rows_.clear();
  for (const tdb::FieldDef& def : fields)
    rows_.push_back(DesignerRow::fromField(def, fromGbk(def.name)));
  if (rows_.empty()) rows_.emplace_back();
  // A wide table fills in one go: no repaint and no signal per cell.
  setUpdatesEnabled(false);
  clearContents();
  setRowCount(static_cast<int>(rows_.size()));
  for (int r = 0; r < rowCount(); ++r) showRow(r);
  setUpdatesEnabled(true);
  setCurrentCell(0, kName);
}

QStringList FieldGrid::names() const {
  QStringList out;
  for (const DesignerRow& row : rows_) out << row.name;
  return out;
}

void FieldGrid::showRow(int row) {
  const DesignerRow& r = rows_[static_cast<size_t>(row)];
  const bool wasShowing = showing_;
  showing_ = true;
  const auto cell = [&](int column, const QString& text, bool typable) {
    auto* item = new QTableWidgetItem(text);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (typable) flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    setItem(row, column, item);
  };
  cell(kNumber, QString::number(row + 1), false);
  cell(kName, r.name, true);
  cell(kType, r.type == tdb::FieldType::ftUnknown ? QString() : shownTypeName(r.type), false);
  cell(kWidth, r.width, r.widthTypable());
  cell(kRequired, r.required ? kTick : QString(), false);
  showing_ = wasShowing;
}

void FieldGrid::cellChanged(QTableWidgetItem* item) {
  if (showing_) return;
  DesignerRow& r = rows_[static_cast<size_t>(item->row())];
  if (item->column() == kName) r.name = item->text();
  if (item->column() == kWidth) r.width = item->text();
}

void FieldGrid::clicked(int row, int column) {
  if (column != kRequired) return;
  DesignerRow& r = rows_[static_cast<size_t>(row)];
  r.required = !r.required;
  showRow(row);
}

void FieldGrid::menuRequested(const QPoint& at) {
  const QModelIndex cell = indexAt(at);
  if (!cell.isValid() || cell.column() == kNumber) return;
  setCurrentCell(cell.row(), cell.column());
  QMenu* menu = cell.column() == kType ? typeMenu_ : rowMenu_;
  menu->popup(viewport()->mapToGlobal(at));
}

void FieldGrid::pickType(const FieldTypeChoice& choice) {
  const int row = currentRow();
  if (row < 0) return;
  rows_[static_cast<size_t>(row)].pickType(choice);
  showRow(row);
}

void FieldGrid::insertAt(int row) {
  if (row < 0) row = 0;
  rows_.insert(rows_.begin() + row, DesignerRow{});
  insertRow(row);
  showRow(row);
  renumber(row + 1);
}

void FieldGrid::removeAt(int row) {
  if (row < 0) return;
  if (rowCount() == 1) {
    rows_[0] = DesignerRow{};
    showRow(0);
    return;
  }
  rows_.erase(rows_.begin() + row);
  removeRow(row);
  renumber(row);
}

void FieldGrid::renumber(int from) {
  showing_ = true;
  for (int r = from; r < rowCount(); ++r) item(r, kNumber)->setText(QString::number(r + 1));
  showing_ = false;
}

}  // namespace torvanel
