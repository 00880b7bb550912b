#include <cmath>
#include <string>
#include <string_view>

#include "engine/convert.h"
#include "engine/index/key_program.h"
#include "engine/number_text.h"

namespace tdb::key_internal {

int wholeCount(double n) {
  if (std::isnan(n)) return 0;
  // Far beyond any text length, and far from INT_MAX so start + count stays exact.
  constexpr double kLimit = 1e9;
  if (n > kLimit) return static_cast<int>(kLimit);
  if (n < -kLimit) return static_cast<int>(-kLimit);
  return static_cast<int>(std::trunc(n));
}

void upperAscii(std::string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] >= 'a' && s[i] <= 'z')
      s[i] = static_cast<char>(s[i] - 32);
    else if (isLeadByte(s[i]))
      ++i;  // trail bytes run from 0x40 and many of them look like letters
  }
}

void lowerAscii(std::string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] >= 'A' && s[i] <= 'Z')
      s[i] = static_cast<char>(s[i] + 32);
    else if (isLeadByte(s[i]))
      ++i;
  }
}

void trimRight(std::string& s) {
  const size_t end = s.find_last_not_of(' ');
  s.resize(end == std::string::npos ? 0 : end + 1);
}

void trimLeft(std::string& s) {
  const size_t begin = s.find_first_not_of(' ');
  s.erase(0, begin == std::string::npos ? s.size() : begin);
}

void substr(std::string& s, int start, int count) {
  if (start < 1) start = 1;
  const auto from = static_cast<size_t>(start - 1);
  if (count <= 0 || from >= s.size()) {
    s.clear();
    return;
  }
  s = s.substr(from, static_cast<size_t>(count));
}

namespace {

// A finite, non-negative number as decimal digits with the position of its decimal point:
// value = 0.d1d2d3... * 10^point. Taken from the shortest text that reads back as the number,
// so that a number entered as 1.005 rounds as 1.005 and not as the binary fraction below it.
struct Decimal {
  std::string digits;
  int point = 0;
};

Decimal decimalOf(double magnitude) {
  const std::string text = shortestNumberText(magnitude);  // "123.45", "1.5E+20", "1E-7"
  Decimal d;
  const size_t e = text.find('E');
  const std::string mantissa = text.substr(0, e);
  const size_t dot = mantissa.find('.');
  d.point = static_cast<int>(dot == std::string::npos ? mantissa.size() : dot);
  for (char c : mantissa)
    if (c != '.') d.digits += c;
  if (e != std::string::npos) d.point += std::stoi(text.substr(e + 1));
  return d;
}

// The digits of `d` rounded half away from zero to `decimals` places: integer part and
// fraction, the integer part without leading zeros but at least "0".
void roundDecimal(Decimal d, int decimals, std::string& whole, std::string& fraction) {
  // Make the point fall inside the digits, with at least one digit before it.
  if (d.point < 1) {
    d.digits.insert(0, static_cast<size_t>(1 - d.point), '0');
    d.point = 1;
  }
  const size_t keep = static_cast<size_t>(d.point + decimals);
  if (d.digits.size() < keep) d.digits.append(keep - d.digits.size(), '0');
  const bool up = d.digits.size() > keep && d.digits[keep] >= '5';
  d.digits.resize(keep);
  if (up) {
    size_t i = keep;
    while (i > 0 && d.digits[i - 1] == '9') d.digits[--i] = '0';
    if (i == 0) {
      d.digits.insert(0, 1, '1');
      ++d.point;
    } else {
      ++d.digits[i - 1];
    }
  }
  whole = d.digits.substr(0, static_cast<size_t>(d.point));
  fraction = d.digits.substr(static_cast<size_t>(d.point));
  const size_t first = whole.find_first_not_of('0');
  whole.erase(0, first == std::string::npos ? whole.size() - 1 : first);
}

}  // namespace

std::string strText(double n, int length, int decimals) {
  if (!std::isfinite(n)) return std::string(static_cast<size_t>(length), '*');
  if (decimals > length) decimals = length;
  if (decimals < 0) decimals = 0;
  const Decimal d = decimalOf(std::fabs(n));
  // Decimals give way first; only an integer part too wide for the length overflows.
  for (int places = decimals; places >= 0; --places) {
    std::string whole, fraction;
    roundDecimal(d, places, whole, fraction);
    const bool zero = whole == "0" && fraction.find_first_not_of('0') == std::string::npos;
    std::string text = (n < 0 && !zero ? "-" : "") + whole;
    if (places > 0) text += "." + fraction;
    if (static_cast<int>(text.size()) <= length)
      return std::string(static_cast<size_t>(length) - text.size(), ' ') + text;
  }
  return std::string(static_cast<size_t>(length), '*');
}

double valOf(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  const size_t begin = i;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  double value = 0;
  if (digits == 0 || !parseNumber(s.substr(begin, i - begin), value)) return 0;
  return value;
}

bool inDateRange(double days) {
  static const double first = encodeDate(1, 1, 1);
  static const double end = encodeDate(9999, 12, 31) + 1;
  return days >= first && days < end;  // false for NaN
}

std::string dtosText(double days, bool blank) {
  if (blank || !inDateRange(days)) return std::string(8, ' ');
  std::string text = formatDate(days);  // yyyy-mm-dd
  return text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2);
}

std::string dtocText(double days, bool blank) {
  if (blank || !inDateRange(days)) return "    -  -  ";
  return formatDate(days);
}

void fitWidth(std::string& s, int width) {
  const auto w = static_cast<size_t>(width);
  if (s.size() > w) {
    size_t keep = 0;
    while (keep < w) {
      const size_t step = isLeadByte(s[keep]) && keep + 1 < s.size() ? 2 : 1;
      if (keep + step > w) break;
      keep += step;
    }
    s.resize(keep);
  }
  s.append(w - s.size(), ' ');
}

}  // namespace tdb::key_internal
