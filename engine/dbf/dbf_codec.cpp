#include "engine/dbf/dbf_codec.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "engine/byte_order.h"
#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"

namespace tdb::dbf {

namespace {

// Visual FoxPro counts datetimes in Julian day numbers; the engine counts from 1899-12-30.
constexpr double kJulianOf18991230 = 2415019;
// Days from 0001-01-01 to 1899-12-30, for dBASE 7 timestamps (milliseconds since 0001-01-01).
constexpr double kDaysTo18991230 = 693594;

// dBASE 7 stores doubles so that their bytes sort like their values: positive numbers with the
// sign bit set, negative numbers with every bit inverted.
double getSortedDouble(const char* p) {
  uint64_t bits = getBe64(p);
  bits = (bits & 0x8000000000000000ull) ? bits ^ 0x8000000000000000ull : ~bits;
  double d;
  std::memcpy(&d, &bits, 8);
  return d;
}
void putSortedDouble(char* p, double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, 8);
  bits = (bits & 0x8000000000000000ull) ? ~bits : bits ^ 0x8000000000000000ull;
  putBe64(p, bits);
}

// A stored day number outside the calendar is damage, shown as a blank rather than trusted.
Value dateTimeOrNull(double days) {
  int y, m, d;
  decodeDate(days, y, m, d);
  return y == 0 ? Value() : Value::dateTime(days);
}

std::string_view trimmed(const char* p, size_t n) {
  std::string_view s(p, n);
  while (!s.empty() && (s.front() == ' ' || s.front() == '\0')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

// A character field's text: without the blanks (or zeros) that pad it.
std::string_view characterText(const char* p, size_t n) {
  std::string_view s(p, n);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

bool isNullFlagged(const Header& h, const Field& f, const char* rec) {
  if (f.nullBit < 0) return false;
  const auto byte = static_cast<uint8_t>(rec[h.nullFlagsOffset + f.nullBit / 8]);
  return byte >> (f.nullBit % 8) & 1;
}

void setNullFlag(const Header& h, const Field& f, char* rec, bool on) {
  if (f.nullBit < 0) return;
  char& byte = rec[h.nullFlagsOffset + f.nullBit / 8];
  const char mask = static_cast<char>(1 << (f.nullBit % 8));
  byte = on ? (byte | mask) : (byte & ~mask);
}

// Up to 15 digits with an optional sign and point, as xBase numbers are: the integer of the
// digits over a power of ten. Both are exact doubles and division rounds correctly, so the
// result equals a full decimal parse. False for anything else.
bool quickDecimal(std::string_view s, double& out) {
  static constexpr double kTens[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                     1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) ++i;
  int64_t mantissa = 0;
  int digits = 0, decimals = -1;
  for (; i < s.size(); ++i) {
    if (s[i] == '.' && decimals < 0) {
      decimals = 0;
    } else if (s[i] >= '0' && s[i] <= '9' && digits < 15) {
      mantissa = mantissa * 10 + (s[i] - '0');
      ++digits;
      if (decimals >= 0) ++decimals;
    } else {
      return false;
    }
  }
  if (digits == 0) return false;
  const double v = static_cast<double>(mantissa) / kTens[decimals < 0 ? 0 : decimals];
  out = negative ? -v : v;
  return true;
}

Value decodeNumber(const Field& f, std::string_view s) {
  if (s.empty()) return Value();
  if (f.def.type == FieldType::ftFloat || f.def.type == FieldType::ftCurrency ||
      f.def.type == FieldType::ftBCD) {
    double d = 0;
    return quickDecimal(s, d) || parseNumber(s, d) ? Value::number(d) : Value();
  }
  if (s.front() == '+') s.remove_prefix(1);
  int64_t i = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), i);
  if (r.ec == std::errc() && r.ptr == s.data() + s.size()) return Value::integer(i);
  double d = 0;  // "12.0" in a field without decimals, written by a careless program
  return parseNumber(s, d) && std::fabs(d) < 9.2e18 ? Value::integer(nearestWhole(d)) : Value();
}

[[noreturn]] void tooWide(const Field& f, const std::string& text) {
  throw EngineError("数值[" + text + "]超出字段[" + gbkToUtf8(f.name) + "]的宽度(" +
                    std::to_string(f.length) + "," + std::to_string(f.decimals) + ")");
}

void encodeNumber(const Field& f, char* dst, const Value& v) {
  char buf[400];
  char* end;
  if (v.kind() == Value::Kind::Integer && f.decimals == 0) {
    end = std::to_chars(buf, buf + sizeof buf, v.integerValue()).ptr;
  } else {
    const double d =
        v.kind() == Value::Kind::Integer ? static_cast<double>(v.integerValue()) : v.doubleValue();
    if (!std::isfinite(d)) tooWide(f, displayText(v, f.def.type));
    end = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, f.decimals).ptr;
  }
  const size_t n = end - buf;
  if (n > f.length) tooWide(f, std::string(buf, n));
  std::memset(dst, ' ', f.length - n);
  std::memcpy(dst + f.length - n, buf, n);
}

}  // namespace

void putNumberText(const Header& h, const Field& f, char* rec, std::string_view text) {
  std::memcpy(rec + f.offset, text.data(), f.length);
  setNullFlag(h, f, rec, false);
}

uint32_t memoBlock(const Field& f, const char* rec) {
  const char* p = rec + f.offset;
  if (f.length == 4) return getLe32(p);
  std::string_view s = trimmed(p, f.length);
  uint32_t block = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), block);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() ? block : 0;
}

void setMemoBlock(const Header& h, const Field& f, char* rec, uint32_t block) {
  char* p = rec + f.offset;
  setNullFlag(h, f, rec, false);
  if (f.length == 4) {
    putLe32(p, block);
    return;
  }
  std::memset(p, ' ', f.length);
  if (block == 0) return;
  char buf[16];
  const size_t n = std::to_chars(buf, buf + sizeof buf, block).ptr - buf;
  std::memcpy(p + f.length - n, buf, n);
}

Value decodeField(const Header& h, const Field& f, const char* rec) {
  if (isNullFlagged(h, f, rec)) return Value();
  const char* p = rec + f.offset;
  const bool level7 = h.flavor == Flavor::DBase7;
  switch (f.type) {
    case 'C': {
      const std::string_view s = characterText(p, f.length);
      return s.empty() ? Value() : Value::text(std::string(s));
    }
    case 'N':
    case 'F':
      return decodeNumber(f, trimmed(p, f.length));
    case 'D': {
      // Eight digits, read directly: every date of every record read passes here.
      int digits[8];
      for (int i = 0; i < 8; ++i) {
        if (p[i] < '0' || p[i] > '9') return Value();  // blank or damaged: no date
        digits[i] = p[i] - '0';
      }
      const int y = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
      const int m = digits[4] * 10 + digits[5], d = digits[6] * 10 + digits[7];
      if (!validDate(y, m, d)) return Value();
      return Value::dateTime(encodeDate(y, m, d));
    }
    case 'L':
      switch (p[0]) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
          return Value::boolean(true);
        case 'F':
        case 'f':
        case 'N':
        case 'n':
          return Value::boolean(false);
        default:
          return Value();
      }
    case 'I':
    case '+': {
      const uint32_t raw = level7 ? getBe32(p) ^ 0x80000000u : getLe32(p);
      return Value::integer(static_cast<int32_t>(raw));
    }
    case 'Y':
      return Value::number(static_cast<int64_t>(getLe64(p)) / 10000.0);
    case 'T': {
      const uint32_t day = getLe32(p), ms = getLe32(p + 4);
      if (day == 0 && ms == 0) return Value();
      return dateTimeOrNull(day - kJulianOf18991230 + ms / 86400000.0);
    }
    case 'B': {  // Visual FoxPro double (elsewhere B is a memo and never reaches here)
      double d;
      std::memcpy(&d, p, 8);
      return Value::number(d);
    }
    case 'O':
      return Value::number(getSortedDouble(p));
    case '@': {
      if (getLe64(p) == 0) return Value();
      return dateTimeOrNull(getSortedDouble(p) / 86400000.0 - kDaysTo18991230);
    }
    default:
      return Value::bytes(std::string(p, f.length));
  }
}

void decodeFieldInto(const Header& h, const Field& f, const char* rec, Value& out) {
  // Text is the one kind that allocates; everything else is as cheap to return as to assign.
  if (f.type != 'C' || isNullFlagged(h, f, rec)) {
    out = decodeField(h, f, rec);
    return;
  }
  const std::string_view s = characterText(rec + f.offset, f.length);
  if (s.empty())
    out = Value();
  else
    out.assignText(s);
}

void encodeField(const Header& h, const Field& f, char* rec, const Value& v) {
  char* p = rec + f.offset;
  const bool level7 = h.flavor == Flavor::DBase7;
  if (v.isNull()) {
    switch (f.type) {
      case 'L':
        p[0] = h.flavor == Flavor::DBase3 || h.flavor == Flavor::DBase4 ? '?' : ' ';
        break;
      case 'I':
      case '+':
      case 'Y':
      case 'T':
      case 'B':
      case 'O':
      case '@':
        std::memset(p, 0, f.length);
        break;
      default:
        std::memset(p, ' ', f.length);
    }
    setNullFlag(h, f, rec, true);
    return;
  }
  // Format first into a scratch copy so that a failure leaves the record alone.
  char out[65536];
  switch (f.type) {
    case 'C': {
      const std::string& s = v.textValue();
      const size_t n = std::min<size_t>(s.size(), f.length);
      std::memcpy(out, s.data(), n);
      std::memset(out + n, ' ', f.length - n);
      break;
    }
    case 'N':
    case 'F':
      encodeNumber(f, out, v);
      break;
    case 'D': {
      int y, m, d;
      decodeDate(v.doubleValue(), y, m, d);
      char buf[16];
      std::snprintf(buf, sizeof buf, "%04d%02d%02d", y % 10000, m, d);
      std::memcpy(out, buf, 8);
      break;
    }
    case 'L':
      out[0] = v.booleanValue() ? 'T' : 'F';
      break;
    case 'I':
    case '+': {
      const int64_t i = v.integerValue();
      if (i < INT32_MIN || i > INT32_MAX) tooWide(f, std::to_string(i));
      const auto raw = static_cast<uint32_t>(static_cast<int32_t>(i));
      level7 ? putBe32(out, raw ^ 0x80000000u) : putLe32(out, raw);
      break;
    }
    case 'Y': {
      const double scaled = std::round(v.doubleValue() * 10000.0);
      if (!(std::fabs(scaled) < 9.2e18)) tooWide(f, displayText(v, f.def.type));
      putLe64(out, static_cast<uint64_t>(static_cast<int64_t>(scaled)));
      break;
    }
    case 'T': {
      const double days = v.doubleValue();
      const double whole = std::floor(days);
      putLe32(out, static_cast<uint32_t>(whole + kJulianOf18991230));
      putLe32(out + 4, static_cast<uint32_t>(std::llround((days - whole) * 86400000.0)));
      break;
    }
    case 'B': {
      const double d = v.doubleValue();
      std::memcpy(out, &d, 8);
      break;
    }
    case 'O':
      putSortedDouble(out, v.doubleValue());
      break;
    case '@':
      putSortedDouble(out, (v.doubleValue() + kDaysTo18991230) * 86400000.0);
      break;
    default:
      throw EngineError("字段[" + gbkToUtf8(f.name) + "]的类型不能写入");
  }
  std::memcpy(p, out, f.length);
  setNullFlag(h, f, rec, false);
}

}  // namespace tdb::dbf
