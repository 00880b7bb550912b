// Parses the input as an index key expression over a fixed set of fields of every kind. An
// expression that parses is evaluated against a few records, some of them holding values of
// kinds a cursor should not hand out, and every key must be of the expression's type and width:
// text of exactly width() bytes, a number that is not NaN, a blank or valid date. The same
// expression in parentheses must give the same keys. An expression that does not parse must
// say so with an EngineError whose message is valid UTF-8 and says where.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/field_defs.h"
#include "engine/index/key_expression.h"
#include "fuzz/utf8_check.h"

namespace {

using tdb::FieldType;
using tdb::KeyExpression;
using tdb::Value;

const tdb::FieldDefs& fields() {
  static const tdb::FieldDefs defs = [] {
    tdb::FieldDefs d;
    d.add("NAME", FieldType::ftString, 10);
    d.add("\xD0\xD5\xC3\xFB", FieldType::ftString, 8);  // 姓名
    d.add("Z", FieldType::ftString, 1);
    d.add("QTY", FieldType::ftInteger);
    d.add("BIG", FieldType::ftLargeint);
    d.add({"PRICE", FieldType::ftFloat, 10, 2, false});
    d.add("D", FieldType::ftDate);
    d.add("DT", FieldType::ftDateTime);
    d.add("T", FieldType::ftTime);
    d.add("OK", FieldType::ftBoolean);
    d.add("NOTE", FieldType::ftMemo);
    d.add("PIC", FieldType::ftBlob);
    return d;
  }();
  return defs;
}

class Record : public tdb::FilterFields {
 public:
  explicit Record(std::vector<Value> values) : values_(std::move(values)) {}
  int fieldIndex(const std::string& name) const override { return fields().indexOf(name); }
  FieldType fieldType(int i) const override { return fields()[i].type; }
  Value fieldValue(int i) const override { return values_.at(i); }

 private:
  std::vector<Value> values_;
};

const std::vector<Record>& records() {
  const double inf = std::numeric_limits<double>::infinity();
  static const std::vector<Record> all = {
      Record(std::vector<Value>(12)),  // every field blank
      Record({Value::text("Li"), Value::text("\xC0\xEE\xCB\xC4"), Value::text("x"),
              Value::integer(31), Value::integer(INT64_MIN), Value::number(49.995),
              Value::dateTime(45296), Value::dateTime(45296.4375), Value::dateTime(0.4375),
              Value::boolean(true), Value::text("memo"), Value::bytes("\x01")}),
      // Longer than the fields, half characters, NULs, extreme numbers and dates.
      Record({Value::text("\xB0\x61\xB0\x41 abcdefghijk\xB0"), Value::text("a\xD0\xD5\xC3\xFB\xC3"),
              Value::text(std::string("\0\0", 2)), Value::integer(-7), Value::integer(INT64_MAX),
              Value::number(inf), Value::dateTime(-1e300), Value::number(1e300),
              Value::dateTime(0.999999), Value::boolean(false), Value(), Value()}),
      // Kinds a cursor should not hand out for these types.
      Record({Value::integer(5), Value::dateTime(1.5), Value::number(std::nan("")),
              Value::text("12abc"), Value::text(" 3 "), Value::number(-inf),
              Value::text("2024-01-05"), Value::text("x"), Value::integer(2), Value::text("Y"),
              Value::integer(1), Value::text("x")}),
  };
  return all;
}

void checkKey(const KeyExpression& e, const Value& v) {
  static const double firstDay = tdb::encodeDate(1, 1, 1);
  static const double endDay = tdb::encodeDate(9999, 12, 31) + 1;
  switch (e.type()) {
    case KeyExpression::Type::Character:
      if (v.kind() != Value::Kind::Text || static_cast<int>(v.textValue().size()) != e.width())
        std::abort();
      return;
    case KeyExpression::Type::Numeric:
      if (v.kind() != Value::Kind::Double || std::isnan(v.doubleValue()) ||
          (v.doubleValue() == 0 && std::signbit(v.doubleValue())) || e.width() != 8)
        std::abort();
      return;
    case KeyExpression::Type::Date:
      if (e.width() != 8) std::abort();
      if (v.isNull()) return;
      if (v.kind() != Value::Kind::DateTime || !(v.doubleValue() >= firstDay) ||
          !(v.doubleValue() < endDay))
        std::abort();
      return;
    case KeyExpression::Type::Logical:
      if (v.kind() != Value::Kind::Boolean || e.width() != 1) std::abort();
      return;
  }
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto parse = [](const std::string& t, KeyExpression& out) {
    try {
      out = KeyExpression::parse(t, fields());
      return true;
    } catch (const tdb::EngineError& e) {
      const std::string message = e.what();
      if (!validUtf8(message) || message.find("个字符") == std::string::npos) std::abort();
      return false;
    }
  };

  // A placeholder until the input parses; KeyExpression has no empty state.
  KeyExpression key = KeyExpression::parse("RECNO()", fields());
  if (!parse(text, key)) return 0;
  if (key.text() != text) std::abort();
  if (key.type() == KeyExpression::Type::Character &&
      (key.width() < 1 || key.width() > KeyExpression::kMaxWidth))
    std::abort();

  KeyExpression grouped = key;
  const bool hasGrouped = parse("(" + text + ")", grouped);
  for (const Record& record : records()) {
    for (uint32_t recno : {0u, 1u, 4294967295u}) {
      const Value v = key.evaluate(record, recno);
      checkKey(key, v);
      if (hasGrouped && (grouped.type() != key.type() || grouped.width() != key.width() ||
                         !(grouped.evaluate(record, recno) == v)))
        std::abort();
    }
  }
  return 0;
}
