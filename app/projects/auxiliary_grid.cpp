#include "app/projects/auxiliary_grid.h"

#include <QHeaderView>
#include <QMenu>

namespace torvanel {

AuxiliaryGrid::AuxiliaryGrid(QWidget* parent) : QTableWidget(0, kColumns, parent) {
  setObjectName(QStringLiteral("auxiliaryGrid"));
  setHorizontalHeaderLabels({QStringLiteral("序号"), QStringLiteral("链接别名"),
                             QStringLiteral("数据表名称"), QStringLiteral("关系类型"),
                             QStringLiteral("关系字段"), QStringLiteral("显示"),
                             QStringLiteral("索引字段")});
  verticalHeader()->hide();
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setContextMenuPolicy(Qt::CustomContextMenu);

  menu_ = new QMenu(this);
  const auto add = [this](QMenu* menu, const char* caption, auto slot) {
    connect(menu->addAction(QString::fromUtf8(caption)), &QAction::triggered, this, slot);
  };
  add(menu_, "插入辅助表行", [this] { insertAt(std::max(currentRow(), 0)); });
  add(menu_, "增加辅助表行", [this] { insertAt(rowCount()); });
  add(menu_, "删除辅助表行", [this] { removeCurrent(); });
  menu_->addSeparator();
  add(menu_, "设置辅助表项", [this] { emit tableRequested(); });
  QMenu* types = menu_->addMenu(QStringLiteral("设置关系类型"));
  add(types, "[索引]关系", [this] { setType(kIndexRelation); });
  add(types, "[查找]关系", [this] { setType(kLookupRelation); });
  add(types, "清除关系类型", [this] { setType(QString()); });
  add(menu_, "设置关系字段", [this] { emit relationRequested(); });
  add(menu_, "选择辅助表索引", [this] { emit lookupIndexRequested(); });
  QMenu* shown = menu_->addMenu(QStringLiteral("是否显示"));
  add(shown, "显示", [this] { setText(currentRow(), kShown, torvanel::kShown); });
  add(shown, "不显示", [this] { setText(currentRow(), kShown, torvanel::kNotShown); });
  connect(this, &QWidget::customContextMenuRequested, this, &AuxiliaryGrid::menuRequested);
  load({});
}

void AuxiliaryGrid::load(const QList<AuxiliaryTable>& tables) {
  setRowCount(0);
  for (const AuxiliaryTable& t : tables) {
    const int row = rowCount();
    insertAt(row);
    const QString cells[] = {t.database,     t.table, t.relationType,
                             t.relationText, t.shown, t.lookupIndex};
    for (int c = kDatabase; c < kColumns; ++c)
      setText(row, static_cast<Column>(c), cells[c - kDatabase]);
  }
  if (rowCount() == 0) insertAt(0);
  setCurrentCell(0, kDatabase);
}

QList<AuxiliaryTable> AuxiliaryGrid::tables() const {
  QList<AuxiliaryTable> out;
  for (int r = 0; r < rowCount(); ++r)
    out.push_back({text(r, kDatabase), text(r, kTable), text(r, kType), text(r, kRelation),
                   text(r, kShown), text(r, kLookup)});
  return out;
}

QString AuxiliaryGrid::text(int row, Column column) const {
  const QTableWidgetItem* cell = item(row, column);
  return cell ? cell->text() : QString();
}

void AuxiliaryGrid::setText(int row, Column column, const QString& text) {
  if (row < 0 || row >= rowCount()) return;
  item(row, column)->setText(text);
}

void AuxiliaryGrid::menuRequested(const QPoint& at) {
  // Not over the row numbers; over a cell, that cell is the one the menu acts on.
  const QModelIndex cell = indexAt(at);
  if (cell.isValid() && cell.column() == kNumber) return;
  if (cell.isValid()) setCurrentCell(cell.row(), cell.column());
  if (currentRow() < 0) setCurrentCell(0, kDatabase);
  menu_->popup(viewport()->mapToGlobal(at));
}

void AuxiliaryGrid::insertAt(int row) {
  insertRow(row);
  for (int c = 0; c < kColumns; ++c) setItem(row, c, new QTableWidgetItem);
  renumber();
}

void AuxiliaryGrid::removeCurrent() {
  const int row = currentRow();
  if (row < 0) return;
  if (rowCount() == 1) {
    for (int c = kDatabase; c < kColumns; ++c) setText(0, static_cast<Column>(c), QString());
    return;
  }
  removeRow(row);
  renumber();
}

void AuxiliaryGrid::setType(const QString& type) {
  const int row = currentRow();
  if (row < 0 || text(row, kType) == type) return;
  setText(row, kType, type);
  setText(row, kRelation, QString());
  // An index relation orders the table by its own key: a lookup index would contradict it.
  if (type == kIndexRelation) setText(row, kLookup, QString());
}

void AuxiliaryGrid::renumber() {
  for (int r = 0; r < rowCount(); ++r) item(r, kNumber)->setText(QString::number(r + 1));
}

}  // namespace torvanel
