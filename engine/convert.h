#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/field_defs.h"
#include "engine/value.h"

namespace tdb {

// The one place that decides how values convert between kinds, and how such a conversion fails.
// Text is GBK bytes throughout. Failures throw EngineError with a message naming the value.

// Dates as day numbers since 1899-12-30 (day 0). Years 1 to 9999.
bool validDate(int year, int month, int day);
double encodeDate(int year, int month, int day);  // throws on an invalid date
void decodeDate(double days, int& year, int& month, int& day);

// A date as text: "yyyy-mm-dd", "yyyy-m-d", "yyyy/m/d", "yyyy.m.d" or "yyyymmdd", blanks around
// allowed; optionally followed by a time "hh:mm" or "hh:mm:ss". False when it is no date.
bool parseDate(std::string_view text, double& days);

// "yyyy-mm-dd", "hh:mm:ss", "yyyy-mm-dd hh:mm:ss".
std::string formatDate(double days);
std::string formatTime(double days);
std::string formatDateTime(double days);

// The nearest whole number to `d`, a value half-way between two going away from zero, as xBase
// programs store a number in a field without decimals: what a number becomes in an integer
// field. `d` must fit 64 bits.
int64_t nearestWhole(double d);

// A decimal number with optional sign, blanks around allowed; independent of the C locale.
bool parseNumber(std::string_view text, double& out);

// The engine's display text of a value of a field type: numbers as shortest decimal text,
// dates "yyyy-mm-dd", booleans "True"/"False", null as "". Memo text is returned as it is.
std::string displayText(const Value& v, FieldType type);

// The value as a number: integers, doubles and booleans (1/0) directly, date/time as its day
// number, text parsed as a decimal number. Null is 0. Throws on text that is no number and on
// bytes.
double toNumber(const Value& v);

// Converts `v` to what a field of `def` holds: Text for strings and text memos (cut to the
// field's size for ftString), Integer for integer types, Double for floating types, DateTime for
// dates and times (dates lose the time of day), Boolean for booleans, Bytes for binary memos.
// Text is parsed for numbers, dates ("yyyy-mm-dd" and the other forms of parseDate) and booleans
// ("T", "Y", "TRUE", "YES", "1" and "F", "N", "FALSE", "NO", "0", any case). Empty text becomes
// null for every type but strings and memos. Throws EngineError naming the field when the value
// cannot become one.
Value toFieldValue(const Value& v, const FieldDef& def);

}  // namespace tdb
