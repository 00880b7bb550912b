#pragma once

#include <string>
#include <string_view>

namespace tdb::key_encoding {

// Keys as the engine orders them in memory: byte strings that sort with memcmp as their values
// do. Character keys are their GBK bytes; numbers and dates are FoxPro's compound-index form, an
// 8-byte big-endian double with the sign bit set for positive values and every bit inverted for
// negative ones; logical keys are "T" or "F". A compound index stores exactly these bytes.

// Dates in keys are Julian day numbers (the engine's day 0, 1899-12-30, is day 2415019); the
// blank date is 0, which sorts before every date.
constexpr double kJulianOfDayZero = 2415019;

std::string sortableNumber(double value);
double numberOfSortable(std::string_view key);  // `key` has 8 bytes

// dBASE's production index stores numbers as 12-byte BCD: byte 0 is 34h plus the count of
// digits before the decimal point, byte 1 the count of significant digits shifted left by 2
// with 80h for a negative number, then up to 20 digits two to a byte, the first digit non-zero.
// Zero is 34h, 04h and zero digits. Values beyond 20 significant digits are rounded.
std::string mdxNumber(double value);
double numberOfMdx(std::string_view key);  // `key` has 12 bytes

// dBASE stores dates as a little-endian double of the Julian day number.
std::string mdxDate(double julianDay);
double julianOfMdxDate(std::string_view key);  // `key` has 8 bytes

// A descending tag keeps its keys with every byte inverted, so that one ascending order serves
// both directions and equal keys still follow record numbers upwards.
std::string inverted(std::string_view key);

}  // namespace tdb::key_encoding
