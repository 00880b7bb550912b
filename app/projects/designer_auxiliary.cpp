// The designer's auxiliary rows: the table chosen for a row, the relation panel and the lookup
// index list, each refusing what the row is not ready for.

#include <QListWidget>

#include "app/projects/auxiliary_grid.h"
#include "app/projects/project_designer.h"
#include "app/projects/relation_panel.h"
#include "app/ui/dialogs.h"
#include "engine/engine_error.h"

namespace torvanel {

namespace {

using C = AuxiliaryGrid::Column;

const QString kClearIndex = QStringLiteral("清除当前辅助表索引");

}  // namespace

TableRef TForm04::rowTable(int row) const {
  return {grid_->text(row, C::kDatabase), grid_->text(row, C::kTable)};
}

QList<TableRef> TForm04::auxiliaryTables(bool withDatabase) const {
  QList<TableRef> out;
  for (int r = 0; r < grid_->rowCount(); ++r) {
    const TableRef t = rowTable(r);
    if (t.table.trimmed().isEmpty() || (withDatabase && t.database.trimmed().isEmpty())) continue;
    out << t;
  }
  return out;
}

std::optional<TableStructure> TForm04::structureOf(const TableRef& ref) const {
  try {
    return readStructure(ref, dbfType_());
  } catch (const tdb::EngineError& e) {
    showError(e);
    return std::nullopt;
  }
}

QStringList TForm04::fieldsOf(const TableRef& ref) const {
  const std::optional<TableStructure> s = structureOf(ref);
  return s ? s->fields : QStringList();
}

void TForm04::auxiliaryChosen(const TableRef& ref) {
  const int row = grid_->currentRow();
  if (row < 0) return;
  const TableRef held = rowTable(row);
  if (held.database == ref.database && held.table == ref.table) return;
  grid_->setText(row, C::kDatabase, ref.database);
  grid_->setText(row, C::kTable, ref.table);
  // The relation named the old table's keys.
  grid_->setText(row, C::kRelation, QString());
}

void TForm04::openRelation() {
  const int row = grid_->currentRow();
  if (row < 0) return;
  const QString type = grid_->text(row, C::kType).trimmed();
  QString refusal;
  if (project_.master.trimmed().isEmpty())
    refusal = QStringLiteral("项目主数据表没有设置,不能设置关系!");
  else if (grid_->text(row, C::kTable).trimmed().isEmpty())
    refusal = QStringLiteral("本项辅助数据表没有设置,不能建立关系!");
  else if (type.isEmpty())
    refusal = QStringLiteral("本项关系类型没有设置,不能设置关系!");
  if (!refusal.isEmpty()) {
    dialogs().message(refusal);
    return;
  }
  const TableRef master = project_.masterRef();
  const QString leftCaption = QStringLiteral("辅表:") + grid_->text(row, C::kTable);
  const std::optional<TableStructure> auxiliary = structureOf(rowTable(row));
  if (!auxiliary) return;
  const bool byIndex = type == kIndexRelation;
  if (byIndex && auxiliary->indexes.isEmpty()) {
    dialogs().message(leftCaption + QStringLiteral("没有索引,不能建立索引关系!"));
    return;
  }
  const std::optional<TableStructure> masterStructure = structureOf(master);
  if (!masterStructure) return;
  relationRow_ = row;
  relation_->open(leftCaption, byIndex ? auxiliary->indexes : auxiliary->fields,
                  QStringLiteral("主表:") + master.table, masterStructure->fields);
}

void TForm04::relationConfirmed() {
  grid_->setText(relationRow_, C::kRelation, relation_->result());
  relation_->hide();
}

void TForm04::openLookupIndexes() {
  const int row = grid_->currentRow();
  if (row < 0) return;
  if (grid_->text(row, C::kTable).trimmed().isEmpty()) {
    dialogs().message(QStringLiteral("本项辅助数据表没有设置,不能选择索引!"));
    return;
  }
  if (grid_->text(row, C::kType).trimmed() == kIndexRelation) {
    dialogs().message(QStringLiteral("本项关系类型为[索引]关系,不能选择索引!"));
    return;
  }
  const TableRef table = rowTable(row);
  QStringList indexes;
  try {
    indexes = readStructure(table, dbfType_()).indexes;
  } catch (const tdb::EngineError&) {
    dialogs().message(table.text() + QStringLiteral("数据表不能打开!"));
    return;
  }
  if (indexes.isEmpty()) {
    dialogs().message(table.text() + QStringLiteral("数据表没有索引,不能选择!"));
    grid_->setText(row, C::kLookup, QString());
    return;
  }
  relationRow_ = row;
  lookupList_->clear();
  lookupList_->addItem(kClearIndex);
  lookupList_->addItems(indexes);
  lookupList_->setCurrentRow(0);
  lookupList_->show();
  lookupList_->raise();
  lookupList_->setFocus();
}

void TForm04::lookupIndexChosen(int entry) {
  lookupList_->hide();
  grid_->setText(relationRow_, C::kLookup,
                 entry <= 0 ? QString() : lookupList_->item(entry)->text());
}

}  // namespace torvanel
