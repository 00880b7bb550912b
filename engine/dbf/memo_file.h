#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tdb {

// The three memo file layouts of xBase tables.
//   Dbt3: 512-byte blocks, a memo is its bytes followed by 0x1A 0x1A; little-endian header.
//   Dbt4: blocks of the header's size, a memo is FF FF 08 00, a 4-byte little-endian length that
//         counts those 8 bytes, then the data.
//   Fpt:  big-endian header with the block size at byte 6; a memo is a 4-byte type (0 binary,
//         1 text), a 4-byte length of the data, then the data.
enum class MemoFormat { Dbt3, Dbt4, Fpt };

// A memo file: memos stored in runs of whole blocks, found by the number of their first block.
// Block 0 (and for Fpt every block the 512-byte header touches) is the header, never a memo.
//
// Invariants of an open file: the block size suits the format (Dbt3 512; Dbt4 a multiple of 64
// up to 32768; Fpt 1 to 32768), and the header's next-free block lies after the header (and,
// unless damage() says otherwise, no further than one block past the end of the file). Appends go
// to the next-free block or the end of the file, whichever is later, so bytes past a stale pointer
// are never overwritten. A memo starting before the next-free block ends before it.
//
// Every failure throws EngineError whose message names the file and, for a memo, the block.
// Damaged input never crashes, hangs or allocates more than the file holds.
class MemoFile {
 public:
  // Opens an existing memo file and checks its header against the file's size. A read-only open
  // never writes.
  static std::unique_ptr<MemoFile> open(const std::string& path, MemoFormat format, bool writable);

  // Creates an empty memo file, replacing any file of that name through a temporary file and a
  // rename, and opens it for writing. blockSize 0 is the format's default (512 for Dbt3 and Dbt4,
  // 64 for Fpt). Dbt3 is always 512 and ignores blockSize; Dbt4 and Fpt take the sizes open()
  // accepts.
  static std::unique_ptr<MemoFile> create(const std::string& path, MemoFormat format,
                                          uint32_t blockSize = 0);

  virtual ~MemoFile();

  // The memo whose first block is `block`. Throws when the block is 0 or inside the header, lies
  // beyond the file, its stored length runs past the end of the file or (for a memo starting
  // before it) past the next-free block, or its block header is damaged. A Dbt3 memo ends at its
  // first 0x1A or at the end of the file; one starting before the next-free block without a
  // 0x1A before it is damaged.
  virtual std::string read(uint32_t block) = 0;

  // Stores `data` and returns its first block. When oldBlock holds a readable memo whose blocks
  // can hold `data`, it is rewritten there and oldBlock is returned; otherwise it is appended.
  // An append writes the data first and the header's next-free pointer after, so a crash leaves
  // at worst an unreferenced run of blocks. An in-place rewrite changes only the old memo's own
  // blocks. `binary` makes an Fpt memo type 0 instead of 1; the DBT formats ignore it. Throws for
  // a read-only file, for Dbt3 data holding 0x1A (its terminator), and when the file is full.
  virtual uint32_t write(std::string_view data, uint32_t oldBlock, bool binary) = 0;

  virtual uint32_t blockSize() const = 0;
  // Empty for a sound file. For one whose header's next-free block lies past its end (the file
  // lost its end), says so with both block counts: its memos read as far as the file goes, and
  // every write throws.
  virtual const std::string& damage() const = 0;
  virtual const std::string& path() const = 0;

  // Flushes everything written to the disk.
  virtual void sync() = 0;

  // Forgets bytes read ahead, so that the next reads see what other programs wrote since.
  virtual void discardReadAhead() = 0;

  // Nobody else writes the file from now on (a table being built where no other program looks):
  // appends trust what this object knows of the file's end instead of reading it again.
  virtual void holdAlone() = 0;
};

}  // namespace tdb
