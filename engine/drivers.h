#pragma once

#include <memory>
#include <string>

#include "engine/companion_files.h"
#include "engine/field_defs.h"
#include "engine/index/production_index.h"
#include "engine/posix_file.h"
#include "engine/storage.h"
#include "engine/table_type.h"

namespace tdb {
class TableSwap;
}

// Which driver reads a table, and the driver operations that need no open cursor.
namespace tdb::drivers {

// The type a table file is handled as: ttDefault takes it from the extension (.DB Paradox, .TXT
// text, anything else xBase).
TableType resolve(TableType type, const std::string& path);

// The type of the table on disk at `path`: an xBase table's own flavour (a FoxPro table is FoxPro
// and a dBASE table dBASE, whatever `type` says), else `type` resolved as above. A table both
// formats write alike, with neither's memo or index file beside it, keeps `type` (dBASE for
// ttDefault); so does a file that cannot be read, whose open then says why.
TableType typeOf(const std::string& path, TableType type);

// Why a table of that type at `path` could not be created with these fields and indexes (a field
// name too long or not GBK or with trailing blanks, a duplicate name differing only in case, a
// width of 0 or beyond the format, a type the format has no column for, an index option or
// expression the format refuses, a primary key on fields that are not the leading ones, an index
// name too long, ...), as one line naming the field or index; "" when it could. Writes nothing,
// reads nothing. Creation asks it first and refuses with its reason, so a structure it passes is
// one creation takes.
std::string structureProblem(const std::string& path, TableType type, const FieldDefs& fields,
                             const IndexDefs& indexes);

// Opens the table at `path` with the driver of `type` (resolved as above). `badTags`: see
// ProductionIndex; formats without tags ignore it.
std::unique_ptr<Storage> open(const std::string& path, TableType type, bool exclusive,
                              ProductionIndex::BadTags badTags = ProductionIndex::BadTags::Refuse);

// A table made anew under its name (a create, a copy): built whole beside the table of that name,
// which stays as it was, and which nobody can open, until commit() swaps the new one into place
// (table_swap.h) and removes the old one's other files (a Paradox table's old indexes, say).
class Replacement {
 public:
  // Refuses, before writing anything, a name whose companion files belong to another table as
  // well (companion_files.h) and a table somebody has open; then writes the new, empty table.
  Replacement(const std::string& path, TableType type, const FieldDefs& fields,
              const IndexDefs& indexes);
  // Without commit(), the new table goes and the old one stays.
  ~Replacement();
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;

  // The new table, open exclusively, to be filled before commit().
  Storage& storage();
  // The old table's exclusive lock, held to the end; null when there was no table. A LockLoan of
  // it lets the old table be read meanwhile.
  const PosixFile* lock() const { return lock_.get(); }
  // Closes the new table, its index files written, and swaps it into place; then the table may
  // be opened. Throws EngineError when a step fails; the old table stays unless the swap had
  // begun, which the next exclusive open then finishes.
  void commit();

 private:
  std::string path_;
  TableType type_;
  companions::Family family_;
  std::unique_ptr<PosixFile> lock_;  // the old table's exclusive lock, held to the end
  std::unique_ptr<tdb::TableSwap> swap_;
  std::unique_ptr<Storage> storage_;
};

// Creates an empty table of that structure and those indexes, replacing one of that name, as a
// Replacement does.
void create(const std::string& path, TableType type, const FieldDefs& fields,
            const IndexDefs& indexes);

// Deletes the table with its companion files, but for those another table shares; refuses while
// anybody has it open.
void remove(const std::string& path, TableType type);

}  // namespace tdb::drivers
