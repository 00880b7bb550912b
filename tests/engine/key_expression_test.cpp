#include "engine/index/key_expression.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/gbk_codec.h"

namespace tdb {
namespace {

using Type = KeyExpression::Type;

std::string gbk(const char* utf8) { return utf8ToGbk(utf8); }

double day(int y, int m, int d) { return encodeDate(y, m, d); }

// One record in memory over a table's structure. Names and text are given in UTF-8 and kept as
// GBK.
class Record : public FilterFields {
 public:
  Record() {
    add("NAME", FieldType::ftString, 10);
    add("姓名", FieldType::ftString, 8);
    add("部门", FieldType::ftString, 6);
    add("DAY", FieldType::ftDate);
    add("金额", FieldType::ftFloat, 10, 2);
    add("QTY", FieldType::ftInteger);
    add("OK", FieldType::ftBoolean);
    add("备注", FieldType::ftMemo);
    add("照片", FieldType::ftGraphic);
    add("T", FieldType::ftTime);
    add("STAMP", FieldType::ftDateTime);
    add("BIN", FieldType::ftBytes, 4);
  }
  int fieldIndex(const std::string& name) const override { return defs_.indexOf(name); }
  FieldType fieldType(int i) const override { return defs_[i].type; }
  Value fieldValue(int i) const override { return values_[i]; }

  const FieldDefs& defs() const { return defs_; }
  Record& set(const char* name, Value v) {
    values_[defs_.indexOf(gbk(name))] = std::move(v);
    return *this;
  }
  Record& text(const char* name, const char* utf8) { return set(name, Value::text(gbk(utf8))); }

 private:
  void add(const char* name, FieldType type, int size = 0, int precision = 0) {
    defs_.add({gbk(name), type, size, precision, false});
    values_.emplace_back();
  }
  FieldDefs defs_;
  std::vector<Value> values_;
};

KeyExpression parse(const char* utf8) { return KeyExpression::parse(gbk(utf8), Record().defs()); }

Value key(const char* utf8, const Record& r, uint32_t recno = 1) {
  return parse(utf8).evaluate(r, recno);
}

// The text of a Character key, which must be exactly the key's width.
std::string text(const char* utf8, const Record& r) {
  const KeyExpression e = parse(utf8);
  const Value v = e.evaluate(r, 1);
  EXPECT_EQ(v.kind(), Value::Kind::Text) << utf8;
  if (v.kind() != Value::Kind::Text) return {};
  EXPECT_EQ(static_cast<int>(v.textValue().size()), e.width()) << utf8;
  return v.textValue();
}

double number(const char* utf8, const Record& r) {
  const Value v = key(utf8, r);
  EXPECT_EQ(v.kind(), Value::Kind::Double) << utf8;
  return v.kind() == Value::Kind::Double ? v.doubleValue() : -12345;
}

std::string errorOf(const std::string& gbkText) {
  try {
    KeyExpression::parse(gbkText, Record().defs());
  } catch (const EngineError& e) {
    return e.what();
  }
  return "no error";
}
std::string errorOf(const char* utf8) { return errorOf(gbk(utf8)); }

TEST(KeyExpressionWidth, FieldsConcatenationsAndFunctions) {
  struct Case {
    const char* text;
    int width;
  } cases[] = {
      {"UPPER(NAME)+DTOS(DAY)", 18},
      {"姓名+部门", 14},
      {"TRIM(NAME)+部门", 16},  // TRIM keeps its argument's width
      {"NAME-部门", 16},
      {"STR(QTY,5)+NAME", 15},
      {"STR(QTY)", 10},
      {"STR(金额,3+4,2)", 7},  // a constant expression is as good as a number
      {"LEFT(NAME,3)+RIGHT(NAME,2)", 5},
      {"LEFT(NAME,30)", 10},
      {"SUBSTR(NAME,4)", 7},
      {"SUBSTR(NAME,4,20)", 7},
      {"SUBSTR(NAME,4,2)", 2},
      {"SUBSTR(NAME,0,3)", 3},
      {"SUBSTR(NAME,12)+'X'", 1},
      {"SUBSTR(NAME,2,-1)+'X'", 1},
      // Counts that depend on the record leave room for the longest text.
      {"SUBSTR(NAME,QTY,3)", 3},
      {"SUBSTR(NAME,QTY)", 10},
      {"SUBSTR(NAME,2,QTY)", 9},
      {"LEFT(NAME,QTY)", 10},
      {"IIF(OK,NAME,'ab')", 10},
      {"IIF(OK,'ab',NAME+NAME)", 20},
      {"DTOC(DAY)+DTOS(STAMP)", 18},
      {"'汉字'", 4},
      {"[a]+\"b\"+'c'", 3},
  };
  for (const Case& c : cases) {
    const KeyExpression e = parse(c.text);
    EXPECT_EQ(e.type(), Type::Character) << c.text;
    EXPECT_EQ(e.width(), c.width) << c.text;
  }
  EXPECT_EQ(parse("QTY").type(), Type::Numeric);
  EXPECT_EQ(parse("VAL(NAME)+RECNO()").width(), 8);
  EXPECT_EQ(parse("DAY-DAY").type(), Type::Numeric);
  EXPECT_EQ(parse("DAY+1").type(), Type::Date);
  EXPECT_EQ(parse("STAMP").width(), 8);
  EXPECT_EQ(parse("OK").type(), Type::Logical);
  EXPECT_EQ(parse("QTY>3 .AND. OK").width(), 1);
  EXPECT_EQ(parse("upper(name)").text(), "upper(name)");
}

TEST(KeyExpressionEvaluate, KeysAreWholeWidthWithGbkText) {
  Record r;
  r.text("NAME", "Li").set("DAY", Value::dateTime(day(2024, 1, 5)));
  r.text("姓名", "张三").text("部门", "销售部");
  EXPECT_EQ(text("UPPER(NAME)+DTOS(DAY)", r), "LI        20240105");
  EXPECT_EQ(text("姓名+部门", r), gbk("张三    销售部"));
  EXPECT_EQ(text("TRIM(NAME)+部门", r), gbk("Li销售部        "));
  EXPECT_EQ(text("NAME-'|'+'#'", r), "Li|        #");  // the blanks move behind
  EXPECT_EQ(text("NAME+'|'", r), "Li        |");

  // A broken record may hold more than the field's size: the key never ends in half a character.
  r.text("姓名", "一二三四五");
  EXPECT_EQ(text("姓名", r), gbk("一二三四"));
  r.text("姓名", "a一二三四");
  EXPECT_EQ(text("姓名", r), gbk("a一二三 "));
  // Padding of NULs reads as blanks; other kinds of value read as the field would show them.
  r.set("NAME", Value::text(std::string("ab\0\0", 4)));
  EXPECT_EQ(text("NAME+'|'", r), "ab        |");
  r.set("NAME", Value::integer(42));
  EXPECT_EQ(text("NAME", r), "42        ");
}

TEST(KeyExpressionEvaluate, BlankFields) {
  const Record r;  // every field null
  EXPECT_EQ(text("NAME+部门", r), std::string(16, ' '));
  EXPECT_EQ(number("QTY", r), 0);
  EXPECT_EQ(number("金额+1", r), 1);
  EXPECT_TRUE(key("DAY", r).isNull());
  EXPECT_TRUE(key("DAY+30", r).isNull());
  EXPECT_EQ(number("DAY-DAY", r), 0);
  EXPECT_EQ(text("DTOS(DAY)+'|'", r), "        |");
  EXPECT_EQ(text("DTOC(DAY)", r), "    -  -  ");
  EXPECT_EQ(key("OK", r), Value::boolean(false));
  Record dated;
  dated.set("STAMP", Value::dateTime(day(1900, 1, 1)));
  EXPECT_EQ(text("IIF(DAY<STAMP .AND. DAY<>STAMP,'blank first','no')", dated), "blank first");
}

TEST(KeyExpressionFunctions, CaseAndTrimLeaveGbkAlone) {
  Record r;
  // 發 is B0 6C and 癆 is B0 41: trail bytes that look like 'l' and 'A'.
  r.text("NAME", "發a癆B");
  ASSERT_EQ(gbk("發"), "\xB0\x6C");
  EXPECT_EQ(text("UPPER(NAME)", r), gbk("發A癆B    "));
  EXPECT_EQ(text("LOWER(NAME)", r), gbk("發a癆b    "));
  r.text("NAME", "  ab c");
  EXPECT_EQ(text("LTRIM(NAME)+'|'", r), "ab c    |  ");  // the field's blanks stay
  EXPECT_EQ(text("RTRIM(NAME)+'|'", r), "  ab c|    ");
  EXPECT_EQ(text("ALLTRIM(NAME)+'|'", r), "ab c|      ");
  EXPECT_EQ(text("TRIM(部门)+'|'", r), "|      ");
}

TEST(KeyExpressionFunctions, SubstrLeftRightCountBytes) {
  Record r;
  r.text("NAME", "abcdef").text("姓名", "张三丰").set("QTY", Value::integer(3));
  EXPECT_EQ(text("SUBSTR(NAME,2,3)", r), "bcd");
  EXPECT_EQ(text("SUBSTR(NAME,5)", r), "ef    ");
  EXPECT_EQ(text("SUBSTR(NAME,8,2)+'|'", r), "  |");  // past the text, inside the field
  EXPECT_EQ(text("SUBSTR(TRIM(NAME),5,9)+'|'", r), "ef|    ");
  EXPECT_EQ(text("SUBSTR(NAME,0,2)+SUBSTR(NAME,-3,2)", r), "abab");
  EXPECT_EQ(text("SUBSTR(NAME,2,0)+SUBSTR(NAME,2,-1)+'|'", r), "|");
  EXPECT_EQ(text("SUBSTR(NAME,2.9,2.9)", r), "bc");
  EXPECT_EQ(text("SUBSTR(NAME,QTY,2)", r), "cd");
  r.set("QTY", Value::integer(100));
  EXPECT_EQ(text("SUBSTR(NAME,QTY,2)+'|'", r), "|  ");
  r.set("QTY", Value::integer(-2000000000));
  EXPECT_EQ(text("LEFT(NAME,QTY)+RIGHT(NAME,QTY)+'|'", r), "|" + std::string(20, ' '));

  EXPECT_EQ(text("LEFT(NAME,0)+LEFT(NAME,-1)+'|'", r), "|");
  EXPECT_EQ(text("RIGHT(NAME,3)+'|'", r), "   |");  // the field's own blanks
  EXPECT_EQ(text("RIGHT(TRIM(NAME),3)", r), "def");
  EXPECT_EQ(text("RIGHT(TRIM(NAME),30)+'|'", r), "abcdef|    ");

  // Positions are bytes, as other xBase programs count them in their keys.
  EXPECT_EQ(text("SUBSTR(姓名,3,2)", r), gbk("三"));
  EXPECT_EQ(text("LEFT(姓名,3)", r), "\xD5\xC5\xC8");
}

TEST(KeyExpressionFunctions, StrRoundsAndOverflows) {
  Record r;
  r.set("QTY", Value::integer(42));
  EXPECT_EQ(text("STR(QTY)", r), "        42");
  EXPECT_EQ(text("STR(QTY,5,-1)", r), "   42");
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"STR(2.5,3)", "  3"},  // half away from zero, as xBase rounds
      {"STR(-2.5,3)", " -3"},
      {"STR(1.005,5,2)", " 1.01"},  // as written, not as the binary fraction below it
      {"STR(0.125,5,2)", " 0.13"},
      {"STR(-0.4,2)", " 0"},  // no minus for a zero
      {"STR(-0.004,5,2)", " 0.00"},
      {"STR(123.456,6,2)", "123.46"},
      {"STR(123.456,5,2)", "123.5"},  // decimals give way first
      {"STR(123.456,4,2)", " 123"},
      {"STR(99.96,4,2)", " 100"},
      {"STR(12345,4)", "****"},  // then the integer part overflows
      {"STR(-999,3)", "***"},
      {"STR(-99,3)", "-99"},
      {"STR(9.5,1)", "*"},
      {"STR(0.000001,10,8)", "0.00000100"},
  };
  for (const Case& c : cases) EXPECT_EQ(text(c.text, r), c.expected) << c.text;

  r.set("金额", Value::number(1e20));
  EXPECT_EQ(text("STR(金额,25)", r), "    100000000000000000000");
  r.set("金额", Value::number(1234.5));
  EXPECT_EQ(text("STR(金额,10,2)", r), "   1234.50");
  r.set("金额", Value::number(std::numeric_limits<double>::infinity()));
  EXPECT_EQ(text("STR(金额,5)", r), "*****");
  EXPECT_EQ(number("金额-金额", r), 0);  // not NaN
}

TEST(KeyExpressionFunctions, DatesAndVal) {
  Record r;
  r.set("DAY", Value::dateTime(day(2024, 1, 5)));
  r.set("STAMP", Value::dateTime(day(2024, 1, 1) + 0.75));
  EXPECT_EQ(text("DTOS(DAY)+DTOC(DAY)", r), "202401052024-01-05");
  EXPECT_EQ(text("DTOS(DAY+27)+DTOS(1+DAY)+DTOS(DAY-5)", r), "202402012024010620231231");
  EXPECT_EQ(key("DAY-1", r), Value::dateTime(day(2024, 1, 4)));
  EXPECT_DOUBLE_EQ(number("DAY-STAMP", r), 3.25);
  EXPECT_EQ(text("DTOS(STAMP)", r), "20240101");
  r.set("DAY", Value::dateTime(day(9999, 12, 31)));
  EXPECT_EQ(text("DTOS(DAY-1)+DTOS(DAY+1)+'|'", r), "99991230        |");
  EXPECT_TRUE(key("DAY+1", r).isNull());
  r.set("DAY", Value::text("2024-03-01"));  // a kind the cursor should not hand out
  EXPECT_EQ(text("DTOS(DAY)", r), "20240301");

  struct Case {
    const char* name;
    double value;
  } cases[] = {{"  12.5abc", 12.5}, {"abc", 0}, {"-3", -3}, {"1e3", 1}, {"", 0},
               {".5", 0.5},         {"+7.", 7}, {"- 1", 0}};
  for (const Case& c : cases) {
    r.text("NAME", c.name);
    EXPECT_EQ(number("VAL(NAME)", r), c.value) << c.name;
  }
  r.text("NAME", "-0");
  EXPECT_FALSE(std::signbit(number("VAL(NAME)", r)));
  EXPECT_FALSE(std::signbit(number("-QTY", r)));
}

TEST(KeyExpressionEvaluate, IifConditionsAndLogic) {
  Record r;
  r.text("NAME", "ab").set("QTY", Value::integer(12)).set("OK", Value::boolean(true));
  r.text("部门", "销售部");
  EXPECT_EQ(text("IIF(OK,'Y','N')", r), "Y");
  EXPECT_EQ(text("IIF(!OK,'Y','N')", r), "N");
  EXPECT_EQ(text("IIF(QTY>10 .and. .NOT. OK,NAME,部门)", r), gbk("销售部    "));
  EXPECT_EQ(text("IIF(QTY>10 .AND. OK .OR. QTY<0,NAME,部门)", r), "ab        ");
  EXPECT_EQ(number("IIF(NAME='ab',1,2)", r), 1);   // trailing blanks do not count for =
  EXPECT_EQ(number("IIF(NAME=='ab',1,2)", r), 2);  // but do for ==
  EXPECT_EQ(number("IIF(TRIM(NAME)=='ab',1,2)", r), 1);
  EXPECT_EQ(number("IIF(NAME<'ac' .AND. NAME>='a',1,2)", r), 1);
  EXPECT_EQ(number("IIF(QTY#12 .OR. QTY!=12 .OR. QTY<>12,1,2)", r), 2);
  EXPECT_EQ(number("IIF(OK=.T. .AND. OK<>.F.,1,2)", r), 1);
  EXPECT_EQ(number("IIF(.NOT. .NOT. OK,-QTY,+QTY)", r), -12);
  EXPECT_EQ(key("QTY>3 .AND. OK", r), Value::boolean(true));
  // .NOT. binds looser than a comparison.
  EXPECT_EQ(key(".NOT. QTY = 12", r), Value::boolean(false));
}

TEST(KeyExpressionEvaluate, NamesFunctionsAndRecno) {
  Record r;
  r.text("NAME", "ab").text("姓名", "张三");
  for (const char* same : {"upper(name)", "Upper(Name)", "UPPE(NAME)", "UPPER (CUST->NAME)",
                           "UPPER(客户 -> NAME)", "upper(ALLT(NAME))"})
    EXPECT_EQ(text(same, r), "AB        ") << same;
  EXPECT_EQ(text("SUBS(客户->姓名,1,2)+LEFT(姓名,2)", r), gbk("张张"));
  EXPECT_EQ(text("STR(RECNO(),7)", r), "      1");
  EXPECT_EQ(parse("RECNO()").evaluate(r, 4000000000u), Value::number(4e9));
  EXPECT_EQ(parse("RECN()").type(), Type::Numeric);
}

void expectError(const char* utf8, const char* where, const char* what) {
  const std::string message = errorOf(utf8);
  EXPECT_NE(message.find(std::string("索引表达式“") + utf8 + "”"), std::string::npos) << message;
  EXPECT_NE(message.find(where), std::string::npos) << utf8 << ": " << message;
  EXPECT_NE(message.find(what), std::string::npos) << utf8 << ": " << message;
}

TEST(KeyExpressionErrors, SayWhereAndWhat) {
  expectError("", "第1个字符(表达式末尾)", "表达式为空");
  expectError("NAME+", "第6个字符(表达式末尾)", "缺少运算对象");
  expectError("XNAME+1", "第1个字符“XNAME+1”", "没有字段[XNAME]");
  expectError("姓名+年龄", "第4个字符“年龄”", "没有字段[年龄]");
  expectError("FOO(NAME)", "第1个字符", "没有函数FOO");
  expectError("SUB(NAME,1)", "第1个字符", "没有函数SUB");  // too short to abbreviate
  expectError("SUBSTR(NAME)", "第12个字符", "参数不足");
  expectError("UPPER(NAME,1)", "第12个字符", "参数过多");
  expectError("RECNO(1)", "第7个字符", "参数过多");
  expectError("UPPER(QTY)", "第7个字符“QTY)”", "第1个参数应为字符型，这里是数值型");
  expectError("SUBSTR(NAME,'1')", "第13个字符", "第2个参数应为数值型");
  expectError("DTOS(NAME)", "第6个字符", "应为日期型");
  expectError("DAY+DAY", "第4个字符", "日期型不能与日期型相加");
  expectError("1-DAY", "第2个字符", "数值型不能减去日期型");
  expectError("NAME+1", "第5个字符", "字符型不能与数值型相加");
  expectError("-NAME", "第1个字符", "负号只能用于数值型");
  expectError("IIF(OK,NAME,1)", "第13个字符", "IIF的两个结果类型不同");
  expectError("IIF(NAME,1,2)", "第5个字符", "应为逻辑型");
  expectError("IIF(NAME=1,1,2)", "第9个字符", "字符型不能与数值型比较");
  expectError("IIF(OK<.T.,1,2)", "第7个字符", "逻辑值只能比较相等或不等");
  expectError("IIF(QTY .AND. OK,1,2)", "第5个字符", ".AND.的运算对象应为逻辑型");
  expectError("备注", "第1个字符", "字段[备注]是ftMemo类型，不能用于索引表达式");
  expectError("UPPER(照片)", "第7个字符", "ftGraphic");
  expectError("T", "第1个字符", "ftTime");
  expectError("BIN", "第1个字符", "ftBytes");
  expectError("STR(QTY,QTY)", "第9个字符", "长度要用常数");
  expectError("STR(QTY,5,QTY)", "第11个字符", "小数位数要用常数");
  expectError("STR(QTY,0)", "第9个字符", "长度应在1到255之间");
  expectError("STR(QTY,256)", "第9个字符", "长度应在1到255之间");
  expectError("SUBSTR(NAME,20)", "第1个字符", "长度为0");
  expectError("UPPER(NAME", "第1个字符", "缺少右括号");
  expectError("(NAME+'a'", "第1个字符", "左括号缺少对应的右括号");
  expectError("NAME)", "第5个字符", "右括号没有对应的左括号");
  expectError("NAME 部门", "第6个字符", "缺少运算符");
  expectError("NAME,1", "第5个字符", "逗号");
  expectError("'abc", "第1个字符", "缺少结束的单引号");
  expectError("NAME+[abc", "第6个字符", "缺少结束的右方括号");
  expectError("NAME @ 1", "第6个字符", "无法识别的字符");
  expectError("IIF(OK .XOR. OK,1,2)", "第8个字符", "无法识别的“.XOR.”");
  expectError("CUST->UPPER(NAME)", "第7个字符", "不能是函数");
  EXPECT_NE(errorOf("1+" + std::string(400, '9')).find("第3个字符“999"), std::string::npos);
  EXPECT_NE(errorOf("1+" + std::string(400, '9')).find("数值常量超出范围"), std::string::npos);

  // A GBK lead byte without its trail byte is a character of its own, not a name.
  EXPECT_NE(errorOf(std::string("NAME+\xB0")).find("第6个字符"), std::string::npos);
  // A NUL in the text must not end the message early.
  const std::string withNul = errorOf(std::string("NAME+\0\x01", 7));
  EXPECT_NE(withNul.find("“NAME+??”第6个字符“??”处：无法识别的字符"), std::string::npos) << withNul;
  // A long expression is named by its beginning.
  const std::string longText = "NAME+" + std::string(200, '(');
  EXPECT_NE(errorOf(longText).find("…”第206个字符"), std::string::npos) << errorOf(longText);
}

TEST(KeyExpressionErrors, DeepNestingIsRefusedNotOverflowed) {
  const int limit = KeyExpression::kMaxNesting;
  auto wrapped = [](const std::string& open, const std::string& inner, const std::string& close,
                    int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += open;
    s += inner;
    for (int i = 0; i < n; ++i) s += close;
    return s;
  };
  Record r;
  r.text("NAME", "ab");
  EXPECT_EQ(KeyExpression::parse(wrapped("(", "NAME", ")", limit), r.defs()).width(), 10);
  EXPECT_EQ(
      KeyExpression::parse(wrapped("UPPER(", "NAME", ")", limit - 1), r.defs()).evaluate(r, 1),
      Value::text("AB        "));
  for (const std::string& deep :
       {wrapped("(", "NAME", ")", 100000), wrapped("UPPER(", "NAME", ")", limit + 1),
        wrapped("-", "QTY", "", 100000), wrapped(".NOT.", "OK", "", 100000),
        wrapped("", "NAME", "+NAME", 300)})
    EXPECT_NE(errorOf(deep).find("嵌套超过200层"), std::string::npos) << deep.substr(0, 20);

  // Concatenations that double at every level run into the width limit first.
  std::string doubled = "NAME";
  for (int i = 0; i < 13; ++i) doubled = "(" + doubled + "+" + doubled + ")";
  EXPECT_NE(errorOf(doubled).find("超过65535字节"), std::string::npos);
}

TEST(KeyExpressionEvaluate, CopiesShareAndFieldKindsAreTolerated) {
  Record r;
  const KeyExpression a = parse("STR(QTY,4)+STR(金额,6,1)");
  const KeyExpression b = a;  // NOLINT(performance-unnecessary-copy-initialization)
  r.set("QTY", Value::text("12")).set("金额", Value::text("x"));
  EXPECT_EQ(b.evaluate(r, 1), Value::text("  12   0.0"));
  EXPECT_EQ(a.evaluate(r, 1), b.evaluate(r, 1));
  r.set("OK", Value::text("Y")).set("DAY", Value::text("no date"));
  EXPECT_EQ(key("OK", r), Value::boolean(true));
  EXPECT_TRUE(key("DAY", r).isNull());
}

}  // namespace
}  // namespace tdb
