#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"
#include "engine/index/key_expression.h"
#include "engine/index/key_program.h"

namespace tdb {

using key_internal::CompareOp;
using key_internal::Node;
using key_internal::Op;
using key_internal::Program;
using key_internal::Type;

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool isTrail(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x40 && u <= 0xFE && u != 0x7F;
}

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool sameWord(std::string_view s, std::string_view upperWord) {
  if (s.size() != upperWord.size()) return false;
  for (size_t i = 0; i < s.size(); ++i)
    if (upper(s[i]) != upperWord[i]) return false;
  return true;
}

const char* typeName(Type t) {
  switch (t) {
    case Type::Character:
      return "字符型";
    case Type::Numeric:
      return "数值型";
    case Type::Date:
      return "日期型";
    case Type::Logical:
      return "逻辑型";
  }
  return "";
}

// The key type a field gives, false for the types no key can hold.
bool keyTypeOf(FieldType type, Type& out) {
  if (isNumericType(type)) {
    out = Type::Numeric;
    return true;
  }
  switch (type) {
    case FieldType::ftString:
      out = Type::Character;
      return true;
    case FieldType::ftDate:
    case FieldType::ftDateTime:  // ordered by its time of day too
      out = Type::Date;
      return true;
    case FieldType::ftBoolean:
      out = Type::Logical;
      return true;
    default:
      return false;
  }
}

struct Function {
  const char* name;
  Op op;
  int minArgs, maxArgs;
};

const Function kFunctions[] = {
    {"UPPER", Op::Upper, 1, 1},   {"LOWER", Op::Lower, 1, 1}, {"TRIM", Op::Trim, 1, 1},
    {"RTRIM", Op::Trim, 1, 1},    {"LTRIM", Op::LTrim, 1, 1}, {"ALLTRIM", Op::AllTrim, 1, 1},
    {"SUBSTR", Op::Substr, 2, 3}, {"LEFT", Op::Left, 2, 2},   {"RIGHT", Op::Right, 2, 2},
    {"STR", Op::Str, 1, 3},       {"DTOS", Op::Dtos, 1, 1},   {"DTOC", Op::Dtoc, 1, 1},
    {"VAL", Op::Val, 1, 1},       {"IIF", Op::Iif, 3, 3},     {"RECNO", Op::Recno, 0, 0},
};

// The function of that name, or of which it is an unambiguous prefix of at least four letters.
const Function* findFunction(std::string_view name) {
  for (const Function& f : kFunctions)
    if (sameWord(name, f.name)) return &f;
  if (name.size() < 4) return nullptr;
  const Function* found = nullptr;
  for (const Function& f : kFunctions) {
    const std::string_view full = f.name;
    if (full.size() > name.size() && sameWord(name, full.substr(0, name.size()))) {
      if (found) return nullptr;
      found = &f;
    }
  }
  return found;
}

enum class Tok : uint8_t {
  End,
  Name,
  Number,
  String,
  Logical,
  LParen,
  RParen,
  Comma,
  Plus,
  Minus,
  Arrow,
  Compare,
  And,
  Or,
  Not,
};

struct Token {
  Tok kind = Tok::End;
  size_t at = 0, end = 0;  // bytes of the text
  std::string text;        // Name, String
  double number = 0;
  bool logical = false;
  CompareOp compare = CompareOp::Eq;
};

// What the parser knows of a node beyond what the evaluator needs.
struct NodeInfo {
  size_t at = 0;  // where its text starts, for messages about it
  int depth = 1;
  bool constant = false;  // reads no field and no record number
};

class Parser {
 public:
  Parser(std::string_view text, const FieldDefs& fields) : text_(text), fields_(fields) {}

  std::shared_ptr<const Program> run() {
    auto program = std::make_shared<Program>();
    program->text = std::string(text_);
    program_ = program.get();
    advance();
    if (tok_.kind == Tok::End) fail(tok_.at, "表达式为空");
    program->root = parseOr();
    if (tok_.kind != Tok::End) failAfterOperand();
    const Node& root = program->nodes[program->root];
    if (root.type == Type::Character && root.width == 0)
      fail(0, "表达式结果的长度为0，不能作关键字");
    return program;
  }

 private:
  // ---- messages

  // A GBK character is two bytes only when its trail byte is valid, so a stray lead byte cannot
  // swallow a quote or parenthesis after it.
  size_t charLength(size_t at) const {
    return at + 1 < text_.size() && key_internal::isLeadByte(text_[at]) && isTrail(text_[at + 1])
               ? 2
               : 1;
  }

  std::string excerpt(size_t at, int chars) const {
    size_t end = at;
    for (int n = 0; n < chars && end < text_.size(); ++n) end += charLength(end);
    return shownText(text_.substr(at, end - at)) + (end < text_.size() ? "…" : "");
  }

  [[noreturn]] void fail(size_t at, const std::string& what) const {
    size_t position = 1;
    for (size_t i = 0; i < at && i < text_.size(); i += charLength(i)) ++position;
    std::string where =
        "索引表达式“" + excerpt(0, 60) + "”第" + std::to_string(position) + "个字符";
    if (at >= text_.size())
      where += "(表达式末尾)";
    else
      where += "“" + excerpt(at, 12) + "”";
    throw EngineError(where + "处：" + what);
  }

  // Something other than an operator, a closing parenthesis or the end follows an operand.
  [[noreturn]] void failAfterOperand() const {
    switch (tok_.kind) {
      case Tok::RParen:
        fail(tok_.at, "右括号没有对应的左括号");
      case Tok::Comma:
        fail(tok_.at, "逗号只能分隔函数的参数");
      case Tok::Name:
      case Tok::Number:
      case Tok::String:
      case Tok::Logical:
      case Tok::LParen:
      case Tok::Not:
        fail(tok_.at, "两个运算对象之间缺少运算符");
      default:
        fail(tok_.at, "多余的文字");
    }
  }

  // ---- tokens

  void advance() { tok_ = lex(); }

  Token lex() {
    while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
    Token t;
    t.at = pos_;
    if (pos_ >= text_.size()) {
      t.end = pos_;
      return t;
    }
    const char c = text_[pos_];
    const char next = pos_ + 1 < text_.size() ? text_[pos_ + 1] : '\0';
    auto single = [&](Tok kind, size_t length = 1) {
      t.kind = kind;
      pos_ += length;
      t.end = pos_;
      return t;
    };
    auto comparison = [&](CompareOp op, size_t length) {
      t.compare = op;
      return single(Tok::Compare, length);
    };
    switch (c) {
      case '(':
        return single(Tok::LParen);
      case ')':
        return single(Tok::RParen);
      case ',':
        return single(Tok::Comma);
      case '+':
        return single(Tok::Plus);
      case '-':
        return next == '>' ? single(Tok::Arrow, 2) : single(Tok::Minus);
      case '=':
        return next == '=' ? comparison(CompareOp::Exact, 2) : comparison(CompareOp::Eq, 1);
      case '<':
        if (next == '=') return comparison(CompareOp::Le, 2);
        return next == '>' ? comparison(CompareOp::Ne, 2) : comparison(CompareOp::Lt, 1);
      case '>':
        return next == '=' ? comparison(CompareOp::Ge, 2) : comparison(CompareOp::Gt, 1);
      case '#':
        return comparison(CompareOp::Ne, 1);
      case '!':
        return next == '=' ? comparison(CompareOp::Ne, 2) : single(Tok::Not);
      case '\'':
        return lexString(t, '\'');
      case '"':
        return lexString(t, '"');
      case '[':
        return lexString(t, ']');
      case '.':
        if (isDigit(next)) return lexNumber(t);
        return lexDotWord(t);
      default:
        break;
    }
    if (isDigit(c)) return lexNumber(t);
    if (isLetter(c) || charLength(pos_) == 2) {
      while (pos_ < text_.size()) {
        if (isLetter(text_[pos_]) || isDigit(text_[pos_]))
          ++pos_;
        else if (charLength(pos_) == 2)
          pos_ += 2;
        else
          break;
      }
      t.kind = Tok::Name;
      t.end = pos_;
      t.text = std::string(text_.substr(t.at, t.end - t.at));
      return t;
    }
    fail(pos_, "无法识别的字符");
  }

  Token lexString(Token& t, char close) {
    ++pos_;
    for (;;) {
      if (pos_ >= text_.size())
        fail(t.at, std::string("字符串常量缺少结束的") + (close == ']'   ? "右方括号"
                                                          : close == '"' ? "双引号"
                                                                         : "单引号"));
      if (text_[pos_] == close) break;
      pos_ += charLength(pos_);
    }
    t.kind = Tok::String;
    t.text = std::string(text_.substr(t.at + 1, pos_ - t.at - 1));
    ++pos_;
    t.end = pos_;
    return t;
  }

  // Digits with at most one decimal point; a point not followed by a digit is left alone, so
  // that 5.AND. reads as 5 .AND.
  Token lexNumber(Token& t) {
    while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
    if (pos_ + 1 < text_.size() && text_[pos_] == '.' && isDigit(text_[pos_ + 1])) {
      ++pos_;
      while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
    }
    t.kind = Tok::Number;
    t.end = pos_;
    if (!parseNumber(text_.substr(t.at, t.end - t.at), t.number)) fail(t.at, "数值常量超出范围");
    return t;
  }

  // .T. .F. .Y. .N. .AND. .OR. .NOT.
  Token lexDotWord(Token& t) {
    size_t end = pos_ + 1;
    while (end < text_.size() && isLetter(text_[end])) ++end;
    const std::string_view word = text_.substr(pos_ + 1, end - pos_ - 1);
    if (end < text_.size() && text_[end] == '.') {
      t.end = end + 1;
      if (sameWord(word, "T") || sameWord(word, "Y") || sameWord(word, "F") ||
          sameWord(word, "N")) {
        t.kind = Tok::Logical;
        t.logical = sameWord(word, "T") || sameWord(word, "Y");
      } else if (sameWord(word, "AND")) {
        t.kind = Tok::And;
      } else if (sameWord(word, "OR")) {
        t.kind = Tok::Or;
      } else if (sameWord(word, "NOT")) {
        t.kind = Tok::Not;
      } else {
        fail(pos_, "无法识别的“." + gbkToUtf8(word) + ".”，应为.T. .F. .AND. .OR.或.NOT.");
      }
      pos_ = t.end;
      return t;
    }
    fail(pos_, "无法识别的“.”");
  }

  // ---- nodes

  void enter(size_t at) {
    if (++nesting_ > KeyExpression::kMaxNesting) failNesting(at);
  }
  void leave() { --nesting_; }
  [[noreturn]] void failNesting(size_t at) const {
    fail(at, "表达式嵌套超过" + std::to_string(KeyExpression::kMaxNesting) + "层");
  }

  int add(Node node, size_t at, std::initializer_list<int> args, bool constant) {
    NodeInfo info;
    info.at = at;
    info.constant = constant;
    for (int a : args) {
      node.args[node.argCount++] = a;
      info.depth = std::max(info.depth, info_[a].depth + 1);
      info.constant = info.constant && info_[a].constant;
    }
    if (info.depth > KeyExpression::kMaxNesting) failNesting(at);
    if (node.type == Type::Character && node.width > KeyExpression::kMaxWidth)
      fail(at, "字符串结果超过" + std::to_string(KeyExpression::kMaxWidth) + "字节");
    program_->nodes.push_back(std::move(node));
    info_.push_back(info);
    return static_cast<int>(program_->nodes.size()) - 1;
  }

  Node make(Op op, Type type, int width = 0) {
    Node n;
    n.op = op;
    n.type = type;
    n.width = width;
    return n;
  }

  const Node& node(int i) const { return program_->nodes[i]; }
  Type typeOf(int i) const { return node(i).type; }
  int widthOf(int i) const { return node(i).width; }

  // The value of a constant numeric node, worked out now.
  double constantNumber(int i) const {
    class NoRecord : public FilterFields {
     public:
      int fieldIndex(const std::string&) const override { return -1; }
      FieldType fieldType(int) const override { return FieldType::ftUnknown; }
      Value fieldValue(int) const override { return Value(); }
    };
    return key_internal::evaluateNumber(*program_, i, NoRecord());
  }

  // ---- grammar, from the loosest binding: .OR., .AND., .NOT., comparisons, + and -, signs

  int parseOr() {
    int left = parseAnd();
    while (tok_.kind == Tok::Or) {
      const size_t at = tok_.at;
      advance();
      const int right = parseAnd();
      requireLogical(left, ".OR.");
      requireLogical(right, ".OR.");
      left = add(make(Op::Or, Type::Logical), at, {left, right}, true);
    }
    return left;
  }

  int parseAnd() {
    int left = parseNot();
    while (tok_.kind == Tok::And) {
      const size_t at = tok_.at;
      advance();
      const int right = parseNot();
      requireLogical(left, ".AND.");
      requireLogical(right, ".AND.");
      left = add(make(Op::And, Type::Logical), at, {left, right}, true);
    }
    return left;
  }

  int parseNot() {
    if (tok_.kind != Tok::Not) return parseComparison();
    const size_t at = tok_.at;
    enter(at);
    advance();
    const int operand = parseNot();
    leave();
    requireLogical(operand, ".NOT.");
    return add(make(Op::Not, Type::Logical), at, {operand}, true);
  }

  void requireLogical(int i, const char* what) const {
    if (typeOf(i) != Type::Logical)
      fail(info_[i].at, std::string(what) + "的运算对象应为逻辑型，这里是" + typeName(typeOf(i)));
  }

  int parseComparison() {
    int left = parseSum();
    while (tok_.kind == Tok::Compare) {
      const size_t at = tok_.at;
      const CompareOp op = tok_.compare;
      advance();
      const int right = parseSum();
      const Type type = typeOf(left);
      if (typeOf(right) != type)
        fail(at, std::string(typeName(type)) + "不能与" + typeName(typeOf(right)) + "比较");
      if (type == Type::Logical && op != CompareOp::Eq && op != CompareOp::Exact &&
          op != CompareOp::Ne)
        fail(at, "逻辑值只能比较相等或不等");
      Node n = make(Op::Compare, Type::Logical);
      n.compare = op;
      left = add(std::move(n), at, {left, right}, true);
    }
    return left;
  }

  int parseSum() {
    int left = parseSigned();
    while (tok_.kind == Tok::Plus || tok_.kind == Tok::Minus) {
      const bool plus = tok_.kind == Tok::Plus;
      const size_t at = tok_.at;
      advance();
      const int right = parseSigned();
      left = plus ? addition(left, right, at) : subtraction(left, right, at);
    }
    return left;
  }

  int addition(int left, int right, size_t at) {
    const Type a = typeOf(left), b = typeOf(right);
    if (a == Type::Character && b == Type::Character)
      return add(make(Op::Concat, a, widthOf(left) + widthOf(right)), at, {left, right}, true);
    if (a == Type::Numeric && b == Type::Numeric)
      return add(make(Op::Add, a), at, {left, right}, true);
    if (a == Type::Date && b == Type::Numeric)
      return add(make(Op::DatePlus, a), at, {left, right}, true);
    if (a == Type::Numeric && b == Type::Date)
      return add(make(Op::DatePlus, b), at, {right, left}, true);
    fail(at, std::string(typeName(a)) + "不能与" + typeName(b) + "相加");
  }

  int subtraction(int left, int right, size_t at) {
    const Type a = typeOf(left), b = typeOf(right);
    if (a == Type::Character && b == Type::Character)
      return add(make(Op::ConcatMove, a, widthOf(left) + widthOf(right)), at, {left, right}, true);
    if (a == Type::Numeric && b == Type::Numeric)
      return add(make(Op::Subtract, a), at, {left, right}, true);
    if (a == Type::Date && b == Type::Numeric)
      return add(make(Op::DateMinus, a), at, {left, right}, true);
    if (a == Type::Date && b == Type::Date)
      return add(make(Op::DateDiff, Type::Numeric), at, {left, right}, true);
    fail(at, std::string(typeName(a)) + "不能减去" + typeName(b));
  }

  int parseSigned() {
    if (tok_.kind != Tok::Plus && tok_.kind != Tok::Minus) return parsePrimary();
    const bool minus = tok_.kind == Tok::Minus;
    const size_t at = tok_.at;
    enter(at);
    advance();
    const int operand = parseSigned();
    leave();
    if (typeOf(operand) != Type::Numeric)
      fail(at, std::string(minus ? "负号" : "正号") + "只能用于数值型，这里是" +
                   typeName(typeOf(operand)));
    return minus ? add(make(Op::Negate, Type::Numeric), at, {operand}, true) : operand;
  }

  int parsePrimary() {
    const Token t = tok_;
    switch (t.kind) {
      case Tok::Number: {
        advance();
        Node n = make(Op::Number, Type::Numeric);
        n.number = t.number;
        return add(std::move(n), t.at, {}, true);
      }
      case Tok::String: {
        advance();
        Node n = make(Op::Text, Type::Character, static_cast<int>(t.text.size()));
        n.text = t.text;
        return add(std::move(n), t.at, {}, true);
      }
      case Tok::Logical: {
        advance();
        Node n = make(Op::Logical, Type::Logical);
        n.logical = t.logical;
        return add(std::move(n), t.at, {}, true);
      }
      case Tok::LParen: {
        enter(t.at);
        advance();
        const int inner = parseOr();
        if (tok_.kind == Tok::End) fail(t.at, "左括号缺少对应的右括号");
        if (tok_.kind != Tok::RParen) failAfterOperand();
        advance();
        leave();
        info_[inner].at = t.at;
        return inner;
      }
      case Tok::Name:
        advance();
        if (tok_.kind == Tok::LParen) return parseCall(t);
        if (tok_.kind == Tok::Arrow) {
          // ALIAS->FIELD: a key belongs to one table, so the alias says nothing.
          advance();
          if (tok_.kind != Tok::Name) fail(tok_.at, "“->”后缺少字段名");
          const Token field = tok_;
          advance();
          if (tok_.kind == Tok::LParen) fail(field.at, "“->”后应为字段名，不能是函数");
          return bindField(field, t.at);
        }
        return bindField(t, t.at);
      case Tok::End:
        fail(t.at, "缺少运算对象");
      case Tok::RParen:
        fail(t.at, "括号内或运算符后缺少运算对象");
      case Tok::Comma:
        fail(t.at, "缺少函数参数");
      default:
        fail(t.at, "缺少运算对象");
    }
  }

  int bindField(const Token& name, size_t at) {
    const std::string shown = "[" + gbkToUtf8(name.text) + "]";
    const int index = fields_.indexOf(name.text);
    if (index < 0) fail(name.at, "没有字段" + shown);
    const FieldDef& def = fields_[index];
    Type type;
    if (!keyTypeOf(def.type, type))
      fail(name.at, "字段" + shown + "是" + fieldTypeName(def.type) + "类型，不能用于索引表达式");
    Node n = make(Op::Field, type, type == Type::Character ? std::max(def.size, 0) : 0);
    n.field = index;
    return add(std::move(n), at, {}, false);
  }

  int parseCall(const Token& name) {
    const Function* f = findFunction(name.text);
    if (!f) fail(name.at, "没有函数" + gbkToUtf8(name.text));
    enter(name.at);
    advance();  // (
    std::vector<int> args;
    if (tok_.kind != Tok::RParen) {
      for (;;) {
        if (static_cast<int>(args.size()) == f->maxArgs) fail(tok_.at, tooMany(*f));
        args.push_back(parseOr());
        if (tok_.kind == Tok::Comma) {
          advance();
          continue;
        }
        if (tok_.kind == Tok::RParen) break;
        if (tok_.kind == Tok::End) fail(name.at, std::string("函数") + f->name + "缺少右括号");
        failAfterOperand();
      }
    }
    const size_t close = tok_.at;
    advance();  // )
    leave();
    if (static_cast<int>(args.size()) < f->minArgs) fail(close, tooFew(*f));
    return call(*f, args, name.at);
  }

  static std::string argumentCount(const Function& f) {
    if (f.minArgs == f.maxArgs)
      return f.minArgs == 0 ? "没有参数" : "要" + std::to_string(f.minArgs) + "个参数";
    return "要" + std::to_string(f.minArgs) + "到" + std::to_string(f.maxArgs) + "个参数";
  }
  static std::string tooMany(const Function& f) {
    return std::string("函数") + f.name + "的参数过多，它" + argumentCount(f);
  }
  static std::string tooFew(const Function& f) {
    return std::string("函数") + f.name + "的参数不足，它" + argumentCount(f);
  }

  void requireArg(const Function& f, const std::vector<int>& args, size_t i, Type type) const {
    if (i < args.size() && typeOf(args[i]) != type)
      fail(info_[args[i]].at, std::string("函数") + f.name + "的第" + std::to_string(i + 1) +
                                  "个参数应为" + typeName(type) + "，这里是" +
                                  typeName(typeOf(args[i])));
  }

  // A count argument known now, or `unknown` when it depends on the record.
  int countArg(const std::vector<int>& args, size_t i, int unknown) const {
    if (i >= args.size()) return unknown;
    return info_[args[i]].constant ? key_internal::wholeCount(constantNumber(args[i])) : unknown;
  }

  int call(const Function& f, const std::vector<int>& args, size_t at) {
    auto addCall = [&](Node n) {
      switch (args.size()) {
        case 0:
          return add(std::move(n), at, {}, f.op != Op::Recno);
        case 1:
          return add(std::move(n), at, {args[0]}, true);
        case 2:
          return add(std::move(n), at, {args[0], args[1]}, true);
        default:
          return add(std::move(n), at, {args[0], args[1], args[2]}, true);
      }
    };
    const int w = args.empty() ? 0 : widthOf(args[0]);
    switch (f.op) {
      case Op::Upper:
      case Op::Lower:
      case Op::Trim:
      case Op::LTrim:
      case Op::AllTrim:
        requireArg(f, args, 0, Type::Character);
        return addCall(make(f.op, Type::Character, w));
      case Op::Substr:
      case Op::Left:
      case Op::Right: {
        requireArg(f, args, 0, Type::Character);
        requireArg(f, args, 1, Type::Numeric);
        requireArg(f, args, 2, Type::Numeric);
        int width = w;
        if (f.op == Op::Substr) {
          const int start = std::max(countArg(args, 1, 1), 1);
          width = std::max(w - start + 1, 0);
          width = std::min(width, std::max(countArg(args, 2, width), 0));
        } else {
          width = std::min(w, std::max(countArg(args, 1, w), 0));
        }
        return addCall(make(f.op, Type::Character, width));
      }
      case Op::Str: {
        requireArg(f, args, 0, Type::Numeric);
        requireArg(f, args, 1, Type::Numeric);
        requireArg(f, args, 2, Type::Numeric);
        for (size_t i = 1; i < args.size(); ++i)
          if (!info_[args[i]].constant)
            fail(info_[args[i]].at, std::string("函数STR的") + (i == 1 ? "长度" : "小数位数") +
                                        "要用常数，键的宽度由它决定");
        const int length = countArg(args, 1, 10);
        if (length < 1 || length > 255) fail(info_[args[1]].at, "函数STR的长度应在1到255之间");
        Node n = make(f.op, Type::Character, length);
        n.length = length;
        n.decimals = std::clamp(countArg(args, 2, 0), 0, length);
        return addCall(std::move(n));
      }
      case Op::Dtos:
      case Op::Dtoc:
        requireArg(f, args, 0, Type::Date);
        return addCall(make(f.op, Type::Character, f.op == Op::Dtos ? 8 : 10));
      case Op::Val:
        requireArg(f, args, 0, Type::Character);
        return addCall(make(f.op, Type::Numeric));
      case Op::Iif: {
        requireArg(f, args, 0, Type::Logical);
        const Type a = typeOf(args[1]), b = typeOf(args[2]);
        if (a != b)
          fail(info_[args[2]].at,
               std::string("函数IIF的两个结果类型不同：") + typeName(a) + "和" + typeName(b));
        return addCall(make(f.op, a, std::max(widthOf(args[1]), widthOf(args[2]))));
      }
      case Op::Recno:
        return addCall(make(f.op, Type::Numeric));
      default:
        break;
    }
    fail(at, "没有函数" + std::string(f.name));
  }

  std::string_view text_;
  const FieldDefs& fields_;
  Program* program_ = nullptr;
  std::vector<NodeInfo> info_;
  Token tok_;
  size_t pos_ = 0;
  int nesting_ = 0;
};

}  // namespace

KeyExpression KeyExpression::parse(const std::string& text, const FieldDefs& fields) {
  return KeyExpression(Parser(text, fields).run());
}

}  // namespace tdb
