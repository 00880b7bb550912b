// Caseless locates through keys kept per field, instead of a walk over the whole table.
//
// The keys hold the stored records alone; buffered changes are few, so each is tried as the
// buffer has it. A candidate is always tested by the walk's own test before it is taken, so keys
// that lag behind can cost time but never give a wrong record; what they could miss (another
// holder's change) is caught by the storage's reads mark.

#include <algorithm>
#include <climits>

#include "engine/engine_error.h"
#include "engine/index/key_encoding.h"
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

void Table::keepKeys(uint32_t was, const RecordBuffer* before, uint32_t now,
                     const RecordBuffer& after) {
  if (lookupKeys_.empty()) return;
  // A record placed anywhere but at the end, or moved, renumbers the records after it.
  if (storage_->removesRecords() && (before ? now != was : now != physicalCount())) {
    storedChanged();
    return;
  }
  try {
    std::string key, old;
    for (auto& [field, keys] : lookupKeys_) {
      if (!keys) continue;
      const bool text = fieldDefs_[field].type == FieldType::ftString;
      if (!LocateKeys::keyOf(storage_->get(after, field), text, key)) {
        storedChanged();  // the field is walked from now on, until the keys are built again
        return;
      }
      if (before && LocateKeys::keyOf(storage_->get(*before, field), text, old))
        keys->remove(old, was);
      if (!storage_->isDeleted(after)) keys->add(key, now);
    }
  } catch (const EngineError&) {
    storedChanged();
  }
}

std::optional<uint32_t> Table::locateByUpperTag(int field, const std::string& folded,
                                                const std::function<bool(uint32_t)>& hit) {
  // A shared holder's keys lag behind what others change, and a walk would see the change.
  if (!exclusive_) return std::nullopt;
  const int tag = upperTagOf(field);
  if (tag < 0) return std::nullopt;
  const ProductionIndex::Tag& t = index()->tag(tag);
  const KeyList& keys = index()->keys(tag);
  // Every record whose text folds to `folded` (or begins so) has a key that begins with it, cut
  // to the key's length; the walk's test then sorts out the others.
  std::string prefix = folded.substr(0, static_cast<size_t>(t.info.keyLength));
  if (t.info.descending) prefix = key_encoding::inverted(prefix);
  std::vector<uint32_t> candidates;
  for (KeyList::Pos p = keys.lowerBound(prefix); p != keys.end() && keys.key(p).starts_with(prefix);
       p = keys.next(p))
    candidates.push_back(keys.recno(p));
  for (const auto& [record, change] : changes_) candidates.push_back(record);
  return firstInOrder(candidates, hit);
}

int Table::upperTagOf(int field) const {
  ProductionIndex* ix = index();
  if (!ix) return -1;
  const std::string wanted = "UPPER(" + foldCase(fieldDefs_[field].name) + ")";
  for (int i = 0; i < ix->tagCount(); ++i) {
    const ProductionIndex::Tag& t = ix->tag(i);
    // A FOR condition or a unique tag leaves records out of the keys.
    if (!t.key || t.condition || t.info.unique || t.info.keyType != 'C') continue;
    std::string expression;
    for (const char c : t.info.expression)
      if (c != ' ') expression += c;
    if (foldCase(expression) == wanted) return i;
  }
  return -1;
}

LocateKeys* Table::keysOf(int field) {
  auto [it, fresh] = lookupKeys_.try_emplace(field);
  if (!fresh) return it->second ? &*it->second : nullptr;
  const FieldType type = fieldDefs_[field].type;
  // A memo's text lives in another file: reading every one would cost more than the walk saves.
  if (isMemoType(type)) return nullptr;
  const bool text = type == FieldType::ftString;
  LocateKeys& keys = it->second.emplace();
  keys.reserve(physicalCount(), size_t{physicalCount()} * (text ? 12 : 9));
  RecordBuffer buf;
  std::string key;
  try {
    for (uint32_t r = 1; r <= physicalCount(); ++r) {
      storage_->read(r, buf);
      if (storage_->isDeleted(buf)) continue;
      if (!LocateKeys::keyOf(storage_->get(buf, field), text, key)) {
        it->second.reset();  // a value no key stands for: this field is walked
        return nullptr;
      }
      keys.push(key, r);
    }
  } catch (const EngineError&) {
    it->second.reset();  // the walk meets the failure at the record where it lies, if it gets there
    return nullptr;
  }
  keys.sort();
  return &keys;
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
  const uint64_t stamp = byKeys ? orderKeys().stamp() : 0;
  if (ranked_ && rankedByKeys_ == byKeys && rankStamp_ == stamp) return;
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
  rankStamp_ = stamp;
}

}  // namespace tdb
