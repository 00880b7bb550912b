#include "engine/filter/filter_expression.h"

#include <cmath>

#include "engine/convert.h"
#include "engine/filter/filter_program.h"

namespace tdb {

using filter_internal::CompareKind;
using filter_internal::CompareOp;
using filter_internal::Comparison;
using filter_internal::Node;
using filter_internal::Program;

std::string_view FilterFields::fieldText(int index, Value& holder) const {
  holder = fieldValue(index);
  switch (holder.kind()) {
    case Value::Kind::Null:
      return {};
    case Value::Kind::Text:
    case Value::Kind::Bytes:
      return holder.textValue();
    default:
      holder = Value::text(displayText(holder, fieldType(index)));
      return holder.textValue();
  }
}

namespace {

// The three-way result of one comparison; Unordered when the field holds no comparable value.
enum Order { Less = -1, Equal = 0, Greater = 1, Unordered = 2 };

bool holds(CompareOp op, Order order) {
  if (order == Unordered) return op == CompareOp::Ne;
  switch (op) {
    case CompareOp::Eq:
      return order == Equal;
    case CompareOp::Ne:
      return order != Equal;
    case CompareOp::Lt:
      return order == Less;
    case CompareOp::Gt:
      return order == Greater;
    case CompareOp::Le:
      return order != Greater;
    case CompareOp::Ge:
      return order != Less;
  }
  return false;
}

Order orderOf(double a, double b) {
  if (a < b) return Less;
  if (a > b) return Greater;
  return a == b ? Equal : Unordered;  // NaN
}

// Exact, where converting a large integer to double would round it.
Order orderOf(int64_t a, double b) {
  if (std::isnan(b)) return Unordered;
  if (b >= 9223372036854775808.0) return Less;
  if (b < -9223372036854775808.0) return Greater;
  const double whole = std::floor(b);
  const auto w = static_cast<int64_t>(whole);
  if (a != w) return a < w ? Less : Greater;
  return b > whole ? Less : Equal;
}

// `folded` has been through foldCase. Walking both in step is enough to know where GBK trail
// bytes are: up to the first difference the two texts are the same bytes.
Order orderFolded(std::string_view text, std::string_view folded) {
  const size_t n = std::min(text.size(), folded.size());
  bool trail = false;
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(text[i]);
    const auto y = static_cast<unsigned char>(folded[i]);
    if (trail) {
      trail = false;
    } else {
      if (x >= 'a' && x <= 'z') x -= 32;
      trail = x >= 0x81 && x <= 0xFE;
    }
    if (x != y) return x < y ? Less : Greater;
  }
  if (text.size() == folded.size()) return Equal;
  return text.size() < folded.size() ? Less : Greater;
}

bool matchText(const Comparison& c, std::string_view field, unsigned options) {
  while (!field.empty() && (field.back() == ' ' || field.back() == '\0')) field.remove_suffix(1);
  if (c.isNull) {
    // A blank string field is null and empty alike.
    if (c.op == CompareOp::Eq) return field.empty();
    return c.op == CompareOp::Ne && !field.empty();
  }
  const bool partial = c.hasStar && !(options & foNoPartialCompare);
  const bool fold = options & foCaseInsensitive;
  const std::string& constant =
      partial ? (fold ? c.prefixFolded : c.prefix) : (fold ? c.exactFolded : c.exact);
  // A prefix compares with as many leading bytes of the field, for every operator.
  if (partial && field.size() > constant.size()) field = field.substr(0, constant.size());
  Order order;
  if (fold) {
    order = orderFolded(field, constant);
  } else {
    const int r = field.compare(constant);  // bytewise, as unsigned bytes
    order = r < 0 ? Less : r > 0 ? Greater : Equal;
  }
  return holds(c.op, order);
}

bool matchValue(const Comparison& c, const Value& v) {
  if (v.isNull() || c.isNull) {
    if (v.isNull() && c.isNull) return c.op == CompareOp::Eq;
    return c.op == CompareOp::Ne;
  }
  Order order = Unordered;
  switch (c.kind) {
    case CompareKind::Number:
      if (v.kind() == Value::Kind::Integer)
        order = orderOf(v.integerValue(), c.number);
      else if (v.kind() == Value::Kind::Double)
        order = orderOf(v.doubleValue(), c.number);
      break;
    case CompareKind::Date:
    case CompareKind::Time:
      if (v.kind() == Value::Kind::DateTime || v.isNumeric()) {
        double days = v.kind() == Value::Kind::Integer ? static_cast<double>(v.integerValue())
                                                       : v.doubleValue();
        if (c.kind == CompareKind::Time) days -= std::floor(days);
        // To the millisecond, so that a time built by another sum of the same parts still
        // compares equal.
        order = orderOf(std::round(days * 86400000.0), c.number);
      }
      break;
    case CompareKind::Boolean:
      if (v.kind() == Value::Kind::Boolean)
        order = orderOf(v.booleanValue() ? 1.0 : 0.0, c.number);
      else if (v.kind() == Value::Kind::Integer)
        order = orderOf(v.integerValue() != 0 ? 1.0 : 0.0, c.number);
      break;
    case CompareKind::Text:
      break;
  }
  return holds(c.op, order);
}

bool matchComparison(const Comparison& c, const FilterFields& record, unsigned options) {
  if (c.kind == CompareKind::Text) {
    Value holder;
    return matchText(c, record.fieldText(c.field, holder), options);
  }
  return matchValue(c, record.fieldValue(c.field));
}

bool evaluate(const Program& p, int index, const FilterFields& record, unsigned options) {
  const Node& node = p.nodes[index];
  switch (node.kind) {
    case Node::Kind::Compare:
      return matchComparison(p.comparisons[node.first], record, options);
    case Node::Kind::Not:
      return !evaluate(p, node.first, record, options);
    case Node::Kind::And:
      for (int i = 0; i < node.count; ++i)
        if (!evaluate(p, p.operands[node.first + i], record, options)) return false;
      return true;
    case Node::Kind::Or:
      for (int i = 0; i < node.count; ++i)
        if (evaluate(p, p.operands[node.first + i], record, options)) return true;
      return false;
  }
  return false;
}

}  // namespace

FilterExpression::FilterExpression() = default;

FilterExpression::FilterExpression(std::shared_ptr<const Program> program)
    : program_(std::move(program)) {}

bool FilterExpression::empty() const { return program_ == nullptr; }

bool FilterExpression::matches(const FilterFields& record, unsigned options) const {
  if (!program_) return true;
  return evaluate(*program_, program_->root, record, options);
}

}  // namespace tdb
