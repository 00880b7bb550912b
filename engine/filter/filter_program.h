#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/caseless_text.h"

// The parsed form of a filter, shared by its parser and its evaluator; nothing outside
// engine/filter uses it.
namespace tdb::filter_internal {

enum class CompareOp : uint8_t { Eq, Ne, Lt, Gt, Le, Ge };

// How a comparison reads its field, chosen from the field's type at parse time.
enum class CompareKind : uint8_t { Text, Number, Date, Time, Boolean };

// One "field op constant". Constants are converted once, when parsed.
struct Comparison {
  int field = -1;
  CompareOp op = CompareOp::Eq;
  CompareKind kind = CompareKind::Text;
  bool isNull = false;  // the constant is blank: the word null, or '' against a non-text field
  // Text: the constant without its trailing blanks, and when that ends in '*' the prefix before
  // the '*'. The folded forms have ASCII letters upper-cased, GBK trail bytes left alone.
  bool hasStar = false;
  std::string exact, exactFolded, prefix, prefixFolded;
  // Number: the value. Date and Time: milliseconds (since day 0, or since midnight), whole.
  // Boolean: 1 or 0.
  double number = 0;
};

struct Node {
  enum class Kind : uint8_t { Compare, Not, And, Or };
  Kind kind = Kind::Compare;
  int first = 0;  // Compare: index into comparisons; Not: the operand node; And/Or: into operands
  int count = 0;  // And/Or: number of operands, at least two
};

// Nodes refer to nodes parsed before them, so the tree has no cycles; its depth is bounded by
// the parser's nesting limit, which keeps the recursive evaluator's stack small.
struct Program {
  std::vector<Node> nodes;
  std::vector<int> operands;
  std::vector<Comparison> comparisons;
  int root = -1;
};

using tdb::foldCase;

}  // namespace tdb::filter_internal
