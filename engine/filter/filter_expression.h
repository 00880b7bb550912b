#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "engine/field_defs.h"
#include "engine/value.h"

namespace tdb {

// How a filter compares text.
enum FilterOption : unsigned {
  foCaseInsensitive = 1,   // ASCII letters compare without case; GBK characters always exactly
  foNoPartialCompare = 2,  // a trailing '*' of a string constant is an ordinary character
};

// What a filter reads of the record in hand; the table cursor implements it.
class FilterFields {
 public:
  virtual ~FilterFields() = default;
  // -1 when none; ASCII case ignored (tdb::sameName).
  virtual int fieldIndex(const std::string& gbkName) const = 0;
  virtual FieldType fieldType(int index) const = 0;
  virtual Value fieldValue(int index) const = 0;  // of the current record

  // The text of a string or text-memo field of the current record, for scans that must not copy
  // it: what fieldValue holds, except that the field's padding of trailing blanks or NULs may
  // remain (filters ignore it) and null reads as empty. The view must stay valid until the record
  // changes or `holder` is assigned or destroyed. The default reads fieldValue into `holder` and
  // views that; a cursor with the record's bytes at hand should return a view into them instead.
  virtual std::string_view fieldText(int index, Value& holder) const;
};

namespace filter_internal {
struct Program;
}

// A parsed record filter: comparisons "field op constant" (op one of = <> < > <= >=) joined by
// NOT, AND and OR (in that order of precedence) and grouped by parentheses. Text compares
// bytewise without trailing blanks, a blank text field as ''. F=null holds for a blank field
// (or empty text) and F<>null for any other; a blank field of a non-text type satisfies nothing
// else but <>. Dates and times compare to the millisecond. Immutable once parsed; copies share
// the parsed form, and matches() may run on several threads at once.
class FilterExpression {
 public:
  FilterExpression();  // empty: matches every record

  // Parses GBK text and binds field names and constants against `fields` (their types). Throws
  // EngineError whose UTF-8 message says where (1-based character position and the text near
  // it, converted with gbkToUtf8) and what is wrong: unbalanced parentheses, missing operator or
  // constant, unknown field name, a constant that cannot be compared with its field (e.g. 'abc'
  // against a numeric field, an invalid date), trailing garbage, nesting deeper than
  // kMaxNesting. Empty or all-blank text gives the empty filter.
  static FilterExpression parse(const std::string& text, const FilterFields& fields);

  // Parentheses and NOTs nest at most this deep.
  static constexpr int kMaxNesting = 200;

  bool empty() const;

  // Whether the current record of `record` passes; `options` is a set of FilterOption. `record`
  // must have the fields, at the same indexes and of the same types, that the filter was parsed
  // against. Allocates and throws nothing beyond what `record`'s accessors do.
  bool matches(const FilterFields& record, unsigned options) const;

 private:
  explicit FilterExpression(std::shared_ptr<const filter_internal::Program> program);

  std::shared_ptr<const filter_internal::Program> program_;  // null when empty
};

}  // namespace tdb
