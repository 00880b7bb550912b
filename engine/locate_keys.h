#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/caseless_text.h"
#include "engine/value.h"

namespace tdb {

// One field's values over a table's records, for locates that ignore case: each record's value
// as a key that is equal to another exactly when the locate's comparison finds the two values
// equal (text folded and without padding; numbers, dates and logicals by value; null apart), the
// keys sorted so that the records holding one value sit together and the records whose text
// begins with some text sit together from where that text would go.
class LocateKeys {
 public:
  static std::string nullKey();
  static std::string textKey(std::string_view gbk);  // folds and trims it
  static std::string numberKey(double value);
  // The key of a value as the storage gives it for a field that is text or not, into `out`;
  // false for a value the keys cannot stand for (bytes, text in a field that is no text field).
  static bool keyOf(const Value& value, bool textField, std::string& out);

  // Building: any number of push() in any order, then sort().
  void reserve(size_t records, size_t keyBytes);
  void push(std::string_view key, uint32_t record);
  void sort();

  // Kept in step afterwards.
  void add(std::string_view key, uint32_t record);
  void remove(std::string_view key, uint32_t record);  // nothing when there is no such entry

  // Appends to `out` the records whose key is `key` or, with `leading`, begins with it; in no
  // particular order.
  void find(std::string_view key, bool leading, std::vector<uint32_t>& out) const;
  size_t size() const { return slots_.size(); }

 private:
  // A key's first eight bytes as one number, so that most comparisons are one; the key's bytes
  // are in bytes_.
  struct Slot {
    uint64_t head;
    uint32_t at, size, record;
  };
  std::string_view keyOf(const Slot& s) const {
    return std::string_view(bytes_).substr(s.at, s.size);
  }
  bool before(const Slot& s, uint64_t head, std::string_view key, uint32_t record) const;
  size_t lowerBound(std::string_view key, uint32_t record) const;

  std::vector<Slot> slots_;  // by key, then record
  std::string bytes_;        // every key's bytes, and those of keys removed since the last build
  size_t dropped_ = 0;       // bytes of removed keys
};

}  // namespace tdb
