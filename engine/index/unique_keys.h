#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "engine/index/key_list.h"

namespace tdb {

// A record whose key a unique tag refuses: an earlier record, not deleted, holds the same key.
struct KeyClash {
  uint32_t record;  // the refused record
  uint32_t holder;  // the first earlier record, not deleted, with that key
};

// Of the records in `keys`, the first in record order that storing them one by one in record
// order would have refused for a unique tag (whatever its own deleted mark), or nothing.
std::optional<KeyClash> firstClash(const KeyList& keys,
                                   const std::function<bool(uint32_t)>& isDeleted);

}  // namespace tdb
