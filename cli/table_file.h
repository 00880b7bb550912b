#pragma once

#include <memory>
#include <string>

#include "engine/index/production_index.h"
#include "engine/storage.h"
#include "engine/table.h"

namespace tdb::cli {

// Opens the file of a table pointed at by pointTable through its driver itself, for the commands
// that work on its index tags: unlike a cursor, the driver opens a table whose index has tags
// the engine cannot evaluate (each one's `problem` says why), so that such a table can still be
// described, copied in structure and repaired. Throws EngineError for what the driver refuses.
std::unique_ptr<Storage> openTableFile(const Table& table, bool exclusive);

// The table's index tags; throws std::runtime_error naming the table when its format keeps none.
ProductionIndex& indexOf(Storage& file, const Table& table);

// "unique", "descending", both joined by ',' or empty: a tag's options as `tdb info` shows them.
std::string tagFlags(const ProductionIndex::Tag& tag);

}  // namespace tdb::cli
