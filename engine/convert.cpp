#include "engine/convert.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/number_text.h"

namespace tdb {

namespace {

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\0'))
    s.remove_suffix(1);
  return s;
}

// Days from 0001-01-01 to the date, proleptic Gregorian.
long daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;  // days since 1970-01-01
}

constexpr long kEpochShift = 25569;  // 1899-12-30 to 1970-01-01
// Day numbers of 0001-01-01 and 9999-12-31, the dates the engine holds.
constexpr double kFirstDay = -693593;
constexpr double kLastDay = 2958465;

bool readInt(std::string_view& s, size_t maxDigits, int& out) {
  size_t n = 0;
  int v = 0;
  while (n < s.size() && n < maxDigits && s[n] >= '0' && s[n] <= '9') v = v * 10 + (s[n++] - '0');
  if (n == 0) return false;
  s.remove_prefix(n);
  out = v;
  return true;
}

bool parseTimeOfDay(std::string_view s, double& fraction) {
  int h = 0, m = 0, sec = 0;
  if (!readInt(s, 2, h) || s.empty() || s[0] != ':') return false;
  s.remove_prefix(1);
  if (!readInt(s, 2, m)) return false;
  if (!s.empty() && s[0] == ':') {
    s.remove_prefix(1);
    if (!readInt(s, 2, sec)) return false;
  }
  if (!s.empty() || h > 23 || m > 59 || sec > 59) return false;
  fraction = (h * 3600 + m * 60 + sec) / 86400.0;
  return true;
}

std::string fieldText(const FieldDef& def) { return "字段[" + gbkToUtf8(def.name) + "]"; }

// `what` is GBK, like every value.
[[noreturn]] void cannotHold(const FieldDef& def, const std::string& what) {
  throw EngineError(gbkToUtf8(what) + "不能存入" + fieldText(def) + "(" + fieldTypeName(def.type) +
                    ")");
}

bool parseBoolean(std::string_view s, bool& out) {
  std::string up;
  for (char c : trimmed(s)) up += (c >= 'a' && c <= 'z') ? char(c - 32) : c;
  if (up == "T" || up == "Y" || up == "TRUE" || up == "YES" || up == "1") return out = true, true;
  if (up == "F" || up == "N" || up == "FALSE" || up == "NO" || up == "0") return out = false, true;
  return false;
}

}  // namespace

bool validDate(int y, int m, int d) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= kDays[m - 1] + (m == 2 && leap);
}

double encodeDate(int y, int m, int d) {
  if (!validDate(y, m, d)) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    throw EngineError(std::string(buf) + "不是有效的日期");
  }
  return static_cast<double>(daysFromCivil(y, m, d) + kEpochShift);
}

void decodeDate(double days, int& y, int& m, int& d) {
  if (!(days >= kFirstDay && days < kLastDay + 1)) {  // NaN too: no calendar date
    y = m = d = 0;
    return;
  }
  long z = static_cast<long>(std::floor(days)) - kEpochShift + 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

bool parseDate(std::string_view text, double& days) {
  std::string_view s = trimmed(text);
  int y = 0, m = 0, d = 0;
  size_t leadingDigits = 0;
  while (leadingDigits < s.size() && leadingDigits < 8 && s[leadingDigits] >= '0' &&
         s[leadingDigits] <= '9')
    ++leadingDigits;
  if (leadingDigits == 8 && (s.size() == 8 || s[8] == ' ')) {
    std::string_view digits = s.substr(0, 8);
    std::string_view ys = digits.substr(0, 4), ms = digits.substr(4, 2), ds = digits.substr(6, 2);
    readInt(ys, 4, y);
    readInt(ms, 2, m);
    readInt(ds, 2, d);
    s.remove_prefix(8);
  } else {
    if (!readInt(s, 4, y) || s.empty()) return false;
    const char sep = s[0];
    if (sep != '-' && sep != '/' && sep != '.') return false;
    s.remove_prefix(1);
    if (!readInt(s, 2, m) || s.empty() || s[0] != sep) return false;
    s.remove_prefix(1);
    if (!readInt(s, 2, d)) return false;
  }
  if (!validDate(y, m, d)) return false;
  double fraction = 0;
  s = trimmed(s);
  if (!s.empty() && !parseTimeOfDay(s, fraction)) return false;
  days = encodeDate(y, m, d) + fraction;
  return true;
}

std::string formatDate(double days) {
  int y, m, d;
  decodeDate(days, y, m, d);
  // By hand: dates are shown for every date field of every record a grid or a dump shows.
  std::string s = "0000-00-00";
  s[0] = static_cast<char>('0' + y / 1000), s[1] = static_cast<char>('0' + y / 100 % 10);
  s[2] = static_cast<char>('0' + y / 10 % 10), s[3] = static_cast<char>('0' + y % 10);
  s[5] = static_cast<char>('0' + m / 10), s[6] = static_cast<char>('0' + m % 10);
  s[8] = static_cast<char>('0' + d / 10), s[9] = static_cast<char>('0' + d % 10);
  return s;
}

std::string formatTime(double days) {
  long secs = std::lround((days - std::floor(days)) * 86400.0);
  if (secs >= 86400) secs = 86399;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02ld:%02ld:%02ld", secs / 3600, secs / 60 % 60, secs % 60);
  return buf;
}

std::string formatDateTime(double days) {
  // A time that rounds up to midnight stays on its own day.
  return formatDate(days) + " " + formatTime(days);
}

int64_t nearestWhole(double d) { return static_cast<int64_t>(std::llround(d)); }

bool parseNumber(std::string_view text, double& out) {
  std::string_view s = trimmed(text);
  if (!s.empty() && s[0] == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  double v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

std::string displayText(const Value& v, FieldType type) {
  switch (v.kind()) {
    case Value::Kind::Null:
      return {};
    case Value::Kind::Integer:
      return std::to_string(v.integerValue());
    case Value::Kind::Double:
      return shortestNumberText(v.doubleValue());
    case Value::Kind::Text:
    case Value::Kind::Bytes:
      return v.textValue();
    case Value::Kind::Boolean:
      return v.booleanValue() ? "True" : "False";
    case Value::Kind::DateTime:
      if (type == FieldType::ftTime) return formatTime(v.doubleValue());
      if (type == FieldType::ftDateTime) return formatDateTime(v.doubleValue());
      return formatDate(v.doubleValue());
  }
  return {};
}

double toNumber(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Null:
      return 0;
    case Value::Kind::Integer:
      return static_cast<double>(v.integerValue());
    case Value::Kind::Double:
    case Value::Kind::DateTime:
      return v.doubleValue();
    case Value::Kind::Boolean:
      return v.booleanValue() ? 1 : 0;
    case Value::Kind::Text: {
      double d = 0;
      if (!parseNumber(v.textValue(), d))
        throw EngineError("'" + gbkToUtf8(v.textValue()) + "'不是有效的数值");
      return d;
    }
    case Value::Kind::Bytes:
      break;
  }
  throw EngineError("二进制数据不是数值");
}

Value toFieldValue(const Value& v, const FieldDef& def) {
  const FieldType t = def.type;
  if (v.isNull()) return v;
  const bool emptyText = v.kind() == Value::Kind::Text && trimmed(v.textValue()).empty();

  if (t == FieldType::ftString || t == FieldType::ftMemo || t == FieldType::ftFmtMemo) {
    std::string text = v.kind() == Value::Kind::Text ? v.textValue() : displayText(v, t);
    if (t == FieldType::ftString && def.size > 0 && static_cast<int>(text.size()) > def.size) {
      // Never cut a GBK character in half.
      size_t keep = 0;
      while (keep < text.size()) {
        const size_t step = static_cast<unsigned char>(text[keep]) >= 0x81 ? 2 : 1;
        if (keep + step > static_cast<size_t>(def.size)) break;
        keep += step;
      }
      text.resize(keep);
    }
    return Value::text(std::move(text));
  }
  if (t == FieldType::ftBlob || t == FieldType::ftGraphic || t == FieldType::ftTypedBinary ||
      t == FieldType::ftBytes) {
    if (v.kind() == Value::Kind::Text || v.kind() == Value::Kind::Bytes)
      return Value::bytes(v.textValue());
    cannotHold(def, displayText(v, t));
  }
  if (emptyText) return Value();

  if (isIntegerType(t)) {
    double d = 0;
    if (v.kind() == Value::Kind::Integer) return v;
    if (v.kind() == Value::Kind::Text ? !parseNumber(v.textValue(), d)
                                      : v.kind() == Value::Kind::Bytes)
      cannotHold(def, "'" + displayText(v, t) + "'");
    if (v.kind() != Value::Kind::Text) d = toNumber(v);
    if (std::fabs(d) >= 9.2e18) cannotHold(def, displayText(v, t));
    return Value::integer(nearestWhole(d));
  }
  if (isFloatType(t)) {
    double d = 0;
    if (v.kind() == Value::Kind::Text ? !parseNumber(v.textValue(), d)
                                      : v.kind() == Value::Kind::Bytes)
      cannotHold(def, "'" + displayText(v, t) + "'");
    if (v.kind() != Value::Kind::Text) d = toNumber(v);
    return Value::number(d);
  }
  if (t == FieldType::ftDate || t == FieldType::ftTime || t == FieldType::ftDateTime) {
    double days = 0;
    if (v.kind() == Value::Kind::Text) {
      if (t == FieldType::ftTime) {
        if (!parseTimeOfDay(trimmed(v.textValue()), days) && !parseDate(v.textValue(), days))
          cannotHold(def, "'" + v.textValue() + "'");
      } else if (!parseDate(v.textValue(), days)) {
        cannotHold(def, "'" + v.textValue() + "'");
      }
    } else if (v.kind() == Value::Kind::DateTime || v.isNumeric()) {
      days = toNumber(v);
    } else {
      cannotHold(def, displayText(v, t));
    }
    if (!(days >= kFirstDay && days < kLastDay + 1)) cannotHold(def, displayText(v, t));
    if (t == FieldType::ftDate) days = std::floor(days);
    if (t == FieldType::ftTime) days -= std::floor(days);
    return Value::dateTime(days);
  }
  if (t == FieldType::ftBoolean) {
    bool b = false;
    if (v.kind() == Value::Kind::Boolean) return v;
    if (v.kind() == Value::Kind::Text) {
      if (!parseBoolean(v.textValue(), b)) cannotHold(def, "'" + v.textValue() + "'");
      return Value::boolean(b);
    }
    if (v.isNumeric()) return Value::boolean(toNumber(v) != 0);
    cannotHold(def, displayText(v, t));
  }
  cannotHold(def, displayText(v, t));
}

}  // namespace tdb
