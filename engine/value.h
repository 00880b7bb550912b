#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace tdb {

// One field value as the engine hands it around. Text and bytes are raw bytes (text is GBK);
// date/time is a day number since 1899-12-30 with the time of day as the fraction.
class Value {
 public:
  enum class Kind { Null, Integer, Double, Text, DateTime, Boolean, Bytes };

  Value() = default;  // null
  static Value integer(int64_t v) { return Value(Kind::Integer, v); }
  static Value number(double v) { return Value(Kind::Double, v); }
  static Value text(std::string gbk) { return Value(Kind::Text, std::move(gbk)); }
  static Value dateTime(double days) { return Value(Kind::DateTime, days); }
  static Value boolean(bool v) { return Value(Kind::Boolean, int64_t{v}); }
  static Value bytes(std::string b) { return Value(Kind::Bytes, std::move(b)); }

  Kind kind() const { return kind_; }
  bool isNull() const { return kind_ == Kind::Null; }
  bool isNumeric() const { return kind_ == Kind::Integer || kind_ == Kind::Double; }

  // Direct access; the caller has checked kind(). Conversions between kinds live in convert.h.
  int64_t integerValue() const { return std::get<int64_t>(data_); }
  double doubleValue() const { return std::get<double>(data_); }
  bool booleanValue() const { return std::get<int64_t>(data_) != 0; }
  const std::string& textValue() const { return std::get<std::string>(data_); }  // Text or Bytes

  // Makes this value text (or bytes) in place, reusing the storage a text or bytes value already
  // holds: a scan that decodes every record into the same values allocates nothing once they
  // have grown to the longest text.
  void assignText(std::string_view gbk) { assignString(Kind::Text, gbk); }
  void assignBytes(std::string_view b) { assignString(Kind::Bytes, b); }

  friend bool operator==(const Value& a, const Value& b) {
    return a.kind_ == b.kind_ && a.data_ == b.data_;
  }

 private:
  template <typename T>
  Value(Kind k, T v) : kind_(k), data_(std::move(v)) {}

  void assignString(Kind k, std::string_view s) {
    if (auto* held = std::get_if<std::string>(&data_))
      held->assign(s);
    else
      data_.emplace<std::string>(s);
    kind_ = k;
  }

  Kind kind_ = Kind::Null;
  std::variant<std::monostate, int64_t, double, std::string> data_;
};

}  // namespace tdb
