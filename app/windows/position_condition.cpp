#include "app/windows/position_condition.h"

#include <algorithm>

#include "app/common/gbk_string.h"
#include "app/windows/window_registry.h"
#include "engine/table.h"

namespace torvanel {

namespace {

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool isComplete(const searchstru& condition) {
  return !condition.substr.isEmpty() && !condition.fieldname.isEmpty() &&
         !condition.compop.isEmpty() && condition.position != -1;
}

long bytePosition(std::string_view text, std::string_view needle, bool caseSensitive) {
  if (needle.empty() || needle.size() > text.size()) return 0;
  const auto same = [caseSensitive](char a, char b) {
    return caseSensitive ? a == b : upperAscii(a) == upperAscii(b);
  };
  const auto found = std::search(text.begin(), text.end(), needle.begin(), needle.end(), same);
  return found == text.end() ? 0 : static_cast<long>(found - text.begin()) + 1;
}

PositionCondition::PositionCondition(const searchstru& condition, const tdb::Table& table) {
  if (!isComplete(condition)) return;
  field_ = table.fieldDefs().indexOf(gbkText(condition.fieldname));
  needle_ = gbkText(condition.substr);
  greater_ = condition.compop == QLatin1String(">");
  position_ = condition.position;
  caseSensitive_ = condition.casesens;
}

bool PositionCondition::accepts(tdb::Table& table) const {
  if (field_ < 0 || field_ >= table.fieldCount()) return true;
  const long p = bytePosition(table.field(field_).asString(), needle_, caseSensitive_);
  return greater_ ? p > position_ : p == position_;
}

}  // namespace torvanel
