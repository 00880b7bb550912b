// Caseless locates through keys kept per field, instead of a walk over the whole table.
//
// The keys hold the stored records alone; buffered changes are few, so each is tried as the
// buffer has it. A candidate is always tested by the walk's own test before it is taken, so keys
// that lag behind can cost time but never give a wrong record; what they could miss (another
// holder's change) is caught by the storage's reads mark.

#include <algorithm>
#include <climits>

#include "engine/engine_error.h"
#include "engine/index/production_index.h"
#include "engine/table.h"

namespace tdb {

std::optional<uint32_t> Table::locateByKeys(int field, const std::string& key, bool leading,
                                            const std::function<bool(uint32_t)>& hit) {
  // Taken before the keys are built, so that a change made meanwhile shows at the next locate.
  const std::optional<uint64_t> mark = storage_->readsMark();
  if (!mark) return std::nullopt;
  if (*mark != lookupMark_) {
    lookupKeys_.clear();
    lookupMark_ = *mark;
  }
  const LocateKeys* keys = keysOf(field);
  if (!keys) return std::nullopt;
  std::vector<uint32_t> candidates;
  keys->find(key, leading, candidates);
  for (const auto& [record, change] : changes_) candidates.push_back(record);
  return firstInOrder(candidates, hit);
}

LocateKeys* Table::keysOf(int field) {
  auto [it, fresh] = lookupKeys_.try_emplace(field);
  if (!fresh) return it->second ? &*it->second : nullptr;
  const FieldType type = fieldDefs_[field].type;
  // A memo's text lives in another file: reading every one would cost more than the walk saves.
  if (isMemoType(type)) return nullptr;
  const bool text = type == FieldType::ftString;
  std::vector<LocateKeys::Entry> entries;
  entries.reserve(physicalCount());
  RecordBuffer buf;
  try {
    for (uint32_t r = 1; r <= physicalCount(); ++r) {
      storage_->read(r, buf);
      if (storage_->isDeleted(buf)) continue;
      std::optional<std::string> k = LocateKeys::keyOf(storage_->get(buf, field), text);
      if (!k) return nullptr;  // a value no key stands for: this field is walked
      entries.push_back({std::move(*k), r});
    }
  } catch (const EngineError&) {
    return nullptr;  // the walk meets the failure at the record where it lies, if it gets there
  }
  it->second.emplace().assign(std::move(entries));
  return &*it->second;
}

uint32_t Table::firstInOrder(std::vector<uint32_t>& candidates,
                             const std::function<bool(uint32_t)>& hit) {
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  if (!ordered() && !sorted()) {
    // The natural order is that of record numbers, buffered new records (numbered on from
    // kFirstVirtual as they came) after the stored ones.
    for (const uint32_t r : candidates)
      if ((isVirtual(r) || r <= physicalCount()) && visible(r) && hit(r)) return r;
    return 0;
  }
  // Over the index's keys as the walk goes (walkOrder), or over the view it steps through.
  const bool byKeys = ordered() && changes_.empty();
  if (byKeys && rangeEmpty_) return 0;
  rankOrder();
  auto rank = [&](uint32_t r) -> uint32_t {
    if (!isVirtual(r)) return r < ranks_.size() ? ranks_[r] : 0;
    const auto it = newRanks_.find(r);
    return it == newRanks_.end() ? 0 : it->second;
  };
  uint32_t low = 1, high = UINT32_MAX;  // the master's range, where keys begin with its prefix
  if (byKeys && !rangePrefix_.empty()) {
    const KeyList& keys = orderKeys();
    const KeyList::Pos from = keys.lowerBound(rangePrefix_), to = keys.upperBound(rangePrefix_);
    if (from == keys.end()) return 0;
    low = rank(keys.recno(from));
    if (to != keys.end()) high = rank(keys.recno(to));
  }
  std::vector<std::pair<uint32_t, uint32_t>> placed;  // (rank, record)
  for (const uint32_t r : candidates)
    if (const uint32_t k = rank(r); k >= low && k < high && k != 0) placed.emplace_back(k, r);
  std::sort(placed.begin(), placed.end());
  for (const auto& [k, r] : placed) {
    if (byKeys && !(r <= physicalCount() && visible(r, true))) continue;
    if (hit(r)) return r;
  }
  return 0;
}

void Table::rankOrder() {
  const bool byKeys = ordered() && changes_.empty();
  if (ranked_ && rankedByKeys_ == byKeys) return;
  ranks_.assign(size_t{physicalCount()} + 1, 0);
  newRanks_.clear();
  uint32_t place = 0;
  // A record the order holds twice (keys another holder changed) is met first where it is first.
  auto note = [&](uint32_t r) {
    ++place;
    if (isVirtual(r)) {
      newRanks_.emplace(r, place);
      return;
    }
    if (r >= ranks_.size()) ranks_.resize(size_t{r} + 1, 0);
    if (ranks_[r] == 0) ranks_[r] = place;
  };
  if (byKeys)
    orderKeys().forEach([&](std::string_view, uint32_t r) { note(r); });
  else
    for (const uint32_t r : orderView()) note(r);
  ranked_ = true;
  rankedByKeys_ = byKeys;
}

}  // namespace tdb
