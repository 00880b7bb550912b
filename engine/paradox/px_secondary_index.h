#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/paradox/px_header.h"

namespace tdb::px {

// A secondary index of a Paradox table, kept in two files beside it.
//
// The .Xnn file is laid out like a table: its header lists the index fields, then the table's
// primary key fields, then "Hint", a short holding the number of the table's data block where the
// record lives; its records, one per table record, stand in index order. The .Ynn file indexes
// the .Xnn's data blocks the way a primary index indexes a table's: a tree whose entries hold the
// first key of a block below, that block's number and how many records lie under it.
//
// A single-field case-sensitive index is named by its field: extension "X" and the field's number
// (from 1) in two hex digits, and the field's name. Every other index carries a name of its own
// and takes an extension "XG0" to "XG9", then "XGA" to "XGZ". The .Ynn file's extension is the
// .Xnn's with 'Y' for 'X'.
struct SecondaryIndex {
  std::string name;              // GBK; for an index named by its field, the field's name
  std::vector<uint32_t> fields;  // 0-based positions in the table, at most 16
  bool caseInsensitive = false;  // ASCII letters of alpha fields compare folded to upper case
  bool descending = false;
  bool unique = false;
  // Its .Xnn file's extension in upper case ("X02", "XG0"): set by readSecondaryIndexes and
  // writeSecondaryIndex, empty for an index that has no files yet.
  std::string extension;

  // True for the index that its single field names (and that is stored as "Xnn").
  bool namedByField() const { return fields.size() == 1 && !caseInsensitive; }
};

// The definitions of the secondary indexes beside table `dbPath`: every file named like the table
// with an .Xnn or .XGn extension in any case, ordered by extension. Only the .Xnn files' headers
// are read. A file whose header is damaged or does not fit the table (fields that are not the
// table's, a field number outside it) throws EngineError naming the file.
std::vector<SecondaryIndex> readSecondaryIndexes(const std::string& dbPath, const Header& table);

// The sort key of a record (`record` holds table.recordSize bytes) in index `def`: the bytes of
// the index fields in the index's order, with the ASCII letters of alpha fields folded to upper
// case when the index is case-insensitive (the two bytes of a GBK character are kept as they
// are), and every byte inverted when it is descending. Keys of one index all have the same length
// and memcmp orders them as the index does; records with equal keys are ordered by the caller.
// Throws EngineError when a field position lies outside the table.
std::string secondaryKey(const Header& table, const SecondaryIndex& def, const char* record);

// Throws EngineError naming the index when its files could not hold `def` over `table` (see
// writeSecondaryIndex); the name check does not apply to an index named by its field, whose name
// is the field's.
void checkDefinition(const Header& table, const SecondaryIndex& def);

// The extension for `def`'s .Xnn file: "X" and the field number for an index named by its field;
// for any other, def.extension when it is of the "XGn" form, else the first "XGn" that none of
// `others` has.
std::string indexExtension(const SecondaryIndex& def, const std::vector<SecondaryIndex>& others);

// Writes the .Xnn and .Ynn files of `def` for the table's records as they stand, and returns the
// .Xnn extension used (indexExtension with the index files beside the table as the others; an
// existing file of that extension, in whatever case, is replaced). `record(i, bytes, block)` gives
// record i's bytes and the number of the table's data block holding it, for i from 1 to `count`
// in table order. Records with equal keys keep their table order (for a keyed table, its primary
// key order).
//
// Each file is written to a temporary file beside it and renamed into place, the .Xnn first.
// Throws EngineError, leaving the old files as they were, on a unique index whose records repeat
// a key (naming the index and both records), on a definition the format cannot hold (no fields,
// more than 16, a field repeated, outside the table or a blob, a keyed table's first key field
// first, entries too long for the table's blocks, a name that is missing, over 25 bytes or a
// field's name), and on I/O errors.
std::string writeSecondaryIndex(
    const std::string& dbPath, const Header& table, const SecondaryIndex& def, uint32_t count,
    const std::function<void(uint32_t, std::string&, uint32_t&)>& record);

// Deletes the .Xnn and .Ynn files of `def` (found by def.extension, else by its field or its
// name), in whatever case they exist. Files that are not there are no error.
void removeSecondaryIndex(const std::string& dbPath, const Header& table,
                          const SecondaryIndex& def);

}  // namespace tdb::px
