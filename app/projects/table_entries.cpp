#include "app/projects/table_entries.h"

#include <QListWidget>

namespace torvanel {

namespace {

constexpr int kDatabaseRole = Qt::UserRole;
constexpr int kTableRole = Qt::UserRole + 1;

}  // namespace

QString tableEntryText(const TableRef& ref) { return ref.database + QLatin1Char('/') + ref.table; }

void fillTableEntries(QListWidget* list, const QList<TableRef>& tables) {
  list->clear();
  for (const TableRef& ref : tables) {
    auto* entry = new QListWidgetItem(tableEntryText(ref), list);
    entry->setData(kDatabaseRole, ref.database);
    entry->setData(kTableRole, ref.table);
  }
}

TableRef tableOfEntry(const QListWidget* list, int row) {
  const QListWidgetItem* entry = list->item(row);
  if (!entry) return {};
  return {entry->data(kDatabaseRole).toString(), entry->data(kTableRole).toString()};
}

}  // namespace torvanel
