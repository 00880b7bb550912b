#include "engine/text/delimited_codec.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/number_text.h"

namespace tdb::text {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Up to `maxDigits` digits; false when there are none.
bool readInt(std::string_view& s, size_t maxDigits, int& out) {
  size_t n = 0;
  int v = 0;
  while (n < s.size() && n < maxDigits && s[n] >= '0' && s[n] <= '9') v = v * 10 + (s[n++] - '0');
  if (n == 0) return false;
  s.remove_prefix(n);
  out = v;
  return true;
}

// A date in the schema's format at the start of `s`, which is left at what follows.
bool parseFormattedDate(std::string_view& s, const DateFormat& f, double& days) {
  int parts[3];
  size_t digits[3];
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (s.empty() || s[0] != f.separator) return false;
      s.remove_prefix(1);
    }
    const size_t before = s.size();
    if (!readInt(s, 4, parts[i])) return false;
    digits[i] = before - s.size();
  }
  int y, m, d;
  size_t yearDigits;
  switch (f.order) {
    case DateFormat::Order::MDY:
      m = parts[0], d = parts[1], y = parts[2], yearDigits = digits[2];
      break;
    case DateFormat::Order::DMY:
      d = parts[0], m = parts[1], y = parts[2], yearDigits = digits[2];
      break;
    default:
      y = parts[0], m = parts[1], d = parts[2], yearDigits = digits[0];
      break;
  }
  const size_t dayDigits = f.order == DateFormat::Order::YMD
                               ? digits[2]
                               : digits[f.order == DateFormat::Order::MDY ? 1 : 0];
  const size_t monthDigits = f.order == DateFormat::Order::MDY ? digits[0] : digits[1];
  if (dayDigits > 2 || monthDigits > 2) return false;
  if (yearDigits == 2)
    y += y < 50 ? 2000 : 1900;
  else if (yearDigits != 4)
    return false;
  if (!validDate(y, m, d)) return false;
  days = encodeDate(y, m, d);
  return true;
}

bool parseTime(std::string_view s, double& fraction) {
  FieldDef def{"", FieldType::ftTime};
  try {
    const Value v = toFieldValue(Value::text(std::string(s)), def);
    if (v.kind() != Value::Kind::DateTime) return false;
    fraction = v.doubleValue();
    return true;
  } catch (const EngineError&) {
    return false;
  }
}

bool parseDateValue(std::string_view text, const SchemaField& f, const DateFormat& format,
                    double& days) {
  std::string_view s = text;
  if (parseFormattedDate(s, format, days)) {
    s = trim(s);
    if (s.empty()) return true;
    if (f.type != FieldType::ftDateTime) return false;
    double fraction = 0;
    if (!parseTime(s, fraction)) return false;
    days += fraction;
    return true;
  }
  // Dates as the engine writes them everywhere else ("2024-02-29 10:00:00") read too.
  if (!parseDate(text, days)) return false;
  if (f.type == FieldType::ftDate) days = std::floor(days);
  return true;
}

std::string twoDigits(int v) {
  return std::string{static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
}

std::string formatDateText(double days, const DateFormat& f, bool shortYear) {
  int y, m, d;
  decodeDate(days, y, m, d);
  const std::string year =
      shortYear ? twoDigits(y % 100)
                : std::to_string(y / 1000) + std::to_string(y / 100 % 10) + twoDigits(y % 100);
  const std::string s(1, f.separator);
  switch (f.order) {
    case DateFormat::Order::MDY:
      return twoDigits(m) + s + twoDigits(d) + s + year;
    case DateFormat::Order::DMY:
      return twoDigits(d) + s + twoDigits(m) + s + year;
    default:
      return year + s + twoDigits(m) + s + twoDigits(d);
  }
}

}  // namespace

bool isGbkTrailByte(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x40 && u <= 0xFE && u != 0x7F;
}

size_t gbkCharLength(std::string_view s, size_t i) {
  return static_cast<unsigned char>(s[i]) >= 0x81 && i + 1 < s.size() && isGbkTrailByte(s[i + 1])
             ? 2
             : 1;
}

bool endsInLoneLeadByte(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && i + gbkCharLength(s, i) < s.size()) i += gbkCharLength(s, i);
  return i < s.size() && static_cast<unsigned char>(s[i]) >= 0x81 && gbkCharLength(s, i) == 1;
}

std::vector<Line> splitLines(std::string_view file) {
  while (!file.empty() && file.back() == '\x1A') file.remove_suffix(1);
  std::vector<Line> lines;
  int number = 0;
  size_t at = 0;
  while (at < file.size()) {
    size_t end = file.find('\n', at);
    if (end == std::string_view::npos) end = file.size();
    std::string_view text = file.substr(at, end - at);
    at = end + 1;
    ++number;
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (!text.empty()) lines.push_back({text, number});
  }
  return lines;
}

bool splitVarying(std::string_view line, char separator, char delimiter,
                  std::vector<std::string>& fields, std::string& error) {
  fields.clear();
  size_t i = 0;
  while (true) {
    std::string field;
    if (delimiter != '\0' && i < line.size() && line[i] == delimiter) {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        const char c = line[i];
        if (gbkCharLength(line, i) == 2) {
          field.append(line.substr(i, 2));
          i += 2;
          continue;
        }
        if (c == delimiter) {
          if (i + 1 < line.size() && line[i + 1] == delimiter) {
            field += c;
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        field += c;
        ++i;
      }
      if (!closed) {
        error = "第" + std::to_string(fields.size() + 1) + "个字段的引号没有闭合";
        return false;
      }
      while (i < line.size() && line[i] == ' ' && separator != ' ') ++i;
      if (i < line.size() && line[i] != separator) {
        error = "第" + std::to_string(fields.size() + 1) + "个字段的引号后有多余的字符";
        return false;
      }
    } else {
      const size_t start = i;
      while (i < line.size() && line[i] != separator) i += gbkCharLength(line, i);
      if (i > line.size()) i = line.size();
      field.assign(line.substr(start, i - start));
    }
    fields.push_back(std::move(field));
    if (i >= line.size()) return true;
    ++i;  // the separator
    if (i == line.size()) {
      fields.emplace_back();  // a separator at the end leaves one empty field after it
      return true;
    }
  }
}

std::string quoteField(std::string_view text, char separator, char delimiter, bool quote) {
  if (delimiter == '\0') return std::string(text);
  if (!quote) {
    for (size_t i = 0; i < text.size() && !quote; i += gbkCharLength(text, i))
      quote = text[i] == separator || text[i] == delimiter;
    quote = quote || (!text.empty() && (isBlank(text.front()) || isBlank(text.back())));
  }
  if (!quote) return std::string(text);
  std::string out(1, delimiter);
  for (size_t i = 0; i < text.size(); ++i) {
    if (gbkCharLength(text, i) == 2) {
      out.append(text.substr(i++, 2));
      continue;
    }
    if (text[i] == delimiter) out += delimiter;
    out += text[i];
  }
  out += delimiter;
  return out;
}

char detectSeparator(const std::vector<Line>& lines, char delimiter) {
  constexpr size_t kSample = 20;
  char best = ',';
  size_t bestCount = 1;
  std::vector<std::string> fields;
  std::string error;
  for (char sep : {',', '\t', ';'}) {
    size_t count = 0;
    bool consistent = true;
    for (size_t i = 0; i < lines.size() && i < kSample && consistent; ++i) {
      if (!splitVarying(lines[i].text, sep, delimiter, fields, error))
        consistent = false;
      else if (i == 0)
        count = fields.size();
      else
        consistent = fields.size() == count;
    }
    if (consistent && count > bestCount) best = sep, bestCount = count;
  }
  return best;
}

bool parseValue(std::string_view raw, const SchemaField& f, const DateFormat& format, Value& out) {
  if (f.type == FieldType::ftString) {
    while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\0')) raw.remove_suffix(1);
    out = raw.empty() ? Value() : Value::text(std::string(raw));
    return true;
  }
  const std::string_view text = trim(raw);
  if (text.empty()) {
    out = Value();
    return true;
  }
  switch (f.type) {
    case FieldType::ftSmallint:
    case FieldType::ftInteger: {
      std::string_view s = text;
      if (s[0] == '+') s.remove_prefix(1);
      int64_t v = 0;
      auto r = std::from_chars(s.data(), s.data() + s.size(), v);
      if (r.ec != std::errc() || r.ptr != s.data() + s.size()) {
        // "12.00" from a program that writes every number with decimals is still twelve.
        double d = 0;
        if (!parseNumber(text, d) || d != std::floor(d) || std::fabs(d) > 1e10) return false;
        v = static_cast<int64_t>(d);
      }
      const int64_t limit = f.type == FieldType::ftSmallint ? 32767 : 2147483647;
      if (v > limit || v < -limit - 1) return false;
      out = Value::integer(v);
      return true;
    }
    case FieldType::ftFloat: {
      double d = 0;
      if (!parseNumber(text, d)) return false;
      out = Value::number(d);
      return true;
    }
    case FieldType::ftBoolean: {
      try {
        out = toFieldValue(Value::text(std::string(text)), FieldDef{"", FieldType::ftBoolean});
        return true;
      } catch (const EngineError&) {
        return false;
      }
    }
    case FieldType::ftTime: {
      double t = 0;
      if (!parseTime(text, t)) return false;
      out = Value::dateTime(t);
      return true;
    }
    case FieldType::ftDate:
    case FieldType::ftDateTime: {
      double days = 0;
      if (!parseDateValue(text, f, format, days)) return false;
      out = Value::dateTime(days);
      return true;
    }
    default:
      return false;
  }
}

bool formatValue(const Value& v, const SchemaField& f, const DateFormat& format, bool fixed,
                 std::string& out) {
  out.clear();
  if (v.isNull()) return true;
  switch (f.type) {
    case FieldType::ftString:
      if (v.kind() != Value::Kind::Text) return false;
      out = v.textValue();
      break;
    case FieldType::ftSmallint:
    case FieldType::ftInteger: {
      int64_t i = 0;
      if (v.kind() == Value::Kind::Integer) {
        i = v.integerValue();
      } else if (v.kind() == Value::Kind::Double &&
                 v.doubleValue() == std::floor(v.doubleValue()) &&
                 std::fabs(v.doubleValue()) < 1e10) {
        i = static_cast<int64_t>(v.doubleValue());
      } else {
        return false;
      }
      const int64_t limit = f.type == FieldType::ftSmallint ? 32767 : 2147483647;
      if (i > limit || i < -limit - 1) return false;
      out = std::to_string(i);
      break;
    }
    case FieldType::ftFloat: {
      if (!v.isNumeric()) return false;
      const double d = v.kind() == Value::Kind::Integer ? static_cast<double>(v.integerValue())
                                                        : v.doubleValue();
      if (!std::isfinite(d)) return false;
      if (f.decimals > 0 && std::fabs(d) < 1e300) {
        char buf[400];
        auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, f.decimals);
        if (r.ec != std::errc()) return false;
        out.assign(buf, r.ptr);
      } else {
        out = shortestNumberText(d);
      }
      break;
    }
    case FieldType::ftBoolean:
      if (v.kind() != Value::Kind::Boolean) return false;
      out = f.width >= 5 ? (v.booleanValue() ? "TRUE" : "FALSE") : (v.booleanValue() ? "T" : "F");
      break;
    case FieldType::ftTime:
      if (v.kind() != Value::Kind::DateTime) return false;
      out = formatTime(v.doubleValue());
      break;
    case FieldType::ftDate:
    case FieldType::ftDateTime: {
      if (v.kind() != Value::Kind::DateTime) return false;
      int y, m, d;
      decodeDate(v.doubleValue(), y, m, d);
      if (y == 0) return false;
      const bool stamp = f.type == FieldType::ftDateTime;
      const bool shortYear = fixed && f.width < (stamp ? 19 : 10);
      if (shortYear && (y < 1950 || y > 2049)) return false;
      out = formatDateText(v.doubleValue(), format, shortYear);
      if (stamp) out += " " + formatTime(v.doubleValue());
      break;
    }
    default:
      return false;
  }
  return !fixed || out.size() <= static_cast<size_t>(f.width);
}

}  // namespace tdb::text
