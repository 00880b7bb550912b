#pragma once

#include <cstddef>
#include <optional>

#include "app/projects/formula_text.h"
#include "engine/value.h"

namespace torvanel {

// The longest text a "＋" may join, in bytes. Far beyond any memo a person types, it keeps a
// formula that adds a memo to itself again and again (each step doubling it) from exhausting
// memory: the step fails instead.
inline constexpr size_t kLongestJoinedText = size_t{16} << 20;

// One step of a formula: the target's current value `g` combined with the operand's value `v`.
// On a text target a null side counts as the empty text, on any other target as 0. "＋" joins two
// texts and otherwise adds numbers (a text read as a decimal number, a date as its day number);
// "－" subtracts; "×" and "÷" work D × g × v and D × g / v out, round half to even through a
// signed 64-bit integer and divide by D. nullopt where the step fails: a text that is no number,
// a joined text longer than kLongestJoinedText, ÷ 0, a result that is not finite or beyond 64 bits,
// or a scale D that is not a positive finite number.
std::optional<tdb::Value> combine(const tdb::Value& g, const tdb::Value& v, FormulaOperator op,
                                  bool textTarget, double scale);

// The nearest whole number to scale × x, half to even, held in 64 bits, divided by scale;
// nullopt when that whole number does not fit or the scale is no positive finite number.
std::optional<double> roundedAt(double x, double scale);

}  // namespace torvanel
