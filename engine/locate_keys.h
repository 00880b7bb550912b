#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/value.h"

namespace tdb {

// GBK text as locates and caseless ranges compare it: ASCII letters folded to upper case; the
// trail byte of a GBK character (which may look like a letter) never is.
std::string foldCase(std::string_view gbk);

// Text without the blanks and NULs that pad it to its field's width.
std::string_view trimPadding(std::string_view s);

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
  // The key of a value as the storage gives it for a field that is text or not; nullopt for a
  // value the keys cannot stand for (bytes, text in a field that is no text field).
  static std::optional<std::string> keyOf(const Value& value, bool textField);

  struct Entry {
    std::string key;
    uint32_t record;
  };
  // Replaces the keys with `entries`, in any order.
  void assign(std::vector<Entry> entries);
  void add(std::string key, uint32_t record);
  void remove(std::string_view key, uint32_t record);  // nothing when there is no such entry
  // Appends to `out` the records whose key is `key` or, with `leading`, begins with it; in no
  // particular order.
  void find(std::string_view key, bool leading, std::vector<uint32_t>& out) const;
  size_t size() const { return entries_.size(); }

 private:
  std::vector<Entry> entries_;  // by key, then record
};

}  // namespace tdb
