#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tdb {

// The keys of one tag in memory: (key, record number) pairs of one fixed key length, kept in
// ascending order of the key bytes (memcmp) and, for equal keys, of record numbers.
//
// Entries live in blocks of a bounded size, so an insert or erase moves at most one block's
// bytes however long the list grows; a position names a block and a slot in it and stays valid
// until the list changes.
class KeyList {
 public:
  struct Pos {
    uint32_t block = 0, slot = 0;
    bool operator==(const Pos&) const = default;
  };

  explicit KeyList(int keyLength = 1);

  int keyLength() const { return keyLength_; }
  // A number that changes with every change of the entries and that no other list's state has:
  // what was worked out from the entries (the places of an order) holds while it stays the same.
  uint64_t stamp() const { return stamp_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  // Replaces the contents with `keys` (count * keyLength bytes) and `recnos`, in any order.
  void assign(std::string keys, std::vector<uint32_t> recnos);
  void clear();

  // False (and nothing changes) when the entry is already there / not there.
  bool insert(std::string_view key, uint32_t recno);
  bool erase(std::string_view key, uint32_t recno);
  // Erases the entry of `recno` whatever its key, looking at every entry: for keys that others
  // changed behind our back. False when there is none.
  bool eraseRecord(uint32_t recno);

  // True when `p` names an entry (positions outlive changes; check before reading one).
  bool valid(Pos p) const {
    return p.block < blocks_.size() && p.slot < blocks_[p.block].recnos.size();
  }

  Pos begin() const { return {0, 0}; }
  Pos end() const { return {static_cast<uint32_t>(blocks_.size()), 0}; }
  Pos next(Pos p) const;
  Pos prior(Pos p) const;  // begin() has no prior: the result is end()

  std::string_view key(Pos p) const {
    const Block& b = blocks_[p.block];
    return std::string_view(b.keys).substr(size_t(p.slot) * keyLength_, keyLength_);
  }
  uint32_t recno(Pos p) const { return blocks_[p.block].recnos[p.slot]; }
  // The record number `n` entries after `p` when it lies in the same block, else 0: a look ahead
  // that costs nothing, for reading records before an ordered walk gets to them.
  uint32_t recnoAhead(Pos p, uint32_t n) const {
    const std::vector<uint32_t>& r = blocks_[p.block].recnos;
    return p.slot + n < r.size() ? r[p.slot + n] : 0;
  }

  // The first entry whose key, cut to prefix.size() bytes, is not less than `prefix` (with equal
  // prefixes, whose record number is not less than `recno`), or end().
  Pos lowerBound(std::string_view prefix, uint32_t recno = 0) const;
  // The first entry whose key, cut to prefix.size() bytes, is greater than `prefix`, or end().
  Pos upperBound(std::string_view prefix) const;
  // The entry (key, recno), or end().
  Pos find(std::string_view key, uint32_t recno) const;
  // True when some entry other than that of `except` has exactly this key.
  bool containsKey(std::string_view key, uint32_t except) const;

  // Visits every entry in order; `visit(key, recno)`.
  template <typename Visit>
  void forEach(Visit&& visit) const {
    for (const Block& b : blocks_)
      for (size_t i = 0; i < b.recnos.size(); ++i)
        visit(std::string_view(b.keys).substr(i * keyLength_, keyLength_), b.recnos[i]);
  }

 private:
  struct Block {
    std::string keys;
    std::vector<uint32_t> recnos;
  };
  static constexpr size_t kBlock = 512;  // entries per block after a split or a build

  int compare(std::string_view a, uint32_t ra, std::string_view b, uint32_t rb) const;
  void changed();
  size_t blockFor(std::string_view key, uint32_t recno) const;  // the block an entry belongs in
  Pos normalized(Pos p) const;

  int keyLength_;
  size_t size_ = 0;
  std::vector<Block> blocks_;
  uint64_t stamp_;
};

}  // namespace tdb
