#include "engine/filter/filter_expression.h"

#include <cmath>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/filter/filter_program.h"
#include "engine/gbk_codec.h"

namespace tdb {

using filter_internal::CompareKind;
using filter_internal::CompareOp;
using filter_internal::Comparison;
using filter_internal::foldCase;
using filter_internal::Node;
using filter_internal::Program;

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isLead(char c) { return static_cast<unsigned char>(c) >= 0x81 && c != '\xFF'; }
bool isTrail(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x40 && u <= 0xFE && u != 0x7F;
}
bool isOperatorChar(char c) { return c == '=' || c == '<' || c == '>'; }
bool isAsciiNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool sameWord(std::string_view s, std::string_view upper) {
  if (s.size() != upper.size()) return false;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c != upper[i]) return false;
  }
  return true;
}

// How comparisons read a field of the type; false for the types a filter cannot compare.
bool compareKindOf(FieldType type, CompareKind& kind) {
  if (isNumericType(type)) {
    kind = CompareKind::Number;
    return true;
  }
  switch (type) {
    case FieldType::ftString:
    case FieldType::ftMemo:
    case FieldType::ftFmtMemo:
      kind = CompareKind::Text;
      return true;
    case FieldType::ftDate:
    case FieldType::ftDateTime:
      kind = CompareKind::Date;
      return true;
    case FieldType::ftTime:
      kind = CompareKind::Time;
      return true;
    case FieldType::ftBoolean:
      kind = CompareKind::Boolean;
      return true;
    default:
      return false;
  }
}

// Recursive descent over the text itself: whether a bare constant ends depends on what comes
// after it, so there is no separate token stream.
class Parser {
 public:
  Parser(std::string_view text, const FilterFields& fields) : text_(text), fields_(fields) {}

  std::shared_ptr<const Program> run() {
    skipBlanks();
    if (atEnd()) return nullptr;
    auto program = std::make_shared<Program>();
    program_ = program.get();
    program->root = parseOr();
    skipBlanks();
    if (!atEnd()) failAfterCondition();
    return program;
  }

 private:
  bool atEnd() const { return pos_ >= text_.size(); }
  void skipBlanks() {
    while (!atEnd() && isBlank(text_[pos_])) ++pos_;
  }

  // A GBK character is two bytes only when its trail byte is valid, so a stray lead byte
  // cannot swallow a quote or parenthesis after it.
  size_t charLength(size_t at) const {
    return at + 1 < text_.size() && isLead(text_[at]) && isTrail(text_[at + 1]) ? 2 : 1;
  }

  // Bytes of the bare name that starts at `at`: ASCII letters, digits, '_' and GBK characters.
  size_t nameLength(size_t at) const {
    size_t end = at;
    while (end < text_.size()) {
      if (isAsciiNameChar(text_[end]))
        ++end;
      else if (charLength(end) == 2)
        end += 2;
      else
        break;
    }
    return end - at;
  }

  // The query builder glues a logic word to a NOT after it ("ANDNOT("), so a keyword may be
  // followed by NOTs within one word.
  bool keywordAt(size_t at, std::string_view upper) const {
    const size_t n = nameLength(at);
    if (n < upper.size() || !sameWord(text_.substr(at, upper.size()), upper)) return false;
    for (size_t i = upper.size(); i < n; i += 3)
      if (n - i < 3 || !sameWord(text_.substr(at + i, 3), "NOT")) return false;
    return true;
  }

  // A keyword spelled where a field name may stand is a field name when an operator follows.
  bool operatorFollows(size_t at) const {
    while (at < text_.size() && isBlank(text_[at])) ++at;
    return at < text_.size() && isOperatorChar(text_[at]);
  }

  [[noreturn]] void fail(size_t at, const std::string& what) const {
    size_t position = 1;
    for (size_t i = 0; i < at && i < text_.size(); i += charLength(i)) ++position;
    std::string where = "过滤条件第" + std::to_string(position) + "个字符";
    if (at >= text_.size()) {
      where += "(条件末尾)";
    } else {
      size_t end = at;
      for (int n = 0; n < 12 && end < text_.size(); ++n) end += charLength(end);
      where += "“" + shownText(text_.substr(at, end - at)) + (end < text_.size() ? "…”" : "”");
    }
    throw EngineError(where + "处：" + what);
  }

  // Something other than AND, OR or the end follows a complete condition.
  [[noreturn]] void failAfterCondition() const {
    const char c = text_[pos_];
    if (c == ')') fail(pos_, "右括号没有对应的左括号");
    if (keywordAt(pos_, "NOT")) fail(pos_, "NOT前缺少AND或OR");
    if (c == '(' || c == '"' || nameLength(pos_) > 0) fail(pos_, "两个条件之间缺少AND或OR");
    fail(pos_, "多余的文字");
  }

  void enter(size_t at) {
    if (++depth_ > FilterExpression::kMaxNesting)
      fail(at, "括号和NOT嵌套超过" + std::to_string(FilterExpression::kMaxNesting) + "层");
  }
  void leave() { --depth_; }

  int addNode(Node::Kind kind, int first, int count = 0) {
    program_->nodes.push_back({kind, first, count});
    return static_cast<int>(program_->nodes.size()) - 1;
  }

  int join(Node::Kind kind, const std::vector<int>& items) {
    if (items.size() == 1) return items[0];
    const int first = static_cast<int>(program_->operands.size());
    program_->operands.insert(program_->operands.end(), items.begin(), items.end());
    return addNode(kind, first, static_cast<int>(items.size()));
  }

  int parseOr() {
    std::vector<int> items{parseAnd()};
    for (skipBlanks(); keywordAt(pos_, "OR"); skipBlanks()) {
      pos_ += 2;
      items.push_back(parseAnd());
    }
    return join(Node::Kind::Or, items);
  }

  int parseAnd() {
    std::vector<int> items{parseUnary()};
    for (skipBlanks(); keywordAt(pos_, "AND"); skipBlanks()) {
      pos_ += 3;
      items.push_back(parseUnary());
    }
    return join(Node::Kind::And, items);
  }

  int parseUnary() {
    skipBlanks();
    if (!keywordAt(pos_, "NOT") || operatorFollows(pos_ + nameLength(pos_))) return parsePrimary();
    enter(pos_);
    pos_ += 3;
    const int operand = parseUnary();
    leave();
    return addNode(Node::Kind::Not, operand);
  }

  int parsePrimary() {
    skipBlanks();
    if (atEnd() || text_[pos_] == ')') fail(pos_, "缺少条件");
    if (text_[pos_] == '(') {
      const size_t open = pos_;
      enter(open);
      ++pos_;
      const int inner = parseOr();
      skipBlanks();
      if (atEnd()) fail(open, "左括号缺少对应的右括号");
      if (text_[pos_] != ')') failAfterCondition();
      ++pos_;
      leave();
      return inner;
    }
    for (std::string_view word : {"AND", "OR"})
      if (keywordAt(pos_, word) && !operatorFollows(pos_ + nameLength(pos_)))
        fail(pos_, std::string(word) + "前缺少条件");
    return parseComparison();
  }

  std::string readFieldName() {
    const size_t at = pos_;
    if (text_[pos_] != '"') {
      const size_t n = nameLength(pos_);
      if (n == 0)
        fail(pos_,
             isOperatorChar(text_[pos_]) || text_[pos_] == '\'' ? "缺少字段名" : "无法识别的字符");
      pos_ += n;
      return std::string(text_.substr(at, n));
    }
    // A quoted name may hold any character; "" stands for one quote.
    std::string name;
    ++pos_;
    for (;;) {
      if (atEnd()) fail(at, "字段名缺少结束的双引号");
      if (text_[pos_] == '"') {
        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
          name += '"';
          pos_ += 2;
          continue;
        }
        ++pos_;
        break;
      }
      const size_t n = charLength(pos_);
      name.append(text_.substr(pos_, n));
      pos_ += n;
    }
    if (name.empty()) fail(at, "缺少字段名");
    return name;
  }

  bool readOperator(CompareOp& op) {
    static const struct {
      std::string_view text;
      CompareOp op;
    } kOperators[] = {{"<>", CompareOp::Ne}, {"<=", CompareOp::Le}, {">=", CompareOp::Ge},
                      {"=", CompareOp::Eq},  {"<", CompareOp::Lt},  {">", CompareOp::Gt}};
    for (const auto& o : kOperators) {
      if (text_.substr(pos_, o.text.size()) == o.text) {
        op = o.op;
        pos_ += o.text.size();
        return true;
      }
    }
    return false;
  }

  // A quoted constant; '' inside stands for one quote.
  std::string readQuoted() {
    const size_t at = pos_;
    std::string value;
    ++pos_;
    for (;;) {
      if (atEnd()) fail(at, "字符串常量缺少结束的单引号");
      if (text_[pos_] == '\'') {
        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
          value += '\'';
          pos_ += 2;
          continue;
        }
        ++pos_;
        return value;
      }
      const size_t n = charLength(pos_);
      value.append(text_.substr(pos_, n));
      pos_ += n;
    }
  }

  // A bare constant runs to a parenthesis, the end, or a word AND, OR or NOT after a blank;
  // blanks inside it stay, so "2024-01-05 10:30" is one constant.
  std::string readBare() {
    const size_t start = pos_;
    size_t end = pos_;
    while (!atEnd()) {
      const char c = text_[pos_];
      if (c == '(' || c == ')') break;
      if (isBlank(c)) {
        ++pos_;
        continue;
      }
      if ((pos_ == start || isBlank(text_[pos_ - 1])) &&
          (keywordAt(pos_, "AND") || keywordAt(pos_, "OR") || keywordAt(pos_, "NOT")))
        break;
      pos_ += charLength(pos_);
      end = pos_;
    }
    pos_ = end;
    return std::string(text_.substr(start, end - start));
  }

  int parseComparison() {
    const size_t nameAt = pos_;
    const std::string name = readFieldName();
    const std::string shownName = "[" + shownText(name) + "]";
    Comparison c;
    c.field = fields_.fieldIndex(name);
    if (c.field < 0) fail(nameAt, "没有字段" + shownName);
    const FieldType type = fields_.fieldType(c.field);
    if (!compareKindOf(type, c.kind))
      fail(nameAt, "字段" + shownName + "是" + fieldTypeName(type) + "类型，不能用于过滤");

    skipBlanks();
    if (!readOperator(c.op)) fail(pos_, "字段" + shownName + "后缺少比较符号(= <> < > <= >=)");
    skipBlanks();

    const size_t constantAt = pos_;
    std::string constant;
    bool blank = false;
    if (!atEnd() && text_[pos_] == '\'') {
      constant = readQuoted();
      // Empty text is a blank value for every type but text, as when it is stored.
      blank = c.kind != CompareKind::Text && trimBlanks(constant).empty();
    } else {
      if (!atEnd() && isOperatorChar(text_[pos_])) fail(constantAt, "无法识别的比较符号");
      if (!atEnd() && text_[pos_] == '"') fail(constantAt, "字符串常量要用单引号括起来");
      constant = readBare();
      if (constant.empty()) fail(constantAt, "比较符号后缺少常量");
      blank = sameWord(constant, "NULL");
    }
    if (blank)
      c.isNull = true;
    else
      bindConstant(c, constant, constantAt, shownName);

    program_->comparisons.push_back(std::move(c));
    return addNode(Node::Kind::Compare, static_cast<int>(program_->comparisons.size()) - 1);
  }

  void bindConstant(Comparison& c, const std::string& constant, size_t at,
                    const std::string& shownName) {
    const std::string shown = "“" + shownText(constant) + "”";
    switch (c.kind) {
      case CompareKind::Text: {
        // Stored text has no trailing blanks, so a constant's own would never match.
        std::string_view exact = constant;
        while (!exact.empty() && exact.back() == ' ') exact.remove_suffix(1);
        c.exact = exact;
        c.exactFolded = foldCase(exact);
        c.hasStar = !exact.empty() && exact.back() == '*';
        if (c.hasStar) {
          c.prefix = exact.substr(0, exact.size() - 1);
          c.prefixFolded = foldCase(c.prefix);
        }
        return;
      }
      case CompareKind::Number:
        if (!parseNumber(constant, c.number))
          fail(at, shown + "不是数值，不能与数值字段" + shownName + "比较");
        return;
      case CompareKind::Date: {
        double days = 0;
        if (!parseDate(constant, days))
          fail(at, shown + "不是有效的日期，不能与日期字段" + shownName + "比较");
        c.number = std::round(days * 86400000.0);
        return;
      }
      case CompareKind::Time:
      case CompareKind::Boolean: {
        const bool time = c.kind == CompareKind::Time;
        Value v;
        try {
          FieldDef def;
          def.type = time ? FieldType::ftTime : FieldType::ftBoolean;
          v = toFieldValue(Value::text(constant), def);
        } catch (const EngineError&) {
        }
        if (time && v.kind() == Value::Kind::DateTime) {
          c.number = std::round(v.doubleValue() * 86400000.0);
          return;
        }
        if (!time && v.kind() == Value::Kind::Boolean) {
          c.number = v.booleanValue() ? 1 : 0;
          return;
        }
        fail(at, shown + (time ? "不是有效的时间，不能与时间字段" : "不是逻辑值，不能与逻辑字段") +
                     shownName + "比较");
      }
    }
  }

  std::string_view text_;
  const FilterFields& fields_;
  Program* program_ = nullptr;
  size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

FilterExpression FilterExpression::parse(const std::string& text, const FilterFields& fields) {
  return FilterExpression(Parser(text, fields).run());
}

}  // namespace tdb
