#pragma once

#include <QString>

namespace torvanel {

struct searchstru;

// The texts the query builder composes; they are the engine's filter language as the builder
// writes it, and what the window's status bar shows of the query in force.

// One condition for "加入": "(" F OP "'" V "')" for a string field, "(" F OP V ")" for any other;
// an empty value compares with null, a string field also with the empty text. The value goes in as
// typed: no quote is doubled, so what the user types is what the engine parses.
QString conditionText(const QString& field, const QString& op, const QString& value,
                      bool stringField);

// The third status panel: the expression as typed, then "[POS(substr,fieldname)compop position]"
// when the position condition is complete.
QString queryStatusText(const QString& expression, const searchstru& condition);

}  // namespace torvanel
