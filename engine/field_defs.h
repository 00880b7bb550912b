#pragma once

#include <string>
#include <vector>

namespace tdb {

// The engine's data types of fields.
enum class FieldType {
  ftUnknown,
  ftString,    // fixed-length text
  ftSmallint,  // 16-bit integer
  ftInteger,   // 32-bit integer
  ftWord,      // 16-bit unsigned integer
  ftLargeint,  // 64-bit integer
  ftFloat,     // double
  ftCurrency,  // money, as a double
  ftBCD,       // fixed-point decimal, as a double
  ftDate,      // day number, no time
  ftTime,      // time of day only
  ftDateTime,  // day number and time
  ftBoolean,
  ftMemo,         // text of any length, kept in the memo file
  ftFmtMemo,      // formatted text memo
  ftBlob,         // binary memo
  ftGraphic,      // picture memo
  ftTypedBinary,  // binary memo with a type of its own
  ftBytes,        // fixed-length binary
  ftAutoInc,      // integer the table numbers itself
};

// Display name of a type ("ftString"), for messages and `tdb info`.
const char* fieldTypeName(FieldType type);

// True for the types whose values live in a memo file rather than the record.
inline bool isMemoType(FieldType t) {
  return t == FieldType::ftMemo || t == FieldType::ftFmtMemo || t == FieldType::ftBlob ||
         t == FieldType::ftGraphic || t == FieldType::ftTypedBinary;
}

// Whole numbers (ftSmallint, ftInteger, ftWord, ftLargeint, ftAutoInc) and the rest of the
// numbers (ftFloat, ftCurrency, ftBCD): how values of a type compare, convert and index.
bool isIntegerType(FieldType type);
bool isFloatType(FieldType type);
inline bool isNumericType(FieldType type) { return isIntegerType(type) || isFloatType(type); }

// One field of a table's structure. Names are GBK bytes.
struct FieldDef {
  std::string name;
  FieldType type = FieldType::ftUnknown;
  int size = 0;       // characters for ftString, digits for numbers where the format has them
  int precision = 0;  // decimal places of numbers stored as text (xBase N and F), else 0
  bool required = false;
};

// Index options.
enum IndexOption : unsigned {
  ixPrimary = 1,
  ixUnique = 2,
  ixDescending = 4,
  ixCaseInsensitive = 8,
  ixExpression = 16,
};

// One index of a table. `fields` is the key's field names joined by ";" for a plain key;
// `expression` is the key expression when `options` has ixExpression.
struct IndexDef {
  std::string name;
  std::string fields;
  std::string expression;
  unsigned options = 0;
};

// The structure of a table: its fields in order.
class FieldDefs {
 public:
  void clear() { defs_.clear(); }
  void add(FieldDef def) { defs_.push_back(std::move(def)); }
  void add(std::string name, FieldType type, int size = 0, bool required = false) {
    defs_.push_back({std::move(name), type, size, 0, required});
  }
  int count() const { return static_cast<int>(defs_.size()); }
  const FieldDef& operator[](int i) const { return defs_[i]; }
  FieldDef& operator[](int i) { return defs_[i]; }
  // Index of the field of that name, compared without regard to ASCII case; -1 when none.
  int indexOf(const std::string& name) const;
  auto begin() const { return defs_.begin(); }
  auto end() const { return defs_.end(); }

 private:
  std::vector<FieldDef> defs_;
};

// The indexes of a table.
class IndexDefs {
 public:
  void clear() { defs_.clear(); }
  void add(IndexDef def) { defs_.push_back(std::move(def)); }
  int count() const { return static_cast<int>(defs_.size()); }
  const IndexDef& operator[](int i) const { return defs_[i]; }
  auto begin() const { return defs_.begin(); }
  auto end() const { return defs_.end(); }

 private:
  std::vector<IndexDef> defs_;
};

// ASCII-case-insensitive equality of two GBK names (bytes above 0x7F compare exactly).
bool sameName(const std::string& a, const std::string& b);

}  // namespace tdb
