#pragma once

#include <memory>
#include <string>

#include "engine/field_defs.h"
#include "engine/index/production_index.h"
#include "engine/storage.h"
#include "engine/table_type.h"

// Which driver reads a table, and the driver operations that need no open cursor.
namespace tdb::drivers {

// The type a table file is handled as: ttDefault takes it from the extension (.DB Paradox, .TXT
// text, anything else xBase).
TableType resolve(TableType type, const std::string& path);

// Opens the table at `path` with the driver of `type` (resolved as above). `badTags`: see
// ProductionIndex; formats without tags ignore it.
std::unique_ptr<Storage> open(const std::string& path, TableType type, bool exclusive,
                              ProductionIndex::BadTags badTags = ProductionIndex::BadTags::Refuse);

// Creates an empty table of that structure and those indexes, replacing one of that name.
void create(const std::string& path, TableType type, const FieldDefs& fields,
            const IndexDefs& indexes);

// Deletes the table with its companion files.
void remove(const std::string& path, TableType type);

}  // namespace tdb::drivers
