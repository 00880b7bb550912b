#pragma once

#include <QList>

#include "app/common/table_ref.h"

class QListWidget;

namespace torvanel {

// Lists of tables in the designer's overlays show each table as database + "/" + table. Each
// entry carries its table too, so the text is never split back into its parts: a folder's own
// "/" would make that ambiguous.
void fillTableEntries(QListWidget* list, const QList<TableRef>& tables);
TableRef tableOfEntry(const QListWidget* list, int row);
QString tableEntryText(const TableRef& ref);

}  // namespace torvanel
