#pragma once

#include <memory>
#include <string>

#include "engine/dbf/dbf_storage.h"
#include "engine/table.h"

namespace tdb::cli {

// Opens the file of a table pointed at by pointTable through the xBase driver itself, for the
// commands that work on its index tags: unlike a cursor, the driver opens a table whose index has
// tags the engine cannot evaluate (each one's `problem` says why), so that such a table can still
// be described, copied in structure and repaired. Throws std::runtime_error for a table of a
// format without tags, EngineError for what the driver refuses.
std::unique_ptr<dbf::DbfStorage> openTableFile(const Table& table, bool exclusive);

// "unique", "descending", both joined by ',' or empty: a tag's options as `tdb info` shows them.
std::string tagFlags(const ProductionIndex::Tag& tag);

}  // namespace tdb::cli
