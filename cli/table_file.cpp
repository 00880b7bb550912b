#include "cli/table_file.h"

#include <stdexcept>

#include "engine/drivers.h"

namespace tdb::cli {

std::unique_ptr<Storage> openTableFile(const Table& table, bool exclusive) {
  return drivers::open(table.path(), table.tableType(), exclusive, ProductionIndex::BadTags::Keep);
}

ProductionIndex& indexOf(Storage& file, const Table& table) {
  ProductionIndex* index = file.productionIndex();
  if (!index)
    throw std::runtime_error("table " + table.path() + ": a " + table.driverTypeName() +
                             " table keeps no index tags");
  return *index;
}

std::string tagFlags(const ProductionIndex::Tag& tag) {
  std::string flags;
  if (tag.info.unique) flags = "unique";
  if (tag.info.descending) flags += flags.empty() ? "descending" : ",descending";
  return flags;
}

}  // namespace tdb::cli
