#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/field_defs.h"
#include "engine/paradox/mb_file.h"
#include "engine/paradox/px_blocks.h"
#include "engine/paradox/px_codec.h"
#include "engine/paradox/px_header.h"
#include "engine/posix_file.h"
#include "engine/value.h"

namespace tdb::px {

// A Paradox table (.DB, with its .MB blob file when there is one): the structure, the records in
// table order, each field's value, and the changes to the blocks that keep the records in that
// order. Every defect found throws EngineError naming the file.
//
// Changes write the data blocks first and the header's counts and links last. Blocks are split
// when full (an insert after the last record of the last block starts a new block instead, so
// that appends fill blocks) and leave the chain when emptied; blocks off the chain are reused.
class ParadoxTable {
 public:
  // Opens `path` and walks its data block chain. The blob file beside it (blobFileOf) is opened
  // when the table has blob fields and the file exists; a missing one is reported only when a value
  // needs it (or, when writable, created by the first blob written).
  explicit ParadoxTable(const std::string& path, bool writable = false);

  // Writes a new table with no records: the header (h's counts and links are set here) and, when
  // it has blob fields, an empty .MB beside it.
  static void create(const std::string& path, Header h);

  const std::string& path() const { return file_.path(); }
  const Header& header() const { return header_; }
  const FieldDefs& fieldDefs() const { return defs_; }
  uint32_t recordCount() const { return chain_.recordCount(); }
  const BlockChain& chain() const { return chain_; }
  // The blob file's path, empty when there is none.
  const std::string& blobPath() const { return blobPath_; }

  // The bytes of record `recno` (1 to recordCount()).
  std::string readRecord(uint32_t recno) const;
  // The value of field `field` (0-based) in a record's bytes; blobs are read from the .MB file.
  // Inline: a scan passes here for every field.
  Value value(const std::string& record, int field) const {
    const Field& f = header_.fields.at(static_cast<size_t>(field));
    if (record.size() < header_.recordSize || isBlobType(f.type)) return blobOrShort(record, f);
    return decodeField(f, record.data() + f.offset, path());
  }
  // A pointer to the bytes of record `recno`, valid until the next call or change; reads the
  // record's whole block once, so a scan reads each block once.
  const char* record(uint32_t recno);
  // How many data blocks record() reads at once when they follow each other in the file (1 by
  // default): blocks read ahead are not read again until a change here, so this is for an open
  // no other program changes.
  void setReadAhead(uint32_t blocks) { readAhead_ = std::max(blocks, 1u); }

  // ---- changes (the table must be writable)
  bool writable() const { return file_.writable(); }
  // From beginAppends() on, records appended after the last one go into new blocks kept in
  // memory and written in runs of blocks, the header after them; endAppends() writes what is
  // held, as does any other change. Until then the file does not show the held records, so this
  // is for a table no other program reads meanwhile; what is still held when the object goes is
  // lost. The file comes out byte for byte as the same appends one by one would leave it.
  void beginAppends() { holding_ = true; }
  bool holding() const { return holding_; }
  void endAppends();
  // Writes the held appends now; holding goes on.
  void writeHeld();
  void overwrite(uint32_t recno, const std::string& bytes);
  // Inserts a record that becomes number `recno` (1 to recordCount() + 1).
  void insert(uint32_t recno, const std::string& bytes);
  void remove(uint32_t recno);
  // Stores a blob of field `field` into `record`: in the record alone when it fits the leader,
  // else in the .MB file.
  void storeBlob(std::string& record, int field, const std::string& data);
  // The blocks whose records changed since the last call (their first record may be another).
  std::vector<uint32_t> takeTouchedBlocks() { return std::exchange(touched_, {}); }
  // The next autoincrement value, counted in the header; a value stored by hand that is higher
  // raises the count, so no later record repeats it.
  int32_t nextAutoIncrement();
  void noteAutoIncrement(int64_t used);
  // A stamp that changes with every change this or another writer makes (0 for version 3).
  uint32_t stamp() const { return stamp_; }
  // The stamp as the file has it now, cheaply.
  uint32_t stampOnDisk() const;
  void sync();

 private:
  // value() of a blob field, or the error of a buffer shorter than a record.
  Value blobOrShort(const std::string& record, const Field& f) const;
  // Reads the block at chain position `i` and those after it that follow it in the file.
  void readRun(size_t i);
  // A whole block in one write: its links, its count and its records.
  void writeBlock(uint32_t number, uint32_t next, uint32_t prev, const std::string& records);
  void writeLink(uint32_t number, int at, uint32_t link);  // at 0: the next block, 2: the prior
  void writeBlockHead(uint32_t number, uint32_t records);
  uint32_t newBlock();  // a free block's number, the file grown when there is none
  // Counts a change in the stamp and writes the header.
  void writeHeader();
  void countChange();
  void writeHeaderFields();
  // An append held in memory; false where it cannot be (the last block on disk has room, or a
  // free block would be reused), and the plain path stores the record.
  bool appendHeld(const std::string& record);
  char* heldBlock(uint32_t number);              // a held block's bytes
  const char* heldRecord(RecordPlace at) const;  // null for a record not held

  PosixFile file_;
  Header header_;
  BlockChain chain_;
  FieldDefs defs_;
  std::string blobPath_;
  std::unique_ptr<MbFile> blobs_;
  uint32_t stamp_ = 0;
  std::vector<uint32_t> touched_;

  // Held appends: the blocks from number heldFirst_ on (0: none), a run at the file's end, and
  // the block on disk whose next link is to name the first of them once they are written.
  bool holding_ = false;
  uint32_t heldFirst_ = 0;
  uint32_t heldLink_ = 0;
  std::string held_;

  // The blocks last read: chain positions runStart_ on, runLength_ of them, in cache_; and the
  // chain position of the record last asked for.
  size_t runStart_ = 0;
  size_t runLength_ = 0;
  std::string cache_;
  uint32_t readAhead_ = 1;
  size_t current_ = 0;
};

// The blob file that belongs to table `dbPath`: its name with extension .MB, in any case (empty
// when there is none).
std::string blobFileOf(const std::string& dbPath);

}  // namespace tdb::px
