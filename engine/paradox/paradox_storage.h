#pragma once

#include <memory>
#include <string>

#include "engine/paradox/px_table.h"
#include "engine/posix_file.h"
#include "engine/storage.h"

namespace tdb::px {

// The driver for Paradox tables (.DB), reading: every version from 3 to 7, records in table
// order (a keyed table keeps them in primary-key order, so that is its natural order), blobs
// from the .MB file. Writing Paradox tables is not built yet: every change is refused with an
// error that says so, before anything is touched.
//
// Record buffers hold a record's bytes as the file has them; Paradox has no delete mark, so no
// record reads as deleted. A keyed table's primary key appears among the index definitions with
// an empty name, its key fields joined by ";" and ixPrimary.
//
// Sharing: an open takes a shared or an exclusive lock on a byte of the table file far beyond its
// data, as the xBase driver does.
class ParadoxStorage : public Storage {
 public:
  // Opens an existing table. Throws EngineError naming the file when it is missing, damaged or
  // locked against this open.
  static std::unique_ptr<ParadoxStorage> open(const std::string& path, bool exclusive);
  // Deletes the table with its .MB, .PX and secondary index files; refuses while it is open.
  static void remove(const std::string& path);

  const FieldDefs& fieldDefs() const override { return table_->fieldDefs(); }
  const IndexDefs& indexDefs() const override { return indexes_; }
  uint32_t recordCount() const override { return table_->recordCount(); }
  void refresh() override;
  void read(uint32_t recno, RecordBuffer& buf) override;
  bool isDeleted(uint32_t) override { return false; }
  bool isDeleted(const RecordBuffer&) const override { return false; }
  Value get(const RecordBuffer& buf, int field) override;
  bool textView(const RecordBuffer& buf, int field, std::string_view& out) const override;
  void set(RecordBuffer& buf, int field, const Value& value) override;
  void blank(RecordBuffer& buf) override;
  void write(uint32_t recno, RecordBuffer& buf) override;
  uint32_t append(RecordBuffer& buf) override;
  void setDeleted(uint32_t recno, bool deleted) override;
  void pack() override;
  void flush() override {}
  const std::string* primaryKey() const override { return keyed_ ? &indexes_[0].fields : nullptr; }

 private:
  ParadoxStorage(const std::string& path, bool exclusive);
  void load();
  const char* cachedRecord(uint32_t recno);
  [[noreturn]] void cannotWrite() const;

  std::string path_;
  PosixFile lockFile_;
  std::unique_ptr<ParadoxTable> table_;
  IndexDefs indexes_;
  bool keyed_ = false;

  // The data block last read: a scan reads each block once.
  uint64_t blockAt_ = 0;  // file offset of cache_[0]; 0 when empty
  std::string cache_;
};

}  // namespace tdb::px
