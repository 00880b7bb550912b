#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/posix_file.h"
#include "engine/storage.h"
#include "engine/text/schema_file.h"

namespace tdb::text {

// The driver for text tables (.TXT): delimited or fixed-width lines described by a schema file
// beside the table (schema_file.h), or, without one, comma/tab/semicolon-separated lines under a
// header line of field names, every field text.
//
// The whole file is read into memory at open and on refresh; every write (write, append,
// setDeleted, pack) writes the whole file anew to a temporary file beside it and renames it into
// place, so the file on disk is always either the old table or the new one. Appends in a batch
// (beginBatch) wait in memory and are written together when it ends. A text file has no
// delete mark: a deleted record stays in memory, marked, until the object goes away or the table
// is packed, and is left out of every file written meanwhile.
//
// Sharing: since every write replaces the table file, locks cannot live on it; they live on a
// lock file beside it (the table's name plus ".tdb-lock", removed by the last holder to close).
// An open holds a shared or an exclusive lock there; a write holds the write lock while it
// re-reads what other programs
// wrote, applies its change and replaces the file, so concurrent writers never undo each other.
// A write refuses when another program's change removed records, since record numbers would
// then name other records.
//
// Record buffers: byte 0 is '*' for a deleted record, else ' '; then each field in order: CHAR as
// its width in bytes of GBK text padded with blanks, BOOL as a presence byte and 0/1, the other
// types as a presence byte and 8 bytes (an int64 for SHORTINT and LONGINT, a double for the rest:
// numbers, and day numbers for dates and times).
class TextStorage : public Storage {
 public:
  ~TextStorage() override;
  // Opens an existing table. Throws EngineError naming the file when it is missing, locked
  // against this open, or damaged (the line and field are named), or its schema file is.
  static std::unique_ptr<TextStorage> open(const std::string& path, bool exclusive);

  // Writes an empty table and its schema file (VARYING, comma, '"') where no file of a table of
  // that name exists (drivers::create builds a table so and swaps it into place). Refuses types a
  // text table cannot hold (memos, blobs, bytes).
  static void create(const std::string& path, const FieldDefs& defs);

  const std::string& path() const { return path_; }
  // The schema in use: the file's, or the one made up for a table without one.
  const Schema& schema() const { return schema_; }
  bool hasSchemaFile() const { return hasSchemaFile_; }

  const FieldDefs& fieldDefs() const override { return defs_; }
  const IndexDefs& indexDefs() const override { return indexes_; }
  // Another program may rewrite the file between our reads: a record number is no identity.
  bool holdsCachedUpdates() const override { return false; }
  uint32_t recordCount() const override { return static_cast<uint32_t>(records_.size()); }
  void refresh() override;
  void read(uint32_t recno, RecordBuffer& buf) override;
  void readStored(uint32_t recno, RecordBuffer& buf) override;
  bool isDeleted(uint32_t recno) override;
  bool isDeleted(const RecordBuffer& buf) const override;
  Value get(const RecordBuffer& buf, int field) override;
  bool textView(const RecordBuffer& buf, int field, std::string_view& out) const override;
  void set(RecordBuffer& buf, int field, const Value& value) override;
  void blank(RecordBuffer& buf) override;
  uint32_t write(uint32_t recno, RecordBuffer& buf) override;
  uint32_t append(RecordBuffer& buf) override;
  void setDeleted(uint32_t recno, bool deleted) override;
  void pack() override;
  void flush() override {}  // every write is already on disk
  // Reads come from the records as last loaded, so the loads count them.
  std::optional<uint64_t> readsMark() override { return loads_; }
  // A batch holds the write lock from its start to its end, so nobody writes in between.
  void beginBatch() override;
  void endBatch() override;

 private:
  // What identifies the file's content on disk: a replaced file is a new inode.
  struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    long long mtimeNs = 0;
    bool operator==(const Stamp&) const = default;
  };
  class WriteLock;

  TextStorage(std::string path, bool exclusive);
  void load();
  void parseRecords(std::string_view bytes);
  void layOut();
  bool changedOnDisk() const;
  void catchUp(bool recordsMustStay);
  void requireWritable() const;
  void checkRecno(uint32_t recno) const;
  [[noreturn]] void damaged(int line, const std::string& what) const;

  Value decode(const std::string& rec, int field) const;
  void encode(std::string& rec, int field, const Value& v) const;
  std::string render() const;
  bool writableBeforeSeparator(std::string_view text) const;
  void commit(const std::string& bytes);

  std::string path_;
  bool exclusive_;
  bool writable_ = false;
  std::unique_ptr<PosixFile> lock_;  // the lock file; null when the folder allows none
  Schema schema_;
  bool hasSchemaFile_ = false;
  FieldDefs defs_;
  IndexDefs indexes_;       // always empty: text tables have no indexes
  std::vector<int> slots_;  // where each field starts in a record buffer
  size_t recordLength_ = 0;
  std::vector<std::string> records_;
  Stamp stamp_;
  uint64_t loads_ = 0;
  std::unique_ptr<WriteLock> batch_;  // held while a batch is open
  size_t batchBase_ = 0;              // records_ as far as the file holds them, in a batch
};

}  // namespace tdb::text
