#include "engine/index/unique_keys.h"

namespace tdb {

std::optional<KeyClash> firstClash(const KeyList& keys,
                                   const std::function<bool(uint32_t)>& isDeleted) {
  std::optional<KeyClash> first;
  // Equal keys lie together, in record order: in a run of them, every record after the first
  // that is not deleted would have met that one. A key held once needs no look at its record.
  KeyList::Pos p = keys.begin();
  while (p != keys.end()) {
    const std::string_view key = keys.key(p);
    KeyList::Pos end = keys.next(p);
    while (end != keys.end() && keys.key(end) == key) end = keys.next(end);
    uint32_t holder = 0;
    for (; p != end; p = keys.next(p)) {
      const uint32_t record = keys.recno(p);
      if (holder != 0) {
        if (!first || record < first->record) first = KeyClash{record, holder};
        break;
      }
      if (!isDeleted(record)) holder = record;
    }
    p = end;
  }
  return first;
}

}  // namespace tdb
