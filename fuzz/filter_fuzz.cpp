// Parses the input as a record filter over a fixed set of fields of every kind. An expression
// that parses is evaluated against a few records under every option set, and must give exactly
// the opposite answers once wrapped in NOT( ). An expression that does not parse must say so
// with an EngineError whose message is valid UTF-8.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/engine_error.h"
#include "engine/field_defs.h"
#include "engine/filter/filter_expression.h"
#include "fuzz/utf8_check.h"

namespace {

using tdb::FieldType;
using tdb::Value;

struct Field {
  const char* name;  // GBK
  FieldType type;
};

const Field kFields[] = {
    {"NAME", FieldType::ftString},    {"\xD0\xD5\xC3\xFB", FieldType::ftString},  // 姓名
    {"AGE", FieldType::ftInteger},    {"BIG", FieldType::ftLargeint},
    {"PRICE", FieldType::ftCurrency}, {"D", FieldType::ftDate},
    {"DT", FieldType::ftDateTime},    {"T", FieldType::ftTime},
    {"OK", FieldType::ftBoolean},     {"NOTE", FieldType::ftMemo},
    {"PIC", FieldType::ftBlob},       {"MY FIELD", FieldType::ftString},
};
constexpr int kFieldCount = sizeof kFields / sizeof kFields[0];

class Record : public tdb::FilterFields {
 public:
  explicit Record(std::vector<Value> values) : values_(std::move(values)) {}
  int fieldIndex(const std::string& name) const override {
    for (int i = 0; i < kFieldCount; ++i)
      if (tdb::sameName(kFields[i].name, name)) return i;
    return -1;
  }
  FieldType fieldType(int i) const override { return kFields[i].type; }
  Value fieldValue(int i) const override { return values_.at(i); }

 private:
  std::vector<Value> values_;
};

const std::vector<Record>& records() {
  static const std::vector<Record> all = {
      Record(std::vector<Value>(kFieldCount)),  // every field blank
      Record({Value::text("Li"), Value::text("\xC0\xEE\xCB\xC4"), Value::integer(31),
              Value::integer(INT64_MIN), Value::number(49.5), Value::dateTime(45296),
              Value::dateTime(45296.4375), Value::dateTime(0.4375), Value::boolean(true),
              Value::text("a\xB0\x61*"), Value::bytes("\x01\x02"), Value::text("")}),
      Record({Value::text("\xB0\x41x\x81"), Value::text("o'brien  "), Value::integer(-7),
              Value::integer(INT64_MAX), Value::number(std::nan("")), Value::dateTime(-1e300),
              Value::number(1e300), Value::dateTime(45296.999999), Value::boolean(false),
              Value::text(std::string("\0z", 2)), Value(), Value::text("*")}),
      // Kinds a cursor should not hand out for these types; they must not upset evaluation.
      Record({Value::integer(5), Value::dateTime(1.5), Value::number(31), Value::number(-0.0),
              Value::integer(50), Value::integer(45296), Value::text("2024-01-05"),
              Value::integer(1), Value::integer(2), Value::boolean(true), Value::text("x"),
              Value::bytes("\xB0")}),
  };
  return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const Record& shape = records().front();
  tdb::FilterExpression filter;
  try {
    filter = tdb::FilterExpression::parse(text, shape);
  } catch (const tdb::EngineError& e) {
    const std::string message = e.what();
    if (!validUtf8(message) || message.find("个字符") == std::string::npos) std::abort();
    return 0;
  }
  if (filter.empty()) return 0;

  tdb::FilterExpression negated;
  try {
    negated = tdb::FilterExpression::parse("NOT(" + text + ")", shape);
  } catch (const tdb::EngineError& e) {
    if (std::string(e.what()).find("嵌套") == std::string::npos) std::abort();
    return 0;
  }
  for (const Record& record : records())
    for (unsigned options = 0; options < 4; ++options)
      if (filter.matches(record, options) == negated.matches(record, options)) std::abort();
  return 0;
}
