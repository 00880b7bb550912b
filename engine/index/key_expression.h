#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/field_defs.h"
#include "engine/filter/filter_expression.h"
#include "engine/value.h"

namespace tdb {

namespace key_internal {
struct Program;
}

// An xBase index key expression, such as UPPER(NAME)+DTOS(DAY), parsed and bound to a table's
// fields. It gives every record its key: what index files store and order by.
//
// The language: field names (ASCII case ignored, GBK names allowed, an ALIAS-> in front ignored);
// constants 'text', "text", [text], numbers, .T. .F. .Y. .N.; + (concatenation, addition,
// date + days), - (subtraction, date - days, date - date in days; text - text concatenates and
// moves the left text's trailing blanks to the end); unary + and -; comparisons = == <> # !=
// < > <= >= between values of one type; .NOT. (or !), .AND., .OR.; and the functions UPPER,
// LOWER, TRIM, RTRIM, LTRIM, ALLTRIM, SUBSTR, LEFT, RIGHT, STR, DTOS, DTOC, VAL, IIF, RECNO,
// whose names may be shortened to any unambiguous prefix of at least four letters.
//
// STR(n[, len[, dec]]) writes n right-aligned in len bytes (default 10; a constant from 1 to
// 255) with dec decimals (default 0), rounded half away from zero as the number's shortest
// decimal text reads (so 1.005 gives 1.01); decimals that do not fit are dropped, and len
// asterisks stand for an integer part that does not. SUBSTR(s, start[, n]) counts start from 1
// (a start below 1 counts as 1); counts are truncated to whole numbers, and one of 0 or less
// gives empty text. DTOS gives yyyymmdd and DTOC yyyy-mm-dd, the engine's display form, which
// sorts as the dates do. VAL reads a leading number (blanks, sign, digits, one decimal point)
// and gives 0 when there is none.
//
// Text is bytes: SUBSTR, LEFT and RIGHT count bytes (a GBK character is two), as other xBase
// programs do when they build their keys; UPPER and LOWER change ASCII letters only and never
// the trail byte of a GBK character. Text values have their natural length while evaluated
// (TRIM shortens them), and only the whole key is brought to width(). Text comparisons (=, <,
// ...) ignore trailing blanks; == compares exactly.
//
// A date-and-time field is a Date whose keys keep the time of day.
//
// Blank fields: a blank text field is blanks of its width, a blank number 0, a blank logical
// false, a blank date the blank date. The blank date sorts before every date, DTOS gives eight
// blanks for it and DTOC "    -  -  "; it stays blank when days are added or taken away, and a
// difference with a blank date is 0. Date arithmetic that leaves the years 1 to 9999 gives the
// blank date.
//
// Immutable once parsed; copies share the parsed form, and evaluate() may run on several
// threads at once.
class KeyExpression {
 public:
  enum class Type { Character, Numeric, Date, Logical };

  // Parses GBK text and binds its field names against `fields`. Throws EngineError whose UTF-8
  // message names the expression and says where (1-based character position and the text
  // there) and what is wrong: malformed text, an unknown field or function, a wrong number or
  // type of arguments or operands (UPPER(number), DATE + DATE, IIF with branches of two types),
  // a memo, binary or time field (they cannot be in a key), a STR length or decimal count that
  // is not a constant, a text result longer than kMaxWidth, a key of width 0, or nesting deeper
  // than kMaxNesting.
  static KeyExpression parse(const std::string& text, const FieldDefs& fields);

  // Parentheses, function calls and operators nest at most this deep.
  static constexpr int kMaxNesting = 200;
  // The longest text any part of an expression may give, in bytes.
  static constexpr int kMaxWidth = 65535;

  Type type() const;

  // Character keys: the key's fixed width in bytes, the most its text can take. A field gives
  // its size, a concatenation the sum, TRIM and its kind their argument's width, SUBSTR, LEFT
  // and RIGHT what their constant arguments allow (their argument's width when those are not
  // constant), STR its length, DTOS 8, DTOC 10, IIF the wider branch. Numeric and Date keys: 8.
  // Logical keys: 1.
  int width() const;

  // The key of the current record of `record`, whose physical record number is `recno`.
  // `record` must have the fields, at the same indexes and of the same types, of the FieldDefs
  // the expression was parsed against. Character: Value::text of exactly width() bytes, padded
  // with blanks; a text that a broken record makes longer is cut before the GBK character that
  // would not fit whole, and blanks fill up. Numeric: Value::number, never NaN (an undefined
  // result such as an infinity minus itself is 0) and never -0. Date: Value::dateTime, or null
  // for the blank date. Logical: Value::boolean. Throws nothing beyond what `record`'s accessors
  // do: a field value of an unexpected kind is converted where it can be (text fields take its
  // display text) and reads as the blank value where it cannot.
  Value evaluate(const FilterFields& record, uint32_t recno) const;

  // The expression as it was parsed.
  const std::string& text() const;

 private:
  explicit KeyExpression(std::shared_ptr<const key_internal::Program> program);

  std::shared_ptr<const key_internal::Program> program_;
};

}  // namespace tdb
