#pragma once

#include <string>
#include <vector>

#include "engine/index/index_entry.h"
#include "engine/index/key_list.h"

namespace tdb {

// One tag as an index file writer receives it: its definition and its keys in the engine's
// memory order (engine/index/key_encoding.h; the bytes of a descending tag are inverted).
// `info.keyType` is 'C', 'N', 'D' or 'L'; `info.keyLength` is the length of the memory keys
// (8 for numbers and dates, 1 for logical keys).
struct TagImage {
  IndexTagInfo info;
  const KeyList* keys = nullptr;
};

}  // namespace tdb
