#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "engine/value.h"

namespace torvanel {

// A formula's text read once into its steps, so that a store evaluates it without reading the
// text again. Reading never fails: text that names nothing becomes an operand that resolves to
// nothing when it is evaluated.

enum class FormulaOperator { Add, Subtract, Multiply, Divide };

struct FormulaOperand {
  enum class Kind { Constant, Auxiliary, Master };
  Kind kind = Kind::Master;
  tdb::Value constant;  // Constant: its value (null for a date or time that does not convert)
  // Auxiliary: the database and table inside the brackets, split at their last "/"; `valid` is
  // false for an operand that does not begin with "[" and so names no auxiliary table.
  QString database, table;
  bool valid = true;
  std::string field;  // Auxiliary and Master: the field's name, GBK, exactly as written
};

struct FormulaStep {
  FormulaOperator op = FormulaOperator::Add;  // combines this operand with the value so far;
                                              // the first step has none
  FormulaOperand operand;
};

struct ParsedFormula {
  std::optional<double> roundScale;  // from a valid "{n}", n 0 to 12: 10 to the power n
  std::vector<FormulaStep> steps;    // empty for a formula that is only a rounding spec
};

// Takes the first "{...}" out (a valid one sets the rounding scale, any other is just dropped)
// and cuts the rest at the full-width operators "＋－×÷" only: blanks and ASCII "+-*/" stay part of
// the operand, a trailing operator is dropped and a leading one leaves an empty first operand.
ParsedFormula parseFormula(const QString& text);

// The value of a constant's text between its parentheses: "#d"/"#D" a date, "#t"/"#T" a time of
// day (both as the program shows them, "yyyy-mm-dd" and "hh:mm:ss", null when the rest does not
// convert), "#s"/"#S" the rest as text, blanks kept; otherwise a decimal number after taking out
// "#f" or else "#F" (leading blanks allowed, nothing after it; 0 when it does not convert or is
// beyond the range of a double).
tdb::Value constantValue(const QString& inner);

}  // namespace torvanel
