#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/index/key_expression.h"

// The parsed form of a key expression, shared by its parser and its evaluator, and the xBase
// functions both need; nothing outside engine/index uses it.
namespace tdb::key_internal {

using Type = KeyExpression::Type;

enum class Op : uint8_t {
  Field,
  Text,  // constants
  Number,
  Logical,
  Recno,
  Concat,      // text + text
  ConcatMove,  // text - text
  Add,
  Subtract,
  Negate,
  DatePlus,   // args: date, days
  DateMinus,  // args: date, days
  DateDiff,   // args: date, date
  Compare,
  Not,
  And,
  Or,
  Upper,
  Lower,
  Trim,
  LTrim,
  AllTrim,
  Substr,
  Left,
  Right,
  Str,
  Dtos,
  Dtoc,
  Val,
  Iif,
};

enum class CompareOp : uint8_t { Eq, Exact, Ne, Lt, Gt, Le, Ge };

struct Node {
  Op op = Op::Text;
  Type type = Type::Character;
  CompareOp compare = CompareOp::Eq;
  // Character: the most bytes the value can have while evaluated; no value is ever longer.
  int width = 0;
  int argCount = 0;
  int args[3] = {-1, -1, -1};  // nodes parsed before this one
  int field = -1;
  int length = 0, decimals = 0;  // Str, fixed at parse time
  std::string text;              // Text
  double number = 0;             // Number
  bool logical = false;          // Logical
};

// Arguments refer to nodes parsed before them, so the tree has no cycles; the parser caps its
// depth at KeyExpression::kMaxNesting, which keeps the recursive evaluator's stack small.
struct Program {
  std::string text;
  std::vector<Node> nodes;
  int root = -1;
};

// The value of a Numeric node, for the parser to work out constant arguments.
double evaluateNumber(const Program& program, int node, const FilterFields& record);

// A GBK lead byte; the byte after it belongs to the same character.
inline bool isLeadByte(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x81 && u <= 0xFE;
}

// A count argument (SUBSTR's start and length, LEFT's and RIGHT's length) as a whole number,
// truncated toward zero and kept within a range where arithmetic on it cannot overflow.
int wholeCount(double n);

// The xBase functions on text; `s` is GBK.
void upperAscii(std::string& s);
void lowerAscii(std::string& s);
void trimRight(std::string& s);
void trimLeft(std::string& s);
void substr(std::string& s, int start, int count);
std::string strText(double n, int length, int decimals);
double valOf(std::string_view s);
std::string dtosText(double days, bool blank);
std::string dtocText(double days, bool blank);

// Whether a day number is a date of the years 1 to 9999; any other date is the blank date.
bool inDateRange(double days);

// `s` cut to at most `width` bytes without splitting a GBK character, then padded with blanks to
// exactly `width`.
void fitWidth(std::string& s, int width);

}  // namespace tdb::key_internal
