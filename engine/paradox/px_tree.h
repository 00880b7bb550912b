#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tdb::px {

// The tree of index blocks that a primary index (.PX) and a secondary index's .Ynn file both
// keep over a list of blocks: the data blocks of a table, the blocks of an .Xnn file.
//
// Every index block has the data blocks' 6-byte head (next block, prior block, offset of the last
// entry) and entries of the key bytes followed by three shorts stored as record fields are
// (big-endian, top bit flipped): a block number, the records under it, held at 65535, and a
// reserved 0. Blocks are packed full, except that a block of the lowest level takes entries only
// while the records under it stay within 32767, since readers hold the count of the entry naming
// it in a signed short. The root is block 1, each level follows the one above it, and all blocks
// form one chain in file order.

// One entry of the lowest level: the first key of the block it names, that block's number and the
// records in it.
struct TreeEntry {
  std::string key;  // keySize bytes
  uint32_t block = 0;
  uint32_t records = 0;
};

// Block numbers are unsigned shorts: a tree of more blocks cannot be written.
constexpr size_t kMaxTreeBlocks = 0xFFFF;

// Where the header of a file holding a tree (.PX, .Ynn) keeps its root block and its levels.
constexpr uint32_t kTreeRootAt = 0x1E;
constexpr uint32_t kTreeLevelsAt = 0x20;

struct IndexTree {
  // headerSize zero bytes for the file's header, then the blocks from block 1; only the header
  // part when the tree needs more than kMaxTreeBlocks blocks.
  std::string bytes;
  size_t blockCount = 0;
  uint32_t entries = 0;  // on all levels
  uint32_t root = 0;     // 1, or 0 for no entries
  uint32_t levels = 0;   // 0 for no entries
};

// Lays out the tree over `bottom`, in key order. Each entry takes keySize + 6 bytes; the caller
// makes sure a block of blockSize bytes holds two of them (one, for a single entry), else this
// throws EngineError. A tree over no entries has no blocks.
IndexTree layOutTree(const std::vector<TreeEntry>& bottom, uint32_t keySize, uint32_t blockSize,
                     uint32_t headerSize);

}  // namespace tdb::px
