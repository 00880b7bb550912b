#include "engine/index/key_expression.h"

#include <cmath>
#include <string>
#include <string_view>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/index/key_program.h"

namespace tdb {

using key_internal::CompareOp;
using key_internal::Node;
using key_internal::Op;
using key_internal::Program;
using key_internal::Type;

namespace {

// One value while an expression is evaluated; which members count depends on the node's type.
struct Scalar {
  std::string text;      // Character, at most the node's width
  double number = 0;     // Numeric; Date: the day number
  bool blank = false;    // Date: the blank date
  bool logical = false;  // Logical
};

// Infinity minus infinity and the like: no order holds for NaN, so it would scatter in an index.
double defined(double x) { return std::isnan(x) || x == 0 ? 0 : x; }

void readField(const Node& n, const FilterFields& record, Scalar& out) {
  switch (n.type) {
    case Type::Character: {
      Value holder;
      std::string_view text = record.fieldText(n.field, holder);
      while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
      out.text.assign(text);
      key_internal::fitWidth(out.text, n.width);
      return;
    }
    case Type::Numeric: {
      const Value v = record.fieldValue(n.field);
      double number = 0;
      if (v.kind() == Value::Kind::Integer)
        number = static_cast<double>(v.integerValue());
      else if (v.kind() == Value::Kind::Double)
        number = v.doubleValue();
      else if (v.kind() == Value::Kind::Text || v.kind() == Value::Kind::Boolean)
        try {
          number = toNumber(v);
        } catch (const EngineError&) {
          number = 0;
        }
      out.number = defined(number);
      return;
    }
    case Type::Date: {
      const Value v = record.fieldValue(n.field);
      double days = 0;
      bool known = false;
      if (v.kind() == Value::Kind::DateTime || v.kind() == Value::Kind::Double) {
        days = v.doubleValue();
        known = true;
      } else if (v.kind() == Value::Kind::Integer) {
        days = static_cast<double>(v.integerValue());
        known = true;
      } else if (v.kind() == Value::Kind::Text) {
        known = parseDate(v.textValue(), days);
      }
      out.blank = !known || !key_internal::inDateRange(days);
      out.number = out.blank ? 0 : days;
      return;
    }
    case Type::Logical: {
      const Value v = record.fieldValue(n.field);
      if (v.kind() == Value::Kind::Boolean || v.kind() == Value::Kind::Integer)
        out.logical = v.booleanValue();
      else if (v.kind() == Value::Kind::Text && !v.textValue().empty())
        out.logical = v.textValue()[0] == 'T' || v.textValue()[0] == 't' ||
                      v.textValue()[0] == 'Y' || v.textValue()[0] == 'y';
      else
        out.logical = false;
      return;
    }
  }
}

// Text compares as if the shorter were padded with blanks.
int compareText(std::string_view a, std::string_view b) {
  const size_t n = std::max(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(i < a.size() ? a[i] : ' ');
    const auto y = static_cast<unsigned char>(i < b.size() ? b[i] : ' ');
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

int compareNumbers(double a, double b) { return a < b ? -1 : a > b ? 1 : 0; }

bool holds(CompareOp op, int order) {
  switch (op) {
    case CompareOp::Eq:
    case CompareOp::Exact:
      return order == 0;
    case CompareOp::Ne:
      return order != 0;
    case CompareOp::Lt:
      return order < 0;
    case CompareOp::Gt:
      return order > 0;
    case CompareOp::Le:
      return order <= 0;
    case CompareOp::Ge:
      return order >= 0;
  }
  return false;
}

class Evaluator {
 public:
  Evaluator(const Program& p, const FilterFields& record, uint32_t recno)
      : p_(p), record_(record), recno_(recno) {}

  void eval(int index, Scalar& out) const {
    const Node& n = p_.nodes[index];
    switch (n.op) {
      case Op::Field:
        readField(n, record_, out);
        return;
      case Op::Text:
        out.text = n.text;
        return;
      case Op::Number:
        out.number = n.number;
        return;
      case Op::Logical:
        out.logical = n.logical;
        return;
      case Op::Recno:
        out.number = recno_;
        return;
      case Op::Concat: {
        eval(n.args[0], out);
        Scalar right;
        eval(n.args[1], right);
        out.text += right.text;
        return;
      }
      case Op::ConcatMove: {
        eval(n.args[0], out);
        Scalar right;
        eval(n.args[1], right);
        const size_t length = out.text.size();
        key_internal::trimRight(out.text);
        const size_t moved = length - out.text.size();
        out.text += right.text;
        out.text.append(moved, ' ');
        return;
      }
      case Op::Add:
      case Op::Subtract: {
        const double a = number(n.args[0]), b = number(n.args[1]);
        out.number = defined(n.op == Op::Add ? a + b : a - b);
        return;
      }
      case Op::Negate:
        out.number = defined(-number(n.args[0]));
        return;
      case Op::DatePlus:
      case Op::DateMinus: {
        eval(n.args[0], out);
        const double days = number(n.args[1]);
        if (out.blank) return;
        out.number += n.op == Op::DatePlus ? days : -days;
        if (!key_internal::inDateRange(out.number)) {
          out.blank = true;
          out.number = 0;
        }
        return;
      }
      case Op::DateDiff: {
        Scalar a, b;
        eval(n.args[0], a);
        eval(n.args[1], b);
        out.number = a.blank || b.blank ? 0 : defined(a.number - b.number);
        return;
      }
      case Op::Compare:
        out.logical = holds(n.compare, order(n));
        return;
      case Op::Not:
        out.logical = !logical(n.args[0]);
        return;
      case Op::And:
        out.logical = logical(n.args[0]) && logical(n.args[1]);
        return;
      case Op::Or:
        out.logical = logical(n.args[0]) || logical(n.args[1]);
        return;
      case Op::Upper:
        eval(n.args[0], out);
        key_internal::upperAscii(out.text);
        return;
      case Op::Lower:
        eval(n.args[0], out);
        key_internal::lowerAscii(out.text);
        return;
      case Op::Trim:
        eval(n.args[0], out);
        key_internal::trimRight(out.text);
        return;
      case Op::LTrim:
        eval(n.args[0], out);
        key_internal::trimLeft(out.text);
        return;
      case Op::AllTrim:
        eval(n.args[0], out);
        key_internal::trimRight(out.text);
        key_internal::trimLeft(out.text);
        return;
      case Op::Substr: {
        eval(n.args[0], out);
        const int start = key_internal::wholeCount(number(n.args[1]));
        const int count = n.argCount > 2 ? key_internal::wholeCount(number(n.args[2]))
                                         : static_cast<int>(out.text.size());
        key_internal::substr(out.text, start, count);
        return;
      }
      case Op::Left:
        eval(n.args[0], out);
        key_internal::substr(out.text, 1, key_internal::wholeCount(number(n.args[1])));
        return;
      case Op::Right: {
        eval(n.args[0], out);
        const int count = key_internal::wholeCount(number(n.args[1]));
        const int length = static_cast<int>(out.text.size());
        if (count < length) key_internal::substr(out.text, length - count + 1, count);
        return;
      }
      case Op::Str:
        out.text = key_internal::strText(number(n.args[0]), n.length, n.decimals);
        return;
      case Op::Dtos:
      case Op::Dtoc: {
        Scalar date;
        eval(n.args[0], date);
        out.text = n.op == Op::Dtos ? key_internal::dtosText(date.number, date.blank)
                                    : key_internal::dtocText(date.number, date.blank);
        return;
      }
      case Op::Val: {
        Scalar text;
        eval(n.args[0], text);
        out.number = defined(key_internal::valOf(text.text));
        return;
      }
      case Op::Iif:
        eval(logical(n.args[0]) ? n.args[1] : n.args[2], out);
        return;
    }
  }

  double number(int index) const {
    Scalar s;
    eval(index, s);
    return s.number;
  }

  bool logical(int index) const {
    Scalar s;
    eval(index, s);
    return s.logical;
  }

 private:
  int order(const Node& n) const {
    Scalar a, b;
    eval(n.args[0], a);
    eval(n.args[1], b);
    switch (p_.nodes[n.args[0]].type) {
      case Type::Character:
        if (n.compare == CompareOp::Exact) return a.text == b.text ? 0 : 1;
        return compareText(a.text, b.text);
      case Type::Numeric:
        return compareNumbers(a.number, b.number);
      case Type::Date:
        if (a.blank || b.blank) return a.blank == b.blank ? 0 : a.blank ? -1 : 1;
        return compareNumbers(a.number, b.number);
      case Type::Logical:
        return a.logical == b.logical ? 0 : a.logical ? 1 : -1;
    }
    return 0;
  }

  const Program& p_;
  const FilterFields& record_;
  uint32_t recno_;
};

}  // namespace

namespace key_internal {

double evaluateNumber(const Program& program, int node, const FilterFields& record) {
  return Evaluator(program, record, 0).number(node);
}

}  // namespace key_internal

KeyExpression::KeyExpression(std::shared_ptr<const Program> program)
    : program_(std::move(program)) {}

KeyExpression::Type KeyExpression::type() const { return program_->nodes[program_->root].type; }

int KeyExpression::width() const {
  switch (type()) {
    case Type::Character:
      return program_->nodes[program_->root].width;
    case Type::Numeric:
    case Type::Date:
      return 8;
    case Type::Logical:
      return 1;
  }
  return 0;
}

const std::string& KeyExpression::text() const { return program_->text; }

Value KeyExpression::evaluate(const FilterFields& record, uint32_t recno) const {
  Scalar s;
  Evaluator(*program_, record, recno).eval(program_->root, s);
  switch (type()) {
    case Type::Character:
      key_internal::fitWidth(s.text, width());
      return Value::text(std::move(s.text));
    case Type::Numeric:
      return Value::number(defined(s.number));
    case Type::Date:
      return s.blank ? Value() : Value::dateTime(s.number);
    case Type::Logical:
      return Value::boolean(s.logical);
  }
  return Value();
}

}  // namespace tdb
