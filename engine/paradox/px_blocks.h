#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/paradox/px_header.h"
#include "engine/posix_file.h"

namespace tdb::px {

// One data block of the chain: its number (1-based) and how many records it holds.
struct DataBlock {
  uint32_t number = 0;
  uint32_t records = 0;
};

// Where a record lives: the data block and its slot there (0-based).
struct RecordPlace {
  uint32_t block = 0;
  uint32_t slot = 0;
};

// The table's records in table order: the data blocks as the chain from the header's first block
// links them. Walking stops at block number 0; a block outside the file or visited twice, or a
// record count that no block size allows throws EngineError naming the file. The blocks' records
// count, whatever the header says.
class BlockChain {
 public:
  BlockChain(const PosixFile& file, const Header& header);

  const std::vector<DataBlock>& blocks() const { return blocks_; }
  uint32_t recordCount() const { return total_; }
  // The place of record `recno` (1 to recordCount()).
  RecordPlace place(uint32_t recno) const;
  // File offset of record `recno`.
  uint64_t recordOffset(uint32_t recno) const;
  // The chain position (0-based) of the block holding record `recno`; for recordCount() + 1, the
  // last block. Needs a non-empty chain.
  size_t blockIndexOf(uint32_t recno) const;
  // The number of the first record of the block at chain position `i`.
  uint32_t firstRecordOf(size_t i) const { return firstRecord_[i]; }
  // The blocks of the file that the chain does not use, in descending order: the writer reuses
  // the lowest (the last) before it grows the file.
  const std::vector<uint32_t>& freeBlocks() const { return free_; }

  // Changes, made by the writer as it changes the file.
  void setRecords(size_t i, uint32_t records);
  void insertBlock(size_t at, uint32_t number, uint32_t records);  // takes it off the free list
  void eraseBlock(size_t i);                                       // puts it on the free list

 private:
  void renumberFrom(size_t i);

  const Header& header_;
  std::vector<DataBlock> blocks_;
  std::vector<uint32_t> firstRecord_;  // 1-based number of each block's first record
  uint32_t total_ = 0;
  std::vector<uint32_t> free_;
};

}  // namespace tdb::px
