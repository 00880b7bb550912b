#pragma once

#include <QStringList>
#include <functional>

#include "app/common/table_ref.h"
#include "engine/table_type.h"

namespace torvanel {

// What the designer offers of a table it names but does not open: its field names in order and
// its indexes, each written as the index's field list followed by its expression (one of the two
// is empty), as relation texts and lookup indexes store them.
struct TableStructure {
  QStringList fields;
  QStringList indexes;
};

// Reads the structure of `ref` through the engine, a ".DBF" name as `dbfType`. Throws
// tdb::EngineError when the table cannot be read.
TableStructure readStructure(const TableRef& ref, tdb::TableType dbfType);

// The type a project's tables are read as: the main window's default for ".DBF".
using DbfTypeSource = std::function<tdb::TableType()>;

}  // namespace torvanel
