#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tdb {

// What the readers of production index files report about one tag.
struct IndexTagInfo {
  std::string name;           // as stored, trailing blanks and NULs removed
  std::string expression;     // key expression text, GBK as stored
  std::string forExpression;  // empty when the tag has no FOR condition
  bool unique = false;
  bool descending = false;
  int keyLength = 0;  // bytes of every key of the tag
  char keyType = 0;   // 'C', 'N' or 'D' where the file says; 0 where it does not (CDX)
};

// One key of a tag and the physical record number (1-based) it points at. The key bytes are
// exactly as the file orders them: blank-padded text, or a format's binary form of a number or
// date.
struct IndexEntry {
  std::string key;
  uint32_t recno = 0;
};

// Called for every entry of a walk in index order; returning false stops the walk.
using IndexVisitor = std::function<bool(const IndexEntry&)>;

}  // namespace tdb
