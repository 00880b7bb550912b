#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/paradox/px_secondary_index.h"
#include "engine/paradox/px_table.h"
#include "engine/posix_file.h"
#include "engine/storage.h"

namespace tdb::px {

// The driver for Paradox tables (.DB): every version from 3 to 7 read and changed in place, new
// tables written as version 7 with code page 936. Blobs live in the .MB file (small ones inside
// the record).
//
// Record numbers are positions in table order: Paradox has no delete mark, so a deleted record
// leaves the table and the records after it move up; an insert moves them down. A keyed table
// keeps its records in primary-key order, so that is its natural order: a post puts the record
// where its key belongs (and fails when another record has that key), and after every change the
// primary index (.PX) is rewritten when the table is flushed or closed. An unkeyed table inserts
// where it is asked to. The primary key appears among the index definitions with an empty name,
// its key fields joined by ";" and ixPrimary. Buffered updates need a key: it is what finds a
// record again after others moved.
//
// Sharing: an open takes a shared or an exclusive lock on the table file (table_lock.h). Every
// change takes a second byte exclusively for its duration and first reloads the block chain when
// another holder changed the table since; from then until refresh(), changes that name a record by
// number are refused, since another holder's inserts and deletes move records.
class ParadoxStorage : public Storage {
 public:
  // Opens an existing table. Throws EngineError naming the file when it is missing, damaged or
  // locked against this open.
  static std::unique_ptr<ParadoxStorage> open(const std::string& path, bool exclusive);
  // Writes a new empty table (with its .MB and .PX when it needs them) where no file of a table
  // of that name exists (drivers::create builds a table so and swaps it into place). The fields
  // map onto Paradox types (see paradoxField in the .cpp); an ixPrimary index must name the first
  // fields in order. Throws EngineError before writing anything when the structure cannot be
  // kept.
  static void create(const std::string& path, const FieldDefs& fields, const IndexDefs& indexes);
  // The header create() writes for that structure and its secondary indexes, checked as create()
  // checks them; throws EngineError naming the field or index the format cannot hold. Touches no
  // file.
  static Header design(const std::string& path, const FieldDefs& fields, const IndexDefs& indexes,
                       std::vector<SecondaryIndex>& secondary);
  ~ParadoxStorage() override;

  const FieldDefs& fieldDefs() const override { return table_->fieldDefs(); }
  const IndexDefs& indexDefs() const override { return indexes_; }
  uint32_t recordCount() const override { return table_->recordCount(); }
  void refresh() override;
  // Every reload counts; a shared open adds the table's change stamp, which every writer moves
  // (version 3 tables keep none, so a shared open of one cannot tell).
  std::optional<uint64_t> readsMark() override;
  void read(uint32_t recno, RecordBuffer& buf) override;
  bool isDeleted(uint32_t) override { return false; }
  bool isDeleted(const RecordBuffer&) const override { return false; }
  Value get(const RecordBuffer& buf, int field) override;
  void getAll(const RecordBuffer& buf, std::vector<Value>& out) override;
  bool textView(const RecordBuffer& buf, int field, std::string_view& out) const override;
  void set(RecordBuffer& buf, int field, const Value& value) override;
  void blank(RecordBuffer& buf) override;
  uint32_t write(uint32_t recno, RecordBuffer& buf) override;
  uint32_t append(RecordBuffer& buf) override;
  uint32_t insert(uint32_t before, RecordBuffer& buf) override;
  void setDeleted(uint32_t recno, bool deleted) override;
  bool removesRecords() const override { return true; }
  void pack() override;
  void flush() override;
  // A table built whole holds a batch's appends at its end in memory and writes them in runs of
  // blocks (ParadoxTable::beginAppends); endBatch() writes the rest.
  void markBuiltWhole() override { builtWhole_ = true; }
  void beginBatch() override;
  void endBatch() override;
  const std::string* primaryKey() const override { return keyed_ ? &indexes_[0].fields : nullptr; }
  bool holdsCachedUpdates() const override { return keyed_; }
  uint32_t seekPrimary(const RecordBuffer& probe, int fields, bool& equal) override;
  std::optional<std::string> sortKey(int index, const RecordBuffer& buf) const override;
  // Secondary indexes, written from the records at once; both need an exclusive open.
  void addIndex(const IndexDef& def) override;
  void deleteIndex(const std::string& name) override;

 private:
  ParadoxStorage(const std::string& path, bool exclusive);
  void load();
  // Around every change: the write lock, and the table as it now is on disk.
  class Change;
  // Stores the buffer's pending blobs and numbers its autoincrement field; then the bytes are
  // the record.
  void prepare(RecordBuffer& buf);
  uint32_t keySize(int fields) const;
  // The first record whose first `size` key bytes are not below `key`'s (recordCount() + 1 when
  // none), with `equal` telling whether they are equal there.
  uint32_t lowerBound(const char* key, uint32_t size, bool& equal);
  // Where a new record with these bytes goes in a keyed table; throws on a key violation.
  uint32_t keyedPlace(const std::string& bytes, uint32_t except);
  // Throws when `bytes` (replacing `old`, when given) would repeat a key of a unique secondary
  // index; noteUnique keeps the keys in step once the change is made.
  void checkUnique(const std::string& bytes, const std::string* old);
  void noteUnique(const std::string* added, const std::string* removed);
  std::function<void(uint32_t, std::string&, uint32_t&)> recordsForIndex();
  const std::string& firstKeyOf(size_t block);  // of the block at that chain position
  void forgetTouchedKeys();                     // after the blocks changed

  std::string path_;
  bool exclusive_ = false;
  bool builtWhole_ = false;
  std::unique_ptr<PosixFile> lockFile_;  // the table file, holding the open lock
  std::unique_ptr<ParadoxTable> table_;
  IndexDefs indexes_;
  bool keyed_ = false;
  uint64_t loads_ = 0;  // times the blocks were read afresh
  // Another holder moved records since the cursor last read the table: until it refreshes, its
  // record numbers may name other records, and changes by number are refused.
  bool numbersStale_ = false;
  bool indexesStale_ = false;  // the .PX and secondary index files no longer fit the records
  std::vector<SecondaryIndex> secondary_;  // in indexes_ after the primary key, in this order
  // For each unique secondary index, every record's key (empty until a change needs them).
  std::vector<std::multiset<std::string>> uniqueKeys_;
  // The first key of each block by block number, read as searches need them and forgotten for
  // the blocks a change touches.
  std::vector<std::string> firstKeys_;
};

}  // namespace tdb::px
