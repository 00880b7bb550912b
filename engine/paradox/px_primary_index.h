#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/paradox/px_header.h"

namespace tdb::px {

// The primary index of a keyed table: the .PX file beside its .DB, a tree over the table's data
// blocks. Its header is a Paradox header of file type 1 whose field list holds the table's key
// fields (and no names); its blocks have the data blocks' 6-byte head. An entry is the key bytes
// followed by three shorts stored as record fields are (big-endian, sign bit flipped): a block
// number, a record count and a reserved 0. Entries of the lowest level name data blocks of the
// table, one per block in chain order; an entry of a level above names an index block of the
// level below, with that block's first key and the records under it. The header keeps the root
// block at 0x1E and the number of levels at 0x20.

// One entry per data block of a keyed table, in table (chain) order.
struct BlockKey {
  std::string key;     // the key fields of the block's first record, as the record stores them
                       // (the record's first keySize bytes, keySize = sum of the key fields' sizes)
  uint32_t block = 0;  // the data block's number (1-based, as in the .DB chain)
  uint32_t records = 0;  // records in that block
};

// Writes the .PX file `pxPath` for the keyed table whose header is `table`: a temporary file in the
// same folder renamed over the old one, so a crash leaves the old or the new file whole.
//
// `table` is the header as the .DB holds it once its blocks are written: `blocks` must fit it the
// way readPrimaryIndex demands (every key keySize bytes, block numbers from 1 to table.fileBlocks
// each named once, no block with more records than a block holds, the counts adding up to
// table.recordCount). The index is written in version 7 form with the table's block size and sort
// order, its blocks packed full, the root first and each level in key order below it, all in one
// chain in file order; no entries give a header alone. Throws EngineError, leaving the old file
// as it was, when the entries do not fit the table, when the key is so long that index blocks
// cannot hold two entries (and more than one is needed), when the index would need more blocks
// than a block number can name, and on I/O errors.
void writePrimaryIndex(const std::string& pxPath, const Header& table,
                       const std::vector<BlockKey>& blocks);

// Reads it back (entries in chain order). Throws EngineError (engine/engine_error.h, Chinese
// message naming the file, like the other Paradox readers) on any defect, and when it does not fit
// the table (not a primary index, key fields of other types/sizes, an entry naming a block beyond
// the table's, counts that do not add up to the table's record count).
//
// The tree is walked from the root: every index block must lie whole in the file, appear once and
// hold entries, and every leaf must lie as many levels down as the header says. An entry above
// the leaves must count the records under it when that sum fits 15 bits (beyond, writers differ
// in how they hold it; this one holds it at 65535). The chain links of the index blocks are not
// followed, nor are the header's counts.
std::vector<BlockKey> readPrimaryIndex(const std::string& pxPath, const Header& table);

}  // namespace tdb::px
