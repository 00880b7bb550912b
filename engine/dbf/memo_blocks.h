#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/dbf/memo_file.h"
#include "engine/dbf/memo_io.h"

namespace tdb::memo {

// What the three layouts share: numbered blocks of one size, a header in the first blocks with a
// next-free pointer, and memos occupying runs of whole blocks. A format supplies how its header
// pointer is stored and how one memo is laid out; this class does the block arithmetic (in 64
// bits, so block * blockSize never wraps) and the order of writes.
class BlockMemo : public MemoFile {
 public:
  std::string read(uint32_t block) override;
  uint32_t write(std::string_view data, uint32_t oldBlock, bool binary) override;
  uint32_t blockSize() const override { return blockSize_; }
  const std::string& damage() const override { return damage_; }
  const std::string& path() const override { return io_.path(); }
  void sync() override { io_.sync(); }
  void discardReadAhead() override { io_.discardReadAhead(); }
  void holdAlone() override { alone_ = true; }

 protected:
  // `firstBlock` is the first block after the header.
  BlockMemo(MemoIo io, uint32_t blockSize, uint32_t firstBlock);
  // Checks the header's next-free pointer against the file: one inside the header is an error, one
  // past the end of the file marks the file as cut short (damage()). Formats call it at the end of
  // their constructor, when loadNextFree() works.
  void checkHeader();

  // One memo as found at the start of a block.
  struct Stored {
    std::string data;
    uint64_t extent = 0;  // bytes from the block start that belong to the memo
  };

  virtual uint32_t loadNextFree() const = 0;
  virtual void storeNextFree(uint32_t block) = 0;
  // The memo at `offset`, which lies inside the file and may reach no further than `end`.
  // Throws naming `block` when it is damaged; a format whose memos end at a terminator ends one
  // without it at `end` or at the end of the file.
  virtual Stored load(uint64_t offset, uint32_t block, uint64_t end) const = 0;
  // Throws naming `block` when `length` bytes from `offset` run past the end of the file or past
  // `end` (what load() is given).
  void requireInside(uint64_t offset, uint64_t length, uint32_t block, uint64_t end) const;
  // The bytes that store `data` from the start of a block; may throw for data the format cannot
  // hold.
  virtual std::string encode(std::string_view data, bool binary) const = 0;
  // Makes sure nothing in a file of `fileSize` bytes runs on into data appended after it, and
  // returns the offset from which appending is safe. Only terminated formats need to act.
  virtual uint64_t sealEnd(uint64_t fileSize) { return fileSize; }

  static std::string blockName(uint32_t block) { return "第" + std::to_string(block) + "块"; }

  MemoIo io_;

 private:
  uint64_t blocksInFile(uint64_t fileSize) const;
  std::string pastTheEnd(uint32_t next, uint64_t fileSize) const;
  uint32_t checkedNextFree() const;
  // Where a memo starting at `block` must end. Memos lie before the next-free block, which new
  // ones go after; one at or past it (a pointer left stale by a crash) ends by the end of the
  // file. Either way a length cannot make a memo run on into space nothing was written to.
  uint64_t endFor(uint32_t block) const;
  // The blocks the memo at `block` occupies, or 0 when there is no sound memo to rewrite there.
  uint64_t reusableBlocks(uint32_t block) const;

  uint32_t blockSize_;
  uint32_t firstBlock_;
  mutable uint32_t nextFree_ = 0;  // as last read or written; others only ever raise it
  bool alone_ = false;             // holdAlone()
  bool appended_ = false;          // an append of ours ends the file, at nextFree_
  std::string damage_;
};

// dBASE's memo files, both layouts: the next free block is little-endian at byte 0, and data
// starts at block 1.
class DbtMemo : public BlockMemo {
 protected:
  DbtMemo(MemoIo io, uint32_t blockSize) : BlockMemo(std::move(io), blockSize, 1) {}
  uint32_t loadNextFree() const override;
  void storeNextFree(uint32_t block) override;
};

}  // namespace tdb::memo
