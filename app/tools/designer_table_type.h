#pragma once

#include <QString>

#include "engine/table_type.h"

namespace torvanel {

// The type a new table is created as: a .DBF name (in any case) takes the default xBase type the
// user set; any other name is left to the engine, which goes by the extension.
inline tdb::TableType newTableType(const QString& tableName, tdb::TableType defaultDbfType) {
  return tableName.toUpper().endsWith(QLatin1String(".DBF")) ? defaultDbfType
                                                             : tdb::TableType::ttDefault;
}

}  // namespace torvanel
