#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/filter/filter_expression.h"
#include "engine/gbk_codec.h"

namespace tdb {
namespace {

std::string gbk(const char* utf8) { return utf8ToGbk(utf8); }

// One record in memory. Field names are given in UTF-8 and kept as GBK.
class Record : public FilterFields {
 public:
  Record() {
    add("NAME", FieldType::ftString);
    add("AGE", FieldType::ftInteger);
    add("PRICE", FieldType::ftFloat);
    add("D", FieldType::ftDate);
    add("DT", FieldType::ftDateTime);
    add("T", FieldType::ftTime);
    add("OK", FieldType::ftBoolean);
    add("NOTE", FieldType::ftMemo);
    add("PIC", FieldType::ftGraphic);
    add("MY FIELD", FieldType::ftString);
    add("姓名", FieldType::ftString);
    add("NOT", FieldType::ftInteger);
  }
  int fieldIndex(const std::string& name) const override {
    for (size_t i = 0; i < names_.size(); ++i)
      if (sameName(names_[i], name)) return static_cast<int>(i);
    return -1;
  }
  FieldType fieldType(int i) const override { return types_[i]; }
  Value fieldValue(int i) const override { return values_[i]; }

  Record& set(const char* name, Value v) {
    values_[fieldIndex(gbk(name))] = std::move(v);
    return *this;
  }
  Record& text(const char* name, const char* utf8) { return set(name, Value::text(gbk(utf8))); }

 private:
  void add(const char* name, FieldType type) {
    names_.push_back(gbk(name));
    types_.push_back(type);
    values_.emplace_back();
  }
  std::vector<std::string> names_;
  std::vector<FieldType> types_;
  std::vector<Value> values_;
};

// Like Record, but hands out string fields as views that keep the padding of the record.
class PaddedRecord : public Record {
 public:
  std::string_view fieldText(int i, Value& /*holder*/) const override {
    Value v = fieldValue(i);
    padded_ = v.isNull() ? std::string() : v.textValue() + std::string("  \0\0 ", 5);
    return padded_;
  }

 private:
  mutable std::string padded_;
};

bool match(const char* utf8, const FilterFields& r, unsigned options = 0) {
  return FilterExpression::parse(gbk(utf8), r).matches(r, options);
}

std::string errorOf(const char* utf8) {
  try {
    FilterExpression::parse(gbk(utf8), Record());
  } catch (const EngineError& e) {
    return e.what();
  }
  return "no error";
}

double day(const char* text) {
  double d = 0;
  EXPECT_TRUE(parseDate(text, d)) << text;
  return d;
}

TEST(FilterParse, FormsTheQueryBuilderWrites) {
  Record r;
  r.text("NAME", "Li").set("AGE", Value::integer(31)).set("OK", Value::boolean(true));
  r.set("D", Value::dateTime(day("2024-01-06")));
  EXPECT_TRUE(match("(NAME='Li')AND(AGE>30)", r));
  EXPECT_FALSE(match("(NAME='Li')AND(AGE>31)", r));
  EXPECT_TRUE(match("(AGE>40)OR(OK=T)", r));
  EXPECT_TRUE(match("(D>2024-01-05)", r));
  EXPECT_FALSE(match("NOT(NAME='Li')", r));
  EXPECT_TRUE(match("(AGE=1)or not (NAME='Wang')", r));
  EXPECT_TRUE(match("AGE=31 and NAME=Li", r));
  // A logic word added alone, then NOT with the next condition.
  EXPECT_TRUE(match("(AGE=31)ANDNOT(AGE=3)", r));
  EXPECT_FALSE(match("(AGE=1)OrNot(AGE=31)", r));
  EXPECT_FALSE(match("NOTNOT(AGE=1)", r));
  EXPECT_FALSE(match("(NAME='')or(NAME=null)", r));
  r.text("NAME", "");
  EXPECT_TRUE(match("(NAME='')or(NAME=null)", r));
  r.set("NAME", Value());
  EXPECT_TRUE(match("(NAME='')or(NAME=null)", r));
  EXPECT_FALSE(match("(NAME>'')or(NAME>null)or(NAME<>null)", r));
}

TEST(FilterParse, PrecedenceBlanksAndNesting) {
  Record r;
  r.set("AGE", Value::integer(1)).set("PRICE", Value::number(2));
  EXPECT_TRUE(match("AGE=1 OR AGE=2 AND PRICE=3", r));  // AND first
  EXPECT_FALSE(match("(AGE=1 OR AGE=2) AND PRICE=3", r));
  EXPECT_FALSE(match("NOT AGE=1 AND PRICE=2", r));  // NOT first
  EXPECT_TRUE(match("NOT (AGE=1 AND PRICE=3)", r));
  EXPECT_TRUE(match("NOT NOT ((((AGE=1))))", r));
  EXPECT_TRUE(match("  ( AGE >= 1 )\tand\r\n( PRICE <= 2 )  ", r));
  EXPECT_TRUE(match("(AGE>=1)AND(PRICE<=2)AND(AGE<>2)OR(AGE<0)", r));
  EXPECT_TRUE(match("\"MY FIELD\"=null and not=null", r));  // a quoted name; a field called NOT
  for (const char* blank : {"", "   ", "\t\r\n"}) {
    FilterExpression f = FilterExpression::parse(blank, r);
    EXPECT_TRUE(f.empty());
    EXPECT_TRUE(f.matches(r, 0));
  }
  EXPECT_TRUE(FilterExpression().matches(r, foNoPartialCompare));
}

TEST(FilterText, QuotesCaseAndPartialCompare) {
  Record r;
  r.text("NAME", "O'Brien").text("姓名", "李四").text("NOTE", "abc*");
  EXPECT_TRUE(match("NAME='O''Brien'", r));
  EXPECT_TRUE(match("姓名='李四'", r));
  EXPECT_FALSE(match("NAME='o''brien'", r));
  EXPECT_TRUE(match("NAME='o''brien'", r, foCaseInsensitive));
  EXPECT_TRUE(match("NAME<'a'", r));  // bytewise: 'O' sorts before 'a'
  EXPECT_FALSE(match("NAME<'a'", r, foCaseInsensitive));
  EXPECT_TRUE(match("NAME='O''Brien  '", r));  // trailing blanks do not count

  EXPECT_TRUE(match("NAME='O''B*'", r));
  EXPECT_FALSE(match("NAME<>'O''B*'", r));
  EXPECT_FALSE(match("NAME='O''B*'", r, foNoPartialCompare));
  EXPECT_TRUE(match("NAME='o''b*'", r, foCaseInsensitive));
  EXPECT_TRUE(match("NAME='*'", r));
  EXPECT_TRUE(match("NAME>='O''B*'", r));  // only the leading bytes count
  EXPECT_FALSE(match("NAME>'O''B*'", r));
  EXPECT_TRUE(match("NAME<'O''C*'", r));
  EXPECT_TRUE(match("NAME='O''Brien*'", r));
  EXPECT_FALSE(match("NAME='O''Brien1*'", r));
  EXPECT_TRUE(match("姓名='李*'", r));
  EXPECT_FALSE(match("姓名='四*'", r));
  EXPECT_TRUE(match("NOTE='abc*'", r, foNoPartialCompare));
  EXPECT_TRUE(match("NOTE='ab*'", r));
  EXPECT_FALSE(match("NOTE='ab*'", r, foNoPartialCompare));
}

TEST(FilterText, CaseFoldingLeavesGbkTrailBytesAlone) {
  // 癮 is B0 61 and 癆 is B0 41: their trail bytes are the letters 'a' and 'A'.
  Record r;
  r.set("NAME", Value::text("x\xB0\x61y"));
  for (unsigned options : {0u, unsigned{foCaseInsensitive}}) {
    EXPECT_FALSE(match("NAME='x癆y'", r, options));
    EXPECT_TRUE(match("NAME>'x癆y'", r, options));
    EXPECT_FALSE(match("NAME='x癆*'", r, options));
  }
  EXPECT_TRUE(match("NAME='X癮Y'", r, foCaseInsensitive));
  EXPECT_TRUE(match("NAME='X癮*'", r, foCaseInsensitive));
  EXPECT_FALSE(match("NAME='X癮Y'", r));
  r.set("NAME", Value::text("\xB0\x41"));
  EXPECT_FALSE(match("NAME='癮'", r, foCaseInsensitive));
  EXPECT_TRUE(match("NAME<'癮'", r, foCaseInsensitive));
}

TEST(FilterText, ViewsWithPaddingCompareLikeValues) {
  PaddedRecord r;
  r.text("NAME", "Li");
  EXPECT_TRUE(match("NAME='Li'", r));
  EXPECT_FALSE(match("NAME>'Li'", r));
  EXPECT_FALSE(match("NAME<>'Li*'", r, foCaseInsensitive));
  EXPECT_FALSE(match("NAME=null", r));
  r.set("NAME", Value());
  EXPECT_TRUE(match("NAME=null", r));
  EXPECT_TRUE(match("NAME=''", r));
}

TEST(FilterValues, NumbersNullsDatesTimesBooleans) {
  Record r;
  r.set("AGE", Value::integer(31)).set("PRICE", Value::number(49.5));
  EXPECT_TRUE(match("AGE>30.5", r));
  EXPECT_FALSE(match("AGE=30.5", r));
  EXPECT_TRUE(match("AGE<=31.0 and AGE>='31' and PRICE<5e1 and PRICE>-1", r));
  r.set("AGE", Value::integer(9007199254740993));  // not a double
  EXPECT_FALSE(match("AGE=9007199254740992", r));
  EXPECT_TRUE(match("AGE>9007199254740992", r));

  r.set("AGE", Value());
  EXPECT_TRUE(match("AGE<>5", r));
  EXPECT_FALSE(match("AGE=5 or AGE<5 or AGE>5 or AGE>=5 or AGE<=5", r));
  EXPECT_TRUE(match("AGE=NULL and AGE='' and not AGE<>null", r));
  EXPECT_FALSE(match("AGE>null or AGE<null", r));
  r.set("AGE", Value::integer(0));
  EXPECT_TRUE(match("AGE<>null and not AGE=null", r));

  r.set("D", Value::dateTime(day("2024-01-05")));
  r.set("DT", Value::dateTime(day("2024-01-05") + (10 * 3600 + 30 * 60) / 86400.0));
  r.set("T", Value::dateTime(45000 + 0.4375));  // a time with a day part still reads as 10:30
  EXPECT_TRUE(match("D=2024-01-05 and D='2024/1/5' and D=20240105 and D<2024.1.6", r));
  EXPECT_TRUE(match("DT=2024-01-05 10:30 and DT>'2024-01-05' and DT<2024-01-05 10:30:01", r));
  EXPECT_TRUE(match("T=10:30:00 and T>'10:29' and T=2020-02-02 10:30", r));

  r.set("OK", Value::boolean(false));
  EXPECT_TRUE(match("OK=F and OK='no' and OK=0 and OK=false and OK<>Y and OK<t", r));
  r.set("OK", Value());
  EXPECT_TRUE(match("OK=null and OK<>T", r));
  EXPECT_FALSE(match("OK=F", r));
}

TEST(FilterErrors, SayWhereAndWhat) {
  struct Case {
    const char* text;
    const char* where;
    const char* what;
  };
  const Case cases[] = {
      {"(AGE=1", "第1个字符", "右括号"},
      {"(AGE=1) AND (AGE=2))", "第20个字符“)”", "左括号"},
      {"((AGE=1)", "第1个字符", "右括号"},
      {"()", "第2个字符", "缺少条件"},
      {"AGE=1 AND", "第10个字符(条件末尾)", "缺少条件"},
      {"(AGE 30)", "第6个字符“30)”", "比较符号"},
      {"(AGE>)", "第6个字符", "缺少常量"},
      {"AGE==1", "第5个字符", "比较符号"},
      {"(=1)", "第2个字符", "缺少字段名"},
      {"(AGX>1)", "第2个字符“AGX>1)”", "AGX"},
      {"(姓名>'a')AND(年龄>1)", "第13个字符“年龄>1)”", "[年龄]"},
      {"(AGE>'abc')", "第6个字符", "“abc”不是数值"},
      {"(D=2024-02-30)", "第4个字符", "日期"},
      {"(T>25:00)", "第4个字符", "时间"},
      {"OK=maybe", "第4个字符", "逻辑"},
      {"PIC=null", "第1个字符", "ftGraphic"},
      {"NAME='Li", "第6个字符", "单引号"},
      {"NAME=\"Li\"", "第6个字符", "单引号"},
      {"\"NAME=1", "第1个字符", "双引号"},
      {"(AGE=1)(AGE=2)", "第8个字符", "AND或OR"},
      {"(AGE=1)NOT(AGE=2)", "第8个字符", "NOT前缺少AND或OR"},
      {"AND(AGE=1)", "第1个字符", "AND前缺少条件"},
      {"(AGE=1) ;", "第9个字符“;”", "多余的文字"},
      {"@=1", "第1个字符", "无法识别"},
  };
  for (const Case& c : cases) {
    const std::string message = errorOf(c.text);
    EXPECT_NE(message.find(c.where), std::string::npos) << c.text << ": " << message;
    EXPECT_NE(message.find(c.what), std::string::npos) << c.text << ": " << message;
  }
}

TEST(FilterLimits, LongAndDeepInput) {
  Record r;
  r.set("AGE", Value::integer(19999));
  std::string chain = "AGE=-1";
  for (int i = 0; i < 20000; ++i) chain += (i % 2 ? " OR AGE=" : " and AGE<>") + std::to_string(i);
  EXPECT_TRUE(match(chain.c_str(), r));
  r.set("AGE", Value::integer(10000));
  EXPECT_FALSE(match(chain.c_str(), r));
  r.set("AGE", Value::integer(19999));

  auto nested = [](int depth, const char* open, const char* close) {
    std::string s;
    for (int i = 0; i < depth; ++i) s += open;
    s += "AGE=19999";
    for (int i = 0; i < depth; ++i) s += close;
    return s;
  };
  EXPECT_TRUE(match(nested(FilterExpression::kMaxNesting, "(", ")").c_str(), r));
  EXPECT_TRUE(match(nested(FilterExpression::kMaxNesting, "not ", "").c_str(), r));
  for (const char* open : {"(", "NOT(", "NOT "}) {
    const std::string deep = nested(20000, open, open[0] == 'N' && open[3] == ' ' ? "" : ")");
    EXPECT_NE(errorOf(deep.c_str()).find("嵌套超过200层"), std::string::npos) << open;
  }
}

}  // namespace
}  // namespace tdb
