// The formulas worked out on real dBASE tables: every expected value is computed by hand from the
// evaluation rules, and read back from the file through a second cursor.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "app/common/gbk_string.h"
#include "app/projects/formula_evaluation.h"
#include "engine/convert.h"
#include "tests/projects/formula_tables.h"

namespace torvanel {
namespace {

using tdb::FieldType;
using tdb::Value;
using test::field;
using test::FieldValues;
using test::text;

Value num(double d) { return Value::number(d); }

class Formula : public ::testing::Test {
 protected:
  void SetUp() override {
    tables.create(
        "MASTER.DBF",
        {field("名称", FieldType::ftString, 10), field("规格", FieldType::ftString, 10),
         field("文本", FieldType::ftString, 30), field("单价", FieldType::ftFloat, 10, 3),
         field("数量", FieldType::ftInteger), field("运费", FieldType::ftFloat, 10, 2),
         field("金额", FieldType::ftFloat, 14, 2), field("一位", FieldType::ftFloat, 8, 1),
         field("A", FieldType::ftFloat, 12, 2), field("B", FieldType::ftFloat, 12, 2),
         field("整数", FieldType::ftInteger), field("日期", FieldType::ftDate),
         field("备注", FieldType::ftMemo), field("键", FieldType::ftString, 10)});
    const std::vector<tdb::FieldDef> lookup{field("键", FieldType::ftString, 10),
                                            field("价", FieldType::ftFloat, 10, 2),
                                            field("名", FieldType::ftString, 10)};
    const std::vector<FieldValues> rows{
        {{"键", text("apple")}, {"价", num(1.5)}, {"名", text("苹果")}},
        {{"键", text("Pear")}, {"价", num(2.5)}, {"名", text("梨")}}};
    tables.create("PRICE.DBF", lookup, rows);
    tables.create("OTHER.DBF", lookup, rows);
  }

  AuxiliaryTable lookupEntry(const QString& name, const QString& relation = "键->键") const {
    return tables.entry(name, kLookupRelation, relation);
  }

  // Appends a master record holding `values` and stores it through an evaluator of `formulas`
  // over the auxiliary tables `aux`, as a project window's before-store hook does.
  void store(const QList<FieldFormula>& formulas, const FieldValues& values,
             const QList<AuxiliaryTable>& aux = {}, double scale = 100) {
    if (!master) master = tables.open("MASTER.DBF");
    master->beforePost = nullptr;
    auxOpen.clear();
    ProjectTables project;
    project.master = master.get();
    project.auxdefs = aux;
    for (const AuxiliaryTable& e : aux) {
      auxOpen.push_back(tables.open(e.table));
      project.auxtables.push_back(auxOpen.back().get());
    }
    project.formulas = formulas;
    project.scale = scale;
    evaluator = std::make_unique<FormulaEvaluator>(project, [this](const QString& q) {
      questions << q;
      if (throwFromQuestion) throw std::runtime_error("dialog failed");
      return answer;
    });
    evaluator->installAsBeforePost();
    master->append();
    test::setFields(*master, values);
    master->post();
  }

  // The last stored record's field, read from the file by a cursor of its own.
  Value got(const QString& name) const {
    auto check = tables.open("MASTER.DBF");
    check->last();
    return test::valueOf(*check, name);
  }
  double number(const QString& name) const { return tdb::toNumber(got(name)); }
  QString textOf(const QString& name) const { return fromGbk(got(name).textValue()); }

  test::FormulaTables tables;
  std::unique_ptr<tdb::Table> master;
  std::vector<std::unique_ptr<tdb::Table>> auxOpen;
  std::unique_ptr<FormulaEvaluator> evaluator;
  QStringList questions;
  bool answer = true;
  bool throwFromQuestion = false;
};

TEST_F(Formula, ProductsAreRoundedHalfToEvenAtTheDecimalPlaces) {
  store({{"金额", "单价×数量＋(#f5){1}"}}, {{"单价", num(2.25)}, {"数量", Value::integer(3)}});
  EXPECT_DOUBLE_EQ(number("金额"), 11.8);  // 6.75 + 5 = 11.75, then 117.5 goes to the even 118
  store({{"金额", "单价×数量"}}, {{"单价", num(0.125)}, {"数量", Value::integer(1)}});
  EXPECT_DOUBLE_EQ(number("金额"), 0.12);
  store({{"金额", "单价×数量"}}, {{"单价", num(0.375)}, {"数量", Value::integer(1)}});
  EXPECT_DOUBLE_EQ(number("金额"), 0.38);
  store({{"金额", "单价÷数量"}}, {{"单价", num(1)}, {"数量", Value::integer(8)}});
  EXPECT_DOUBLE_EQ(number("金额"), 0.12);  // 12.5 -> 12
  store({{"金额", "单价×数量"}}, {{"单价", num(2.5)}, {"数量", Value::integer(1)}}, {}, 1);
  EXPECT_DOUBLE_EQ(number("金额"), 2);  // no places: whole numbers, half to even
  store({{"金额", "单价×数量"}}, {{"单价", num(3.5)}, {"数量", Value::integer(1)}}, {}, 1);
  EXPECT_DOUBLE_EQ(number("金额"), 4);
}

TEST_F(Formula, OperandsCombineStrictlyFromLeftToRight) {
  const FieldValues values{{"单价", num(2)}, {"数量", Value::integer(3)}, {"运费", num(1)}};
  store({{"金额", "单价×数量＋运费"}}, values);
  EXPECT_DOUBLE_EQ(number("金额"), 7);
  store({{"金额", "运费＋单价×数量"}}, values);
  EXPECT_DOUBLE_EQ(number("金额"), 9);
  store({{"金额", "运费－单价÷(#f4)"}}, values);
  EXPECT_DOUBLE_EQ(number("金额"), -0.25);
}

TEST_F(Formula, EveryStepIsReadBackFromTheTargetField) {
  // 2.26 stored in N(8,1) is 2.3 before it is multiplied: 6.9, where 2.26 × 3 would give 6.8.
  store({{"一位", "A×B"}}, {{"A", num(2.26)}, {"B", num(3)}});
  EXPECT_DOUBLE_EQ(number("一位"), 6.9);
  // An integer field holds 1 of 1.4: 1 × 2 = 2, not 2.8 rounded to 3.
  store({{"整数", "A×(2)"}}, {{"A", num(1.4)}});
  EXPECT_DOUBLE_EQ(number("整数"), 2);
  // A text field holds the number's text; ＋ on a number and that text adds them.
  store({{"文本", "A＋B"}}, {{"A", num(1.5)}, {"B", num(2)}});
  EXPECT_EQ(textOf("文本"), "3.5");
}

TEST_F(Formula, ZeroAfterAnOperatorBecomesNullExceptInText) {
  store({{"金额", "A－A"}, {"运费", "(0)"}, {"文本", "A－A"}}, {{"A", num(5)}});
  EXPECT_TRUE(got("金额").isNull());
  EXPECT_FALSE(got("运费").isNull());
  EXPECT_DOUBLE_EQ(number("运费"), 0);
  EXPECT_EQ(textOf("文本"), "0");
}

TEST_F(Formula, AFailedStepClearsItsTargetAndTheOtherFormulasStillRun) {
  store({{"金额", "A÷(0)"}, {"运费", "A＋(1)"}, {"一位", "名称×(2)"}},
        {{"A", num(5)}, {"金额", num(9)}, {"名称", text("螺丝")}, {"一位", num(7)}});
  EXPECT_TRUE(got("金额").isNull());
  EXPECT_DOUBLE_EQ(number("运费"), 6);
  EXPECT_TRUE(got("一位").isNull());  // a text that is no number cannot be multiplied
}

TEST_F(Formula, RoundingSpecsRoundTheWholeFormulaOrAreDropped) {
  store({{"单价", "{2}"}}, {{"单价", num(1.236)}});
  EXPECT_DOUBLE_EQ(number("单价"), 1.24);
  store({{"单价", "{0}"}, {"运费", "A{0}"}}, {{"单价", num(2.5)}, {"A", num(3.5)}});
  EXPECT_DOUBLE_EQ(number("单价"), 2);
  EXPECT_DOUBLE_EQ(number("运费"), 4);
  store({{"单价", "{x}A"}, {"金额", "A{-1}"}, {"运费", "{13}A"}, {"一位", "A{1"}},
        {{"A", num(1.25)}});
  EXPECT_DOUBLE_EQ(number("单价"), 1.25);
  EXPECT_DOUBLE_EQ(number("金额"), 1.25);
  EXPECT_DOUBLE_EQ(number("运费"), 1.25);
  EXPECT_TRUE(got("一位").isNull());  // no closing brace: "A{1" names no field
  // A value that cannot be rounded is kept as it was.
  store({{"文本", "名称{2}"}}, {{"名称", text("螺丝")}});
  EXPECT_EQ(textOf("文本"), "螺丝");
}

TEST_F(Formula, TextsAreJoinedWithTheirBlanks) {
  store({{"文本", "名称＋(#s-)＋规格"}, {"备注", "名称＋(#S 件)"}},
        {{"名称", text("螺丝")}, {"规格", text("M3")}});
  EXPECT_EQ(textOf("文本"), "螺丝-M3");
  EXPECT_EQ(textOf("备注"), "螺丝 件");
  store({{"文本", "名称＋(#s-)＋规格"}}, {{"名称", text("螺丝")}});
  EXPECT_EQ(textOf("文本"), "螺丝-");
}

TEST_F(Formula, OperandsAreTakenExactlyAsWritten) {
  const FieldValues values{
      {"A", num(2)},    {"B", num(3)},    {"金额", num(9)},           {"运费", num(9)},
      {"单价", num(9)}, {"一位", num(9)}, {"整数", Value::integer(9)}};
  store({{"金额", "A ＋B"},
         {"运费", "A+B"},
         {"单价", "＋A"},
         {"一位", "(#s a＋b)"},
         {"整数", "a×B＋"}},
        values);
  EXPECT_TRUE(got("金额").isNull());
  EXPECT_TRUE(got("运费").isNull());
  EXPECT_TRUE(got("单价").isNull());
  EXPECT_TRUE(got("一位").isNull());
  EXPECT_DOUBLE_EQ(number("整数"), 6);  // field names ignore case; a trailing operator is dropped
  store({{"金额", "金额(元)"}}, values);
  EXPECT_DOUBLE_EQ(number("金额"), 0);
}

TEST_F(Formula, ConstantsAreReadByTheirMarkers) {
  store({{"单价", "(12.5)"},
         {"金额", "(#f 12.5)"},
         {"运费", "(#F-1e2)"},
         {"一位", "(12,5)"},
         {"A", "(12.5 )"},
         {"B", "x(#f1)y＋(.5)"}},
        {});
  EXPECT_DOUBLE_EQ(number("单价"), 12.5);
  EXPECT_DOUBLE_EQ(number("金额"), 12.5);
  EXPECT_DOUBLE_EQ(number("运费"), -100);
  EXPECT_DOUBLE_EQ(number("一位"), 0);
  EXPECT_DOUBLE_EQ(number("A"), 0);
  EXPECT_DOUBLE_EQ(number("B"), 1.5);

  store({{"日期", "(#d2024-02-28)＋(1)"}, {"金额", "(#t18:00:00)"}, {"文本", "(#t25:00)"}},
        {{"文本", text("x")}});
  EXPECT_EQ(tdb::formatDate(got("日期").doubleValue()), "2024-02-29");
  EXPECT_DOUBLE_EQ(number("金额"), 0.75);
  EXPECT_TRUE(got("文本").isNull());  // a time that does not convert is null
  store({{"日期", "(#dabc)"}}, {{"日期", Value::dateTime(45000)}});
  EXPECT_TRUE(got("日期").isNull());
}

TEST_F(Formula, LookupsFindTheirRecordIgnoringCase) {
  const QList<AuxiliaryTable> aux{lookupEntry("PRICE.DBF")};
  const QString price = tables.reference("PRICE.DBF", "价");
  const QString name = tables.reference("PRICE.DBF", "名");
  store({{"运费", price}, {"文本", name + "＋(#s/)"}, {"名称", name + "＋" + price}},
        {{"键", text("PEAR")}}, aux);
  EXPECT_DOUBLE_EQ(number("运费"), 2.5);
  EXPECT_EQ(textOf("文本"), "梨/");
  EXPECT_TRUE(got("名称").isNull());  // a text and a number are added as numbers
  EXPECT_TRUE(questions.isEmpty());

  // No record found: what reads the table is cleared, the rest is worked out.
  store({{"运费", price}, {"A", "(1)"}}, {{"键", text("kiwi")}, {"运费", num(9)}}, aux);
  EXPECT_TRUE(got("运费").isNull());
  EXPECT_DOUBLE_EQ(number("A"), 1);

  // A table in no relation is read where it stands: its first record.
  store({{"运费", price}}, {{"键", text("Pear")}}, {tables.entry("PRICE.DBF")});
  EXPECT_DOUBLE_EQ(number("运费"), 1.5);

  // The first entry of that name is read; an entry that is not among them names nothing.
  store({{"运费", price}, {"A", tables.reference("NONE.DBF", "价")}, {"B", "[PRICE.DBF]价"}},
        {{"键", text("Pear")}, {"A", num(9)}, {"B", num(9)}},
        {lookupEntry("PRICE.DBF"), lookupEntry("PRICE.DBF", "键->名称")});
  EXPECT_DOUBLE_EQ(number("运费"), 2.5);
  EXPECT_TRUE(got("A").isNull());
  EXPECT_TRUE(got("B").isNull());
}

TEST_F(Formula, EachLookupEntryAndTheLastEntryGiveAPass) {
  const AuxiliaryTable lookup = lookupEntry("PRICE.DBF");
  const AuxiliaryTable plain = tables.entry("OTHER.DBF");
  const AuxiliaryTable noMaster = lookupEntry("OTHER.DBF", "键->");
  const AuxiliaryTable noKey = lookupEntry("OTHER.DBF", "->键");
  const struct {
    QList<AuxiliaryTable> aux;
    int passes;
  } cases[] = {
      {{}, 1},
      {{plain}, 1},
      {{plain, plain}, 1},
      {{lookup, lookup}, 2},
      {{lookup, lookup, plain}, 3},
      {{plain, lookup}, 1},
      {{lookup, plain, plain}, 2},
      {{noMaster, noKey, lookup}, 1},
      {{tables.entry("PRICE.DBF", kIndexRelation, "键->键")}, 1},
  };
  for (const auto& c : cases) {
    store({{"A", "A＋(1)"}}, {{"A", num(10)}, {"键", text("apple")}}, c.aux);
    EXPECT_DOUBLE_EQ(number("A"), 10 + c.passes) << c.aux.size();
  }
}

TEST_F(Formula, ALaterPassSeesWhatAnEarlierOneStored) {
  // OTHER is looked up by the name the first pass took from PRICE.
  const AuxiliaryTable byKey = lookupEntry("PRICE.DBF");
  const AuxiliaryTable byName = lookupEntry("OTHER.DBF", "名->文本");
  const QList<FieldFormula> formulas{{"文本", tables.reference("PRICE.DBF", "名")},
                                     {"运费", tables.reference("OTHER.DBF", "价")}};
  store(formulas, {{"键", text("pear")}}, {byKey, byName});
  EXPECT_EQ(textOf("文本"), "梨");
  EXPECT_DOUBLE_EQ(number("运费"), 2.5);
  // The other way round OTHER is looked up before the name is there: nothing found.
  store(formulas, {{"键", text("pear")}}, {byName, byKey});
  EXPECT_EQ(textOf("文本"), "梨");
  EXPECT_TRUE(got("运费").isNull());
}

TEST_F(Formula, ALookupErrorAsksWhetherToGoOn) {
  const AuxiliaryTable broken = lookupEntry("PRICE.DBF", "键->没有");
  const QList<FieldFormula> formulas{{"A", "A＋(1)"},
                                     {"运费", tables.reference("PRICE.DBF", "价")}};
  const FieldValues values{{"A", num(0)}, {"键", text("apple")}, {"运费", num(9)}};

  answer = true;
  store(formulas, values, {broken, lookupEntry("OTHER.DBF")});
  EXPECT_EQ(questions,
            QStringList{"[" + tables.database() + "]PRICE.DBF查找关系数据类型错误!\r继续计算吗?"});
  EXPECT_DOUBLE_EQ(number("A"), 2);
  EXPECT_TRUE(got("运费").isNull());  // its lookup failed: the table is not read
  EXPECT_FALSE(evaluator->recalcStop());

  // No: the record is stored as it stands, without a pass, and the walk is told to stop.
  answer = false;
  questions.clear();
  store(formulas, values, {broken, lookupEntry("OTHER.DBF")});
  EXPECT_EQ(questions.size(), 1);
  EXPECT_DOUBLE_EQ(number("A"), 0);
  EXPECT_DOUBLE_EQ(number("运费"), 9);
  EXPECT_TRUE(evaluator->recalcStop());
  evaluator->clearRecalcStop();
  EXPECT_FALSE(evaluator->recalcStop());

  // A multi-field key, a table that did not open, and a question that fails are errors too.
  answer = true;
  questions.clear();
  store(formulas, values, {lookupEntry("PRICE.DBF", "键;名->键")});
  EXPECT_EQ(questions.size(), 1);
  questions.clear();
  throwFromQuestion = true;
  store(formulas, values, {lookupEntry("PRICE.DBF")});
  auxOpen[0]->close();
  EXPECT_NO_THROW({
    master->append();
    master->post();
  });
  EXPECT_EQ(questions.size(), 1);
  EXPECT_TRUE(evaluator->recalcStop());
}

TEST_F(Formula, NoValueThatIsNotFiniteIsEverStored) {
  const FieldValues values{{"A", num(5)},    {"B", num(0)},    {"金额", num(9)},
                           {"运费", num(9)}, {"单价", num(9)}, {"一位", num(9)}};
  store({{"金额", "(1e308)×(1e308)"},
         {"运费", "(1e308)＋(1e308)"},
         {"单价", "A÷B"},
         {"一位", "(1e17)×(1000)"},
         {"整数", "(1e300)"},
         {"A", "(1e999)"}},
        values);
  for (const char* f : {"金额", "运费", "单价", "一位", "整数"}) EXPECT_TRUE(got(f).isNull()) << f;
  EXPECT_DOUBLE_EQ(number("A"), 0);  // a number beyond a double's range does not convert

  // Nor one that a field's own conversion would make of a text.
  store({{"金额", "名称"}, {"运费", "(#s-1e999)"}}, {{"名称", text("1e999")}, {"金额", num(9)}});
  EXPECT_TRUE(got("金额").isNull());
  EXPECT_TRUE(got("运费").isNull());

  // A rounding scale that is no positive finite number makes × and ÷ fail, never divide by 0.
  for (const double scale : {0.0, -100.0, std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity()}) {
    store({{"金额", "A×B"}, {"运费", "A÷B"}, {"单价", "A＋B"}},
          {{"A", num(6)}, {"B", num(2)}, {"金额", num(9)}, {"运费", num(9)}}, {}, scale);
    EXPECT_TRUE(got("金额").isNull()) << scale;
    EXPECT_TRUE(got("运费").isNull()) << scale;
    EXPECT_DOUBLE_EQ(number("单价"), 8) << scale;
  }
}

TEST_F(Formula, AMemoJoinedToItselfStopsGrowingAt16MB) {
  const FieldValues values{{"备注", Value::text(std::string(1 << 20, 'x'))}};
  store({{"备注", "备注＋备注＋备注＋备注＋备注"}}, values);  // 1, 2, 4, 8, 16 MB
  EXPECT_EQ(got("备注").textValue().size(), size_t{16} << 20);
  store({{"备注", "备注＋备注＋备注＋备注＋备注＋备注"}}, values);  // 32 MB: the step fails
  EXPECT_TRUE(got("备注").isNull());
}

TEST_F(Formula, DatesAndMemosTakeTheirSteps) {
  store({{"日期", "日期＋(#f31)"}, {"备注", "(#s第)＋数量＋(#s件)"}},
        {{"日期", Value::dateTime(tdb::encodeDate(2024, 1, 31))}, {"数量", Value::integer(3)}});
  EXPECT_EQ(tdb::formatDate(got("日期").doubleValue()), "2024-03-02");
  EXPECT_TRUE(got("备注").isNull());  // a memo is no text field: 第 + 3 is added as numbers
}

}  // namespace
}  // namespace torvanel
