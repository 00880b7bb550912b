#include "engine/index/key_encoding.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "engine/byte_order.h"

namespace tdb::key_encoding {

namespace {

constexpr uint64_t kSignBit = uint64_t(1) << 63;

// A key never holds -0 (it would sort apart from 0) nor NaN (it has no place in any order).
double cleaned(double value) { return std::isnan(value) || value == 0 ? 0.0 : value; }

uint64_t bitsOf(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  return bits;
}

double doubleOf(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, 8);
  return value;
}

// The BCD form: byte 0 holds the decimal exponent biased by 34h, so the exponents a byte can
// hold run from -34h to CBh; byte 1 the digit count and the sign; then the digits.
constexpr int kBcdBias = 0x34;
constexpr int kBcdMaxExponent = 0xFF - kBcdBias;
constexpr int kBcdMinExponent = -kBcdBias;
constexpr int kBcdDigits = 20;
constexpr unsigned kBcdNegative = 0x80;

std::string bcdZero() {
  std::string key(12, '\0');
  key[0] = char(kBcdBias);
  key[1] = char(1 << 2);
  return key;
}

}  // namespace

std::string sortableNumber(double value) {
  uint64_t bits = bitsOf(cleaned(value));
  // Positive numbers get the sign bit so that they sort above every negative one; negative
  // numbers are inverted whole so that a larger magnitude sorts lower.
  bits = (bits & kSignBit) ? ~bits : bits | kSignBit;
  std::string key(8, '\0');
  putBe64(key.data(), bits);
  return key;
}

double numberOfSortable(std::string_view key) {
  if (key.size() < 8) return 0;
  uint64_t bits = getBe64(key.data());
  bits = (bits & kSignBit) ? bits & ~kSignBit : ~bits;
  return cleaned(doubleOf(bits));
}

std::string mdxNumber(double value) {
  value = cleaned(value);
  if (value == 0) return bcdZero();
  const bool negative = value < 0;
  double magnitude = std::fabs(value);
  if (std::isinf(magnitude)) magnitude = std::numeric_limits<double>::max();

  // The shortest scientific text that reads back as the same double: d.ddddde±x, at most 17
  // significant digits, so never more than the form's 20.
  char text[64];
  const auto result =
      std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific);
  std::string_view written(text, static_cast<size_t>(result.ptr - text));
  const size_t e = written.find('e');
  std::string digits;
  for (char c : written.substr(0, e))
    if (c >= '0' && c <= '9') digits.push_back(c);
  int exponent = 0;
  std::from_chars(written.data() + e + 1 + (written[e + 1] == '+'), written.data() + written.size(),
                  exponent);
  // d.ddd × 10^x is 0.dddd × 10^(x+1): the count of digits before the decimal point.
  exponent += 1;
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  if (digits.size() > size_t(kBcdDigits)) digits.resize(kBcdDigits);

  if (exponent < kBcdMinExponent) return bcdZero();  // too small for the form: it reads as 0
  if (exponent > kBcdMaxExponent) {                  // too large: the largest the form holds
    exponent = kBcdMaxExponent;
    digits.assign(kBcdDigits, '9');
  }
  std::string key(12, '\0');
  key[0] = char(kBcdBias + exponent);
  key[1] = char((digits.size() << 2) | (negative ? kBcdNegative : 0));
  for (size_t i = 0; i < digits.size(); ++i) {
    const unsigned digit = unsigned(digits[i] - '0');
    key[2 + i / 2] = char(uint8_t(key[2 + i / 2]) | (i % 2 == 0 ? digit << 4 : digit));
  }
  return key;
}

double numberOfMdx(std::string_view key) {
  if (key.size() < 12) return 0;
  const int exponent = int(uint8_t(key[0])) - kBcdBias;
  const bool negative = uint8_t(key[1]) & kBcdNegative;
  const size_t count = std::min<size_t>((uint8_t(key[1]) >> 2) & 0x1F, kBcdDigits);
  // Read back through decimal text, so that the digits a double wrote give that double again.
  std::string text = "0.";
  for (size_t i = 0; i < count; ++i) {
    const unsigned byte = uint8_t(key[2 + i / 2]);
    const unsigned digit = i % 2 == 0 ? byte >> 4 : byte & 0x0F;
    text.push_back(char('0' + std::min(digit, 9u)));
  }
  if (count == 0) text.push_back('0');
  text += "e" + std::to_string(exponent);
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return cleaned(negative ? -value : value);
}

std::string mdxDate(double julianDay) {
  std::string key(8, '\0');
  putLe64(key.data(), bitsOf(cleaned(julianDay)));
  return key;
}

double julianOfMdxDate(std::string_view key) {
  if (key.size() < 8) return 0;
  return cleaned(doubleOf(getLe64(key.data())));
}

std::string inverted(std::string_view key) {
  std::string out(key);
  for (char& c : out) c = char(~uint8_t(c));
  return out;
}

}  // namespace tdb::key_encoding
