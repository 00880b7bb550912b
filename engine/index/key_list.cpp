#include "engine/index/key_list.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

namespace tdb {

KeyList::KeyList(int keyLength) : keyLength_(keyLength) { changed(); }

void KeyList::changed() {
  static std::atomic<uint64_t> last{0};
  stamp_ = ++last;
}

int KeyList::compare(std::string_view a, uint32_t ra, std::string_view b, uint32_t rb) const {
  if (int c = a.compare(b)) return c;
  return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

void KeyList::clear() {
  changed();
  blocks_.clear();
  size_ = 0;
}

namespace {

// An entry being sorted: the key's first eight bytes as a number that compares as they do, so
// that most comparisons are one integer comparison instead of a call to memcmp.
struct SortEntry {
  uint64_t head;
  uint32_t recno;
  uint32_t from;  // the entry's place in the keys given
};

uint64_t headOf(const char* key, size_t length) {
  unsigned char bytes[8] = {};
  std::memcpy(bytes, key, std::min<size_t>(length, 8));
  uint64_t head = 0;
  for (const unsigned char b : bytes) head = head << 8 | b;
  return head;
}

}  // namespace

void KeyList::assign(std::string keys, std::vector<uint32_t> recnos) {
  clear();
  const size_t n = recnos.size();
  const size_t k = size_t(keyLength_);
  const char* base = keys.data();
  std::vector<SortEntry> order(n);
  for (size_t i = 0; i < n; ++i)
    order[i] = {headOf(base + i * k, k), recnos[i], static_cast<uint32_t>(i)};
  auto less = [&](const SortEntry& x, const SortEntry& y) {
    if (x.head != y.head) return x.head < y.head;
    if (k > 8) {
      if (int c = std::memcmp(base + size_t(x.from) * k + 8, base + size_t(y.from) * k + 8, k - 8))
        return c < 0;
    }
    return x.recno < y.recno;
  };
  // Keys read from an index file usually come in order already.
  if (!std::is_sorted(order.begin(), order.end(), less))
    std::sort(order.begin(), order.end(), less);
  for (size_t at = 0; at < n; at += kBlock) {
    Block b;
    const size_t count = std::min(kBlock, n - at);
    b.keys.resize(count * k);
    b.recnos.resize(count);
    for (size_t i = 0; i < count; ++i) {
      const SortEntry& e = order[at + i];
      std::memcpy(b.keys.data() + i * k, base + size_t(e.from) * k, k);
      b.recnos[i] = e.recno;
    }
    blocks_.push_back(std::move(b));
  }
  size_ = n;
}

size_t KeyList::blockFor(std::string_view key, uint32_t recno) const {
  // The first block whose last entry is not below the entry; the last block when none is.
  size_t lo = 0, hi = blocks_.size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    const Block& b = blocks_[mid];
    const size_t last = b.recnos.size() - 1;
    std::string_view lastKey = std::string_view(b.keys).substr(last * keyLength_, keyLength_);
    if (compare(lastKey, b.recnos[last], key, recno) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo == blocks_.size() && lo > 0 ? lo - 1 : lo;
}

bool KeyList::insert(std::string_view key, uint32_t recno) {
  std::string padded(key.substr(0, keyLength_));
  padded.resize(keyLength_, '\0');
  if (blocks_.empty()) {
    changed();
    blocks_.push_back({padded, {recno}});
    size_ = 1;
    return true;
  }
  const size_t bi = blockFor(padded, recno);
  Block& b = blocks_[bi];
  size_t lo = 0, hi = b.recnos.size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    const int c = compare(std::string_view(b.keys).substr(mid * keyLength_, keyLength_),
                          b.recnos[mid], padded, recno);
    if (c == 0) return false;
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  changed();
  b.keys.insert(lo * keyLength_, padded);
  b.recnos.insert(b.recnos.begin() + lo, recno);
  ++size_;
  if (b.recnos.size() >= 2 * kBlock) {
    Block upper;
    upper.keys = b.keys.substr(kBlock * keyLength_);
    upper.recnos.assign(b.recnos.begin() + kBlock, b.recnos.end());
    b.keys.resize(kBlock * keyLength_);
    b.recnos.resize(kBlock);
    blocks_.insert(blocks_.begin() + bi + 1, std::move(upper));
  }
  return true;
}

bool KeyList::erase(std::string_view key, uint32_t recno) {
  const Pos p = find(key, recno);
  if (p == end()) return false;
  changed();
  Block& b = blocks_[p.block];
  b.keys.erase(size_t(p.slot) * keyLength_, keyLength_);
  b.recnos.erase(b.recnos.begin() + p.slot);
  if (b.recnos.empty()) blocks_.erase(blocks_.begin() + p.block);
  --size_;
  return true;
}

bool KeyList::eraseRecord(uint32_t recno) {
  for (Pos p = begin(); p != end(); p = next(p)) {
    if (this->recno(p) == recno) return erase(std::string(key(p)), recno);
  }
  return false;
}

KeyList::Pos KeyList::normalized(Pos p) const {
  while (p.block < blocks_.size() && p.slot >= blocks_[p.block].recnos.size()) p = {p.block + 1, 0};
  return p;
}

KeyList::Pos KeyList::next(Pos p) const { return normalized({p.block, p.slot + 1}); }

KeyList::Pos KeyList::prior(Pos p) const {
  if (p.slot > 0) return {p.block, p.slot - 1};
  while (p.block > 0) {
    --p.block;
    if (!blocks_[p.block].recnos.empty())
      return {p.block, static_cast<uint32_t>(blocks_[p.block].recnos.size() - 1)};
  }
  return end();
}

KeyList::Pos KeyList::lowerBound(std::string_view prefix, uint32_t recno) const {
  const size_t n = std::min(prefix.size(), size_t(keyLength_));
  prefix = prefix.substr(0, n);
  auto below = [&](std::string_view key, uint32_t r) {
    const int c = key.substr(0, n).compare(prefix);
    return c < 0 || (c == 0 && r < recno);
  };
  size_t lo = 0, hi = blocks_.size();
  while (lo < hi) {  // the first block whose last entry is not below
    const size_t mid = (lo + hi) / 2;
    const Block& b = blocks_[mid];
    const size_t last = b.recnos.size() - 1;
    if (below(std::string_view(b.keys).substr(last * keyLength_, keyLength_), b.recnos[last]))
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo == blocks_.size()) return end();
  const Block& b = blocks_[lo];
  size_t s = 0, e = b.recnos.size();
  while (s < e) {
    const size_t mid = (s + e) / 2;
    if (below(std::string_view(b.keys).substr(mid * keyLength_, keyLength_), b.recnos[mid]))
      s = mid + 1;
    else
      e = mid;
  }
  return normalized({static_cast<uint32_t>(lo), static_cast<uint32_t>(s)});
}

KeyList::Pos KeyList::upperBound(std::string_view prefix) const {
  const size_t n = std::min(prefix.size(), size_t(keyLength_));
  prefix = prefix.substr(0, n);
  auto notAbove = [&](std::string_view key) { return key.substr(0, n).compare(prefix) <= 0; };
  size_t lo = 0, hi = blocks_.size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    const Block& b = blocks_[mid];
    const size_t last = b.recnos.size() - 1;
    if (notAbove(std::string_view(b.keys).substr(last * keyLength_, keyLength_)))
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo == blocks_.size()) return end();
  const Block& b = blocks_[lo];
  size_t s = 0, e = b.recnos.size();
  while (s < e) {
    const size_t mid = (s + e) / 2;
    if (notAbove(std::string_view(b.keys).substr(mid * keyLength_, keyLength_)))
      s = mid + 1;
    else
      e = mid;
  }
  return normalized({static_cast<uint32_t>(lo), static_cast<uint32_t>(s)});
}

KeyList::Pos KeyList::find(std::string_view key, uint32_t recno) const {
  std::string padded(key.substr(0, keyLength_));
  padded.resize(keyLength_, '\0');
  const Pos p = lowerBound(padded, recno);
  if (p == end() || this->key(p) != padded || this->recno(p) != recno) return end();
  return p;
}

bool KeyList::containsKey(std::string_view key, uint32_t except) const {
  std::string padded(key.substr(0, keyLength_));
  padded.resize(keyLength_, '\0');
  for (Pos p = lowerBound(padded); p != end() && this->key(p) == padded; p = next(p))
    if (recno(p) != except) return true;
  return false;
}

}  // namespace tdb
