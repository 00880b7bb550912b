#include "cli/table_file.h"

#include <stdexcept>

namespace tdb::cli {

std::unique_ptr<dbf::DbfStorage> openTableFile(const Table& table, bool exclusive) {
  const std::string driver = table.driverTypeName();
  if (driver != "DBASE" && driver != "FOXPRO")
    throw std::runtime_error("table " + table.path() + ": the engine has no " + driver +
                             " driver yet");
  return dbf::DbfStorage::open(table.path(), exclusive, table.tableType(),
                               ProductionIndex::BadTags::Keep);
}

std::string tagFlags(const ProductionIndex::Tag& tag) {
  std::string flags;
  if (tag.info.unique) flags = "unique";
  if (tag.info.descending) flags += flags.empty() ? "descending" : ",descending";
  return flags;
}

}  // namespace tdb::cli
