#include "cli/dump_format.h"

#include <cstdint>
#include <cstring>

#include "engine/convert.h"
#include "engine/gbk_codec.h"

namespace tdb::cli {

namespace {

// ASCII reads the same in GBK and UTF-8, so most text needs no trip through iconv.
bool isAscii(std::string_view s) {
  const char* p = s.data();
  size_t n = s.size();
  for (; n >= 8; p += 8, n -= 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    if (w & 0x8080808080808080ull) return false;
  }
  for (; n > 0; ++p, --n)
    if (static_cast<unsigned char>(*p) & 0x80) return false;
  return true;
}

// Whether any byte of the word is `c`: the bytes equal to it turn zero, and the subtraction
// borrows out of a zero byte alone before the first such borrow.
bool hasByte(uint64_t word, char c) {
  constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
  const uint64_t v = word ^ (kOnes * static_cast<unsigned char>(c));
  return ((v - kOnes) & ~v & kHighs) != 0;
}

// What forces a CSV field into quotes, looked for eight bytes at a time: a dump's hottest line.
bool needsQuotes(std::string_view s) {
  const auto special = [](char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; };
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    if (hasByte(w, ',') || hasByte(w, '"') || hasByte(w, '\r') || hasByte(w, '\n')) return true;
  }
  for (; i < s.size(); ++i)
    if (special(s[i])) return true;
  return false;
}

// The letter after the backslash that stands for `c` in the plain form, or 0 when `c` stays.
char escapeLetter(char c) {
  switch (c) {
    case '\\':
      return '\\';
    case '\t':
      return 't';
    case '\r':
      return 'r';
    case '\n':
      return 'n';
    default:
      return 0;
  }
}

}  // namespace

void fieldText(const Field& field, FieldType type, std::string& out) {
  fieldText(field, field.value(), type, out);
}

void fieldText(const Field& field, const Value& v, FieldType type, std::string& out) {
  const bool number = v.kind() == Value::Kind::Integer || v.kind() == Value::Kind::Double;
  if (number && field.storedNumber(out)) return;
  valueText(v, type, out);
}

std::string escapedText(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (const char letter = escapeLetter(c)) {
      out.append(1, '\\').append(1, letter);
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      static const char kHex[] = "0123456789ABCDEF";
      out.append("\\x").append(1, kHex[(c >> 4) & 15]).append(1, kHex[c & 15]);
    } else {
      out += c;
    }
  }
  return out;
}

void valueText(const Value& value, FieldType type, std::string& out) {
  switch (value.kind()) {
    case Value::Kind::Null:
      out.clear();
      return;
    case Value::Kind::Text: {
      const std::string& gbk = value.textValue();
      if (isAscii(gbk))
        out.assign(gbk);
      else
        gbkToUtf8(gbk, out);
      return;
    }
    case Value::Kind::Bytes: {
      static const char kHex[] = "0123456789abcdef";
      const std::string& bytes = value.textValue();
      out.resize(bytes.size() * 2);
      for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[2 * i] = kHex[b >> 4];
        out[2 * i + 1] = kHex[b & 15];
      }
      return;
    }
    default:
      out = displayText(value, type);
      return;
  }
}

void writeCsvField(Output& out, std::string_view text, bool alone) {
  if (!needsQuotes(text)) {
    if (text.empty() && alone)
      out.write("\"\"");
    else
      out.write(text);
    return;
  }
  out.put('"');
  for (size_t start = 0;;) {
    const size_t quote = text.find('"', start);
    if (quote == std::string_view::npos) {
      out.write(text.substr(start));
      break;
    }
    out.write(text.substr(start, quote + 1 - start));
    out.put('"');
    start = quote + 1;
  }
  out.put('"');
}

void writePlainField(Output& out, std::string_view text) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char escape = escapeLetter(text[i]);
    if (!escape) continue;
    out.write(text.substr(start, i - start));
    out.put('\\');
    out.put(escape);
    start = i + 1;
  }
  out.write(text.substr(start));
}

}  // namespace tdb::cli
