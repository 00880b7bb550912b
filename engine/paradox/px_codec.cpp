#include "engine/paradox/px_codec.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "engine/byte_order.h"
#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"

namespace tdb::px {

namespace {

// Paradox day numbers of the engine's first and last dates (0001-01-01 and 9999-12-31).
constexpr int64_t kFirstDay = 1;
constexpr int64_t kLastDay = 3652059;
constexpr double kMsPerDay = 86400000.0;

[[noreturn]] void badValue(const Field& f, const std::string& path, const std::string& what) {
  throw EngineError("数据表[" + path + "]已损坏: 字段[" + gbkToUtf8(f.name) + "]" + what);
}

[[noreturn]] void doesNotFit(const Field& f, const std::string& what) {
  throw EngineError("字段[" + gbkToUtf8(f.name) + "]" + what);
}

bool allZero(const char* p, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i)
    if (p[i] != 0) return false;
  return true;
}

// Integers: big-endian two's complement with the sign bit flipped; all zeros is null.
bool getInteger(const char* p, int bytes, int64_t& out) {
  uint64_t raw = getBe(p, bytes);
  if (raw == 0) return false;
  // Stored = value + 2^(n-1) modulo 2^n, so the value is the stored number less the bias.
  out = static_cast<int64_t>(raw) - static_cast<int64_t>(uint64_t{1} << (8 * bytes - 1));
  return true;
}

void putInteger(char* p, int bytes, int64_t v) {
  const uint64_t sign = uint64_t{1} << (8 * bytes - 1);
  putBe(p, static_cast<uint64_t>(v) ^ sign, bytes);
}

// Doubles: big-endian IEEE; positive ones have the sign bit set, negative ones every bit
// inverted, so that the bytes sort as the numbers do.
bool getDouble(const char* p, double& out) {
  uint64_t raw = getBe64(p);
  const uint64_t sign = uint64_t{1} << 63;
  if (raw & sign) {
    raw &= ~sign;
  } else if (raw == 0) {
    return false;
  } else {
    raw = ~raw;
  }
  std::memcpy(&out, &raw, 8);
  return true;
}

void putDouble(char* p, double v) {
  uint64_t raw;
  std::memcpy(&raw, &v, 8);
  const uint64_t sign = uint64_t{1} << 63;
  raw = (raw & sign) ? ~raw : raw | sign;
  putBe64(p, raw);
}

int64_t requireInteger(const Field& f, const Value& v) {
  if (v.kind() != Value::Kind::Integer) doesNotFit(f, "需要整数值");
  return v.integerValue();
}

double requireNumber(const Field& f, const Value& v) {
  double d;
  if (v.kind() == Value::Kind::Double || v.kind() == Value::Kind::DateTime)
    d = v.doubleValue();
  else if (v.kind() == Value::Kind::Integer)
    d = static_cast<double>(v.integerValue());
  else
    doesNotFit(f, "需要数值");
  if (!std::isfinite(d)) doesNotFit(f, "不能存放无穷大或非数");
  return d;
}

Value decodeBcd(const Field& f, const unsigned char* p, const std::string& path) {
  if (p[0] == 0) return Value();
  const bool negative = !(p[0] & 0x80);
  const uint32_t decimals = p[0] & 0x3F;
  if (decimals != f.decimals)
    badValue(f, path, "的BCD小数位数" + std::to_string(decimals) + "与字段定义不符");
  const unsigned flip = negative ? 0x0F : 0x00;
  std::string text = negative ? "-" : "";
  for (uint32_t i = 2; i < 34; ++i) {
    if (i == 34 - decimals) text += '.';
    const unsigned nibble = ((i % 2) ? p[i / 2] & 0x0F : p[i / 2] >> 4) ^ flip;
    if (nibble > 9) badValue(f, path, "的BCD数字不对");
    text += static_cast<char>('0' + nibble);
  }
  double v = 0;
  if (!parseNumber(text, v)) badValue(f, path, "的BCD数字不对");
  return Value::number(v);
}

void encodeBcd(const Field& f, char* out, double v) {
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::fixed,
                                 static_cast<int>(f.decimals));
  if (res.ec != std::errc()) doesNotFit(f, "的数值超出BCD的位数");
  std::string text(buf, res.ptr);
  const size_t point = text.find('.');
  std::string whole = text.substr(0, point);
  const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
  while (whole.size() > 1 && whole[0] == '0') whole.erase(0, 1);
  if (whole == "0") whole.clear();
  if (whole.size() > 32 - f.decimals) doesNotFit(f, "的数值超出BCD的位数");
  const bool negative = v < 0 && (whole.find_first_not_of('0') != std::string::npos ||
                                  fraction.find_first_not_of('0') != std::string::npos);
  const unsigned flip = negative ? 0x0F : 0x00;
  unsigned char b[17];
  b[0] = static_cast<unsigned char>((negative ? 0x40 : 0xC0) | f.decimals);
  std::memset(b + 1, negative ? 0xFF : 0x00, 16);
  const std::string digits = std::string(32 - f.decimals - whole.size(), '0') + whole + fraction;
  for (uint32_t i = 0; i < 32; ++i) {
    const unsigned nibble = static_cast<unsigned>(digits[i] - '0') ^ flip;
    const uint32_t at = (i + 2) / 2;
    if ((i + 2) % 2)
      b[at] = static_cast<unsigned char>((b[at] & 0xF0) | nibble);
    else
      b[at] = static_cast<unsigned char>((b[at] & 0x0F) | (nibble << 4));
  }
  std::memcpy(out, b, 17);
}

std::string fixedBytes(const Field& f, const Value& v, const char* what) {
  if (v.kind() != Value::Kind::Text && v.kind() != Value::Kind::Bytes) doesNotFit(f, what);
  const std::string& s = v.textValue();
  if (s.size() > f.size)
    doesNotFit(f,
               "的值有" + std::to_string(s.size()) + "字节,超出字段长度" + std::to_string(f.size));
  return s;
}

}  // namespace

std::string_view alphaText(const Field& f, const char* p) {
  // Eight bytes at a time: fields are short, and a call to memchr costs more than the search.
  size_t n = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; n + 8 <= f.size; n += 8) {
      uint64_t w;
      std::memcpy(&w, p + n, 8);
      // The lowest byte flagged here is the first zero byte; flags above it may be false.
      const uint64_t zero = (w - 0x0101010101010101ull) & ~w & 0x8080808080808080ull;
      if (zero) return {p, n + static_cast<size_t>(std::countr_zero(zero)) / 8};
    }
  }
  while (n < f.size && p[n] != 0) ++n;
  return {p, n};
}

Value decodeField(const Field& f, const char* p, const std::string& path) {
  Value v;
  decodeFieldInto(f, p, path, v);
  return v;
}

void decodeFieldInto(const Field& f, const char* p, const std::string& path, Value& out) {
  int64_t i = 0;
  double d = 0;
  switch (f.type) {
    case kAlpha:
      if (p[0] == 0) break;
      out.assignText(alphaText(f, p));
      return;
    case kBytes:
      if (allZero(p, f.size)) break;
      out.assignBytes(std::string_view(p, f.size));
      return;
    case kShort:
      if (!getInteger(p, 2, i)) break;
      out = Value::integer(i);
      return;
    case kLong:
    case kAutoInc:
      if (!getInteger(p, 4, i)) break;
      out = Value::integer(i);
      return;
    case kMoney:
    case kNumber:
      if (!getDouble(p, d)) break;
      out = Value::number(d);
      return;
    case kLogical: {
      const auto b = static_cast<unsigned char>(p[0]);
      if (b == 0) break;
      out = Value::boolean((b & 0x7F) != 0);
      return;
    }
    case kDate:
      if (!getInteger(p, 4, i)) break;
      if (i < kFirstDay || i > kLastDay)
        badValue(f, path, "的日期" + std::to_string(i) + "超出0001至9999年");
      out = Value::dateTime(static_cast<double>(i - kParadoxDayOfEngineZero));
      return;
    case kTime:
      if (!getInteger(p, 4, i)) break;
      if (i < 0 || i >= static_cast<int64_t>(kMsPerDay))
        badValue(f, path, "的时间" + std::to_string(i) + "毫秒超出一天");
      out = Value::dateTime(static_cast<double>(i) / kMsPerDay);
      return;
    case kTimestamp: {
      if (!getDouble(p, d)) break;
      const double day = d / kMsPerDay;
      if (!(day >= kFirstDay && day < kLastDay + 1)) badValue(f, path, "的时间戳超出0001至9999年");
      const double whole = std::floor(day);
      const double ms = std::round(d - whole * kMsPerDay);
      out = Value::dateTime(whole - kParadoxDayOfEngineZero + ms / kMsPerDay);
      return;
    }
    case kBcd:
      out = decodeBcd(f, reinterpret_cast<const unsigned char*>(p), path);
      return;
    default:
      badValue(f, path, "是备注类型,不能直接解码");
  }
  out = Value();  // null
}

void encodeField(const Field& f, char* p, const Value& v) {
  if (v.isNull()) {
    std::memset(p, 0, f.size);
    return;
  }
  char out[17] = {};
  switch (f.type) {
    case kAlpha: {
      if (v.kind() != Value::Kind::Text) doesNotFit(f, "需要文本值");
      const std::string s = fixedBytes(f, v, "需要文本值");
      std::memset(p, 0, f.size);
      std::memcpy(p, s.data(), s.size());
      return;
    }
    case kBytes: {
      const std::string s = fixedBytes(f, v, "需要字节值");
      std::memset(p, 0, f.size);
      std::memcpy(p, s.data(), s.size());
      return;
    }
    case kShort: {
      const int64_t i = requireInteger(f, v);
      if (i < -32767 || i > 32767) doesNotFit(f, "的值" + std::to_string(i) + "超出-32767至32767");
      putInteger(out, 2, i);
      break;
    }
    case kLong:
    case kAutoInc: {
      const int64_t i = requireInteger(f, v);
      if (i < -2147483647 || i > 2147483647)
        doesNotFit(f, "的值" + std::to_string(i) + "超出-2147483647至2147483647");
      putInteger(out, 4, i);
      break;
    }
    case kMoney:
    case kNumber:
      putDouble(out, requireNumber(f, v));
      break;
    case kLogical:
      if (v.kind() != Value::Kind::Boolean) doesNotFit(f, "需要逻辑值");
      out[0] = static_cast<char>(v.booleanValue() ? 0x81 : 0x80);
      break;
    case kDate: {
      if (v.kind() != Value::Kind::DateTime) doesNotFit(f, "需要日期值");
      const double day = std::floor(v.doubleValue()) + kParadoxDayOfEngineZero;
      if (!(day >= kFirstDay && day <= kLastDay)) doesNotFit(f, "的日期超出0001至9999年");
      putInteger(out, 4, static_cast<int64_t>(day));
      break;
    }
    case kTime: {
      if (v.kind() != Value::Kind::DateTime) doesNotFit(f, "需要时间值");
      const double t = v.doubleValue();
      int64_t ms = std::llround((t - std::floor(t)) * kMsPerDay);
      if (ms >= static_cast<int64_t>(kMsPerDay)) ms = static_cast<int64_t>(kMsPerDay) - 1;
      putInteger(out, 4, ms);
      break;
    }
    case kTimestamp: {
      if (v.kind() != Value::Kind::DateTime) doesNotFit(f, "需要日期时间值");
      const double day = v.doubleValue() + kParadoxDayOfEngineZero;
      if (!(day >= kFirstDay && day < kLastDay + 1)) doesNotFit(f, "的日期超出0001至9999年");
      putDouble(out, std::round(day * kMsPerDay));
      break;
    }
    case kBcd:
      encodeBcd(f, out, requireNumber(f, v));
      break;
    default:
      doesNotFit(f, "是备注类型,不能直接编码");
  }
  std::memcpy(p, out, f.size);
}

BlobRef decodeBlobRef(const Field& f, const char* p) {
  BlobRef ref;
  const uint32_t leader = f.size - 10;
  ref.leader.assign(p, leader);
  const uint32_t where = getLe32(p + leader);
  ref.offset = where & 0xFFFFFF00u;
  ref.index = static_cast<uint8_t>(where & 0xFF);
  ref.length = getLe32(p + leader + 4);
  ref.modification = static_cast<uint16_t>(getLe16(p + leader + 8));
  return ref;
}

void encodeBlobRef(const Field& f, char* p, const BlobRef& ref, const std::string& data) {
  const uint32_t leader = f.size - 10;
  std::memset(p, 0, leader);
  std::memcpy(p, data.data(), std::min<size_t>(leader, data.size()));
  putLe32(p + leader, (ref.offset & 0xFFFFFF00u) | ref.index);
  putLe32(p + leader + 4, ref.length);
  putLe16(p + leader + 8, ref.modification);
}

Value blobValue(const Field& f, std::string data) {
  if (f.type == kMemo || f.type == kFmtMemo) return Value::text(std::move(data));
  return Value::bytes(std::move(data));
}

}  // namespace tdb::px
