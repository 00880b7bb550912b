#pragma once

#include <string>
#include <string_view>

namespace tdb {
class Table;
}

namespace torvanel {

struct searchstru;

// True when the string-position condition acts: the string, the field and the operator are set
// and the position is not -1.
bool isComplete(const searchstru& condition);

// The 1-based byte position of the first occurrence of `needle` in `text`, 0 when it does not
// occur. Without case only the ASCII letters a..z fold, so every GBK byte compares as it is and
// a Chinese character occupies two positions.
long bytePosition(std::string_view text, std::string_view needle, bool caseSensitive);

// A window's string-position condition made ready for the per-record hook: the field found and
// the string in the table's GBK once, not for every record.
class PositionCondition {
 public:
  PositionCondition() = default;  // accepts every record
  // An incomplete condition, or one naming a field the table lacks, accepts every record.
  PositionCondition(const searchstru& condition, const tdb::Table& table);

  // Whether the current (candidate) record of `table` passes.
  bool accepts(tdb::Table& table) const;

 private:
  int field_ = -1;
  std::string needle_;
  bool greater_ = false;  // ">" rather than "="
  long position_ = 0;
  bool caseSensitive_ = false;
};

}  // namespace torvanel
