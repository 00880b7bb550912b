#pragma once

#include <string>
#include <string_view>

namespace tdb {

// The shortest decimal text that reads back as the same double, using at most 15 significant
// digits (so 0.1 + 0.2 gives "0.3"). Plain notation ("100", "0.25", "1000000000000") for
// magnitudes from 1e-5 up to below 1e15, scientific beyond ("1E+20", "1.5E-7"). No trailing
// zeros, no '+' sign; negative zero is "0"; NaN and infinities are "NAN", "INF" and "-INF".
std::string shortestNumberText(double value);

// The text of a number stored as plain decimal digits ("  -012.500", "+.5"), with every digit
// that counts and nothing else: no blanks, '+' sign, leading zeros before the units or trailing
// zeros after the point ("-12.5", "0.5"); zero is "0". False for text that is no such number
// (an exponent, stray characters, no digit).
bool plainDecimalText(std::string_view stored, std::string& out);

}  // namespace tdb
