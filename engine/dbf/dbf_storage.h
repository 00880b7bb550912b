#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/dbf/dbf_header.h"
#include "engine/dbf/memo_file.h"
#include "engine/index/production_index.h"
#include "engine/posix_file.h"
#include "engine/storage.h"
#include "engine/table_type.h"

namespace tdb::dbf {

// The driver for dBASE and FoxPro tables (.DBF) with their memo files (.DBT, .FPT).
//
// Sharing: an open takes a shared or an exclusive lock on the table file; appends and memo
// allocation take a short append lock and re-read the record count under it, so several
// processes can add records to one shared table.
//
// Crash safety: a record's memos are written before the record, and an appended record before
// the header's record count; pack builds new files and swaps them into place (table_swap.h).
class DbfStorage : public Storage {
 public:
  ~DbfStorage() override;
  // Opens an existing table with its production index. Throws EngineError naming the file when
  // it is missing, damaged, locked against this open, or its memo or index file is missing or
  // damaged. A table cut short (its header counts more records than it holds), or whose memo
  // file is cut short or read-only, opens for reading only, refuses an exclusive open, and says
  // why in openWarnings(); `badTags` says whether a tag the engine cannot evaluate stops the open.
  // `type` settles the kind of index file a header that FoxPro and dBASE share (03h) gets when the
  // table has none yet: a .cdx for ttFoxPro, else an .mdx.
  static std::unique_ptr<DbfStorage> open(
      const std::string& path, bool exclusive, TableType type = TableType::ttDefault,
      ProductionIndex::BadTags badTags = ProductionIndex::BadTags::Refuse);

  // Writes an empty table of that structure, with a production index holding `indexes` when
  // there are any, where no file of a table of that name exists (drivers::create builds a table
  // so and swaps it into place).
  static void create(const std::string& path, const FieldDefs& defs, TableType type,
                     const IndexDefs& indexes = {});
  // The header create() writes for that structure, its indexes checked as tags of the index file
  // the table gets; throws EngineError naming the field or index the format cannot hold. Touches
  // no file.
  static Header design(const FieldDefs& defs, TableType type, const IndexDefs& indexes);

  // The memo file belonging to a table file: the one there in any case, else the name a new one
  // takes (companion_files.h).
  static std::string memoPathFor(const std::string& tablePath, MemoKind kind);

  const Header& header() const { return header_; }
  const std::string& path() const { return path_; }

  const FieldDefs& fieldDefs() const override { return defs_; }
  const IndexDefs& indexDefs() const override;
  ProductionIndex* productionIndex() override { return index_.get(); }
  // Writes the index file now and sets the header's production-index mark to match it.
  void flushIndex();
  uint32_t recordCount() const override { return header_.recordCount; }
  void refresh() override;
  // Exclusive: nobody else writes, so only the record count. Shared: the file's change time too.
  std::optional<uint64_t> readsMark() override;
  void read(uint32_t recno, RecordBuffer& buf) override;
  void readStored(uint32_t recno, RecordBuffer& buf) override;
  void prefetch(uint32_t recno) const override {
    const uint64_t at = header_.headerLength + uint64_t{recno - 1} * header_.recordLength;
    if (mapped_ && recno >= 1 && at + header_.recordLength <= file_->mappedSize())
      __builtin_prefetch(mapped_ + at);
  }
  bool isDeleted(uint32_t recno) override;
  bool isDeleted(const RecordBuffer& buf) const override;
  Value get(const RecordBuffer& buf, int field) override;
  void getAll(const RecordBuffer& buf, std::vector<Value>& out) override;
  bool textView(const RecordBuffer& buf, int field, std::string_view& out) const override;
  bool numberText(const RecordBuffer& buf, int field, std::string_view& out) const override;
  bool setNumberText(RecordBuffer& buf, int field, std::string_view text) override;
  bool storedBytes(const RecordBuffer& buf, int field, std::string_view& out) const override;
  bool setStoredBytes(RecordBuffer& buf, int field, std::string_view bytes) override;
  void set(RecordBuffer& buf, int field, const Value& value) override;
  void blank(RecordBuffer& buf) override;
  uint32_t write(uint32_t recno, RecordBuffer& buf) override;
  uint32_t append(RecordBuffer& buf) override;
  // Held exclusively and without tags (or with them deferred), a batch writes its appended records
  // a block at a time and the header's record count only at its end (or at flush()): a crash or
  // a failed write in between leaves the table as it was before the batch, records past its
  // count being no records. Otherwise a batch changes nothing.
  void beginBatch() override;
  void endBatch() override;
  void markBuiltWhole() override;
  void setDeleted(uint32_t recno, bool deleted) override;
  void pack() override;
  void flush() override;
  const std::vector<std::string>& openWarnings() const override { return warnings_; }

 private:
  DbfStorage(std::string path, bool exclusive, TableType type, ProductionIndex::BadTags badTags);
  ProductionIndex::Format indexFormat() const;
  void load();
  void openMemo();
  void markProductionIndex();
  // Record `recno`'s bytes, from the mapping or the block read ahead; inline for the record a scan
  // finds where the last one was, fetchRecord() for everything else.
  const char* cachedRecord(uint32_t recno) {
    if (pending_.empty() && recno >= 1 && recno <= header_.recordCount) {
      const uint32_t len = header_.recordLength;
      if (mapped_) {
        const uint64_t end = header_.headerLength + uint64_t{recno} * len;
        if (end <= file_->mappedSize()) return mapped_ + (end - len);
      } else if (cacheFirst_ != 0 && recno >= cacheFirst_ && recno - cacheFirst_ < cacheCount_) {
        return cache_.data() + size_t{recno - cacheFirst_} * len;
      }
    }
    return fetchRecord(recno);
  }
  const char* fetchRecord(uint32_t recno);
  Value memoValue(const RecordBuffer& buf, int field, const Field& f);  // get() of a memo field
  // The field storedBytes() handles, else null.
  const Field* plainField(int field) const;
  // A record read through the mapping is sound when it has a delete flag and no page read went
  // past the end of the file; checkMapped() looks closer at one that is not.
  bool soundMapped(char flag) const { return (flag == ' ' || flag == '*') && !file_->mappingCut(); }
  void checkMapped(uint32_t recno);
  void requireWritable() const;
  void writeMemos(RecordBuffer& buf);
  uint32_t appendHeld(RecordBuffer& buf);  // append() in an exclusive batch
  // The batch's records not yet in the file.
  void writePending() {
    if (!pending_.empty()) writePendingNow();
  }
  void writePendingNow();
  void dropBatch();                                 // the table ends where the batch began
  void stampHeader(std::optional<uint32_t> count);  // the record count too, when given
  // append() where the table is open exclusively outside such a batch (a table with tags, whose
  // keys a failed batch could not take back): nobody else writes the file, so there is no lock
  // to take, no count to read again and no end to look for; two writes a record.
  uint32_t appendAlone(RecordBuffer& buf);

  std::string path_;
  bool exclusive_;
  std::unique_ptr<PosixFile> file_;
  std::unique_ptr<MemoFile> memo_;
  Header header_;
  FieldDefs defs_;
  TableType type_;
  ProductionIndex::BadTags badTags_;
  std::unique_ptr<ProductionIndex> index_;
  mutable IndexDefs indexes_;
  std::vector<std::string> warnings_;  // why the table opened read-only, when it did
  bool written_ = false;               // something was written since the last flush
  bool dateStamped_ = false;           // the header holds today's date from one of our writes
  bool batching_ = false;              // in an exclusive batch (beginBatch)
  bool builtWhole_ = false;            // markBuiltWhole(): batches build the tags at their end
  uint32_t batchStart_ = 0;            // the record count when the batch began
  std::string pending_;                // records of the batch not yet written, from pendingAt_
  uint64_t pendingAt_ = 0;
  static constexpr size_t kPendingBytes = 1 << 20;

  // The file mapped for reading. A shared open reads the stored record afresh (readStored) before
  // it compares or writes, so the mapping serves browsing and scans only.
  const char* mapped_ = nullptr;

  // Records read ahead in one block, so that scans cost one system call per block.
  uint32_t cacheFirst_ = 0;  // record number of cache_[0]; 0 when empty
  uint32_t cacheCount_ = 0;
  std::string cache_;
};

}  // namespace tdb::dbf
