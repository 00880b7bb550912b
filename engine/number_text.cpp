#include "engine/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tdb {

namespace {

// Digits and decimal exponent of `value` with `precision` significant digits: "d.ddde±x".
// charconv, unlike printf, ignores the C locale's decimal separator.
std::string scientific(double value, int precision) {
  char buf[40];
  auto r =
      std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, precision - 1);
  return std::string(buf, r.ptr);
}

}  // namespace

std::string shortestNumberText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";

  // The shortest text that reads back has as few digits as any can; when that is more than 15,
  // the value is rounded to 15.
  char buf[40];
  std::string sci(buf,
                  std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific).ptr);
  const size_t mantissaDigits =
      sci.find('e') - (sci[0] == '-') - (sci.find('.') != std::string::npos);
  if (mantissaDigits > 15) sci = scientific(value, 15);

  // Split "-d.ddde±x" into sign, digits without trailing zeros, and exponent.
  const bool negative = sci[0] == '-';
  const size_t e = sci.find('e');
  std::string digits;
  for (size_t i = negative ? 1 : 0; i < e; ++i)
    if (sci[i] != '.') digits += sci[i];
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  const int exponent = std::atoi(sci.c_str() + e + 1);

  std::string out = negative ? "-" : "";
  if (exponent >= 15 || exponent < -5) {
    out += digits[0];
    if (digits.size() > 1) out.append(".").append(digits, 1);
    out += exponent < 0 ? "E-" : "E+";
    out += std::to_string(std::abs(exponent));
  } else if (exponent < 0) {
    out.append("0.").append(-exponent - 1, '0').append(digits);
  } else if (static_cast<int>(digits.size()) <= exponent + 1) {
    out.append(digits).append(exponent + 1 - digits.size(), '0');
  } else {
    out.append(digits, 0, exponent + 1).append(".").append(digits, exponent + 1);
  }
  return out;
}

bool plainDecimalText(std::string_view s, std::string& out) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\0')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  const size_t point = s.find('.');
  std::string_view whole = s.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? "" : s.substr(point + 1);
  auto digits = [](std::string_view d) {
    for (const char c : d)
      if (c < '0' || c > '9') return false;
    return true;
  };
  if ((whole.empty() && fraction.empty()) || !digits(whole) || !digits(fraction)) return false;
  while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  out.clear();
  if (negative && !(whole.empty() && fraction.empty())) out += '-';
  if (whole.empty())
    out += '0';
  else
    out += whole;
  if (!fraction.empty()) out.append(".").append(fraction);
  return true;
}

}  // namespace tdb
