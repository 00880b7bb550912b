// The structure designer's logic without its window: grid rows to field definitions, the index
// panel's work on the definitions, the type a new table is made as, the question about losses.

#include <gtest/gtest.h>

#include "app/common/gbk_string.h"
#include "app/tools/designer_rows.h"
#include "app/tools/designer_table_type.h"
#include "app/tools/index_definitions.h"
#include "app/tools/structure_messages.h"
#include "engine/restructure.h"

namespace torvanel {
namespace {

using FT = tdb::FieldType;

const QString kSameName = QStringLiteral("可能有相同字段名，不能生成表结构，请检查!");

const FieldTypeChoice& choice(const char* caption) {
  for (const FieldTypeChoice& c : fieldTypeChoices())
    if (QString::fromUtf8(c.caption) == QString::fromUtf8(caption)) return c;
  throw std::logic_error("no such type");
}

tdb::FieldDefs defsOf(const std::vector<DesignerRow>& rows) {
  auto out = fieldDefsOf(rows);
  if (auto* refused = std::get_if<RowsRefused>(&out))
    ADD_FAILURE() << refused->message.toStdString();
  return std::get_if<tdb::FieldDefs>(&out) ? std::get<tdb::FieldDefs>(out) : tdb::FieldDefs{};
}

QString refusalOf(const std::vector<DesignerRow>& rows) {
  auto out = fieldDefsOf(rows);
  auto* refused = std::get_if<RowsRefused>(&out);
  return refused ? refused->message : QString();
}

DesignerRow picked(const QString& name, const char* caption) {
  DesignerRow r;
  r.name = name;
  r.pickType(choice(caption));
  return r;
}

TEST(DesignerRows, ALoadedRowLeftAloneKeepsItsExactDefinitionAndARenameKeepsItToo) {
  const tdb::FieldDef price{"PRICE", FT::ftFloat, 10, 2, true};
  const tdb::FieldDef money{"PAY", FT::ftCurrency, 20, 4, false};
  DesignerRow renamed = DesignerRow::fromField(price, QStringLiteral("PRICE"));
  EXPECT_EQ(renamed.width, QStringLiteral("10"));
  renamed.name = QStringLiteral("COST");
  DesignerRow other = DesignerRow::fromField(money, QStringLiteral("PAY"));
  EXPECT_EQ(shownTypeName(other.type), QStringLiteral("其他"));
  EXPECT_EQ(shownTypeName(FT::ftFloat), QStringLiteral("实数"));

  const tdb::FieldDefs defs = defsOf({renamed, other});
  ASSERT_EQ(defs.count(), 2);
  EXPECT_EQ(defs[0].name, "COST");
  EXPECT_EQ(defs[0].type, FT::ftFloat);
  EXPECT_EQ(defs[0].size, 10);
  EXPECT_EQ(defs[0].precision, 2);
  EXPECT_TRUE(defs[0].required);
  EXPECT_EQ(defs[1].type, FT::ftCurrency);
  EXPECT_EQ(defs[1].size, 20);
  EXPECT_EQ(defs[1].precision, 4);
}

TEST(DesignerRows, APickedTypeStartsAfreshAndATypedWidthIsTheSize) {
  DesignerRow row = DesignerRow::fromField({"PRICE", FT::ftFloat, 10, 2, false}, "PRICE");
  EXPECT_FALSE(row.widthTypable());
  row.pickType(choice("字符"));
  EXPECT_EQ(row.width, QStringLiteral("10"));
  EXPECT_TRUE(row.widthTypable());
  row.width = QStringLiteral("24");
  DesignerRow note = DesignerRow::fromField({"NOTE", FT::ftString, 30, 0, false}, "NOTE");
  note.width = QStringLiteral("12");
  DesignerRow real = picked(QStringLiteral("AMOUNT"), "实数");
  EXPECT_TRUE(real.width.isEmpty());
  DesignerRow junk = picked(QStringLiteral("CODE"), "字符");
  junk.width = QStringLiteral("abc");

  const tdb::FieldDefs defs = defsOf({row, note, real, junk});
  ASSERT_EQ(defs.count(), 4);
  EXPECT_EQ(defs[0].type, FT::ftString);
  EXPECT_EQ(defs[0].size, 24);
  EXPECT_EQ(defs[0].precision, 0);
  EXPECT_EQ(defs[1].size, 12);
  EXPECT_EQ(defs[2].type, FT::ftFloat);
  EXPECT_EQ(defs[2].size, 0);
  EXPECT_EQ(defs[3].size, 0);  // not a number: left to the format's check
}

TEST(DesignerRows, EmptyDuplicateAndUnencodableNamesAreRefused) {
  const DesignerRow name = picked(QStringLiteral("NAME"), "字符");
  EXPECT_EQ(refusalOf({name, DesignerRow{}}), kSameName);  // a blank trailing row
  EXPECT_EQ(refusalOf({name, picked(QStringLiteral("name"), "日期")}), kSameName);
  const QString emoji = refusalOf({picked(QStringLiteral("A🦊"), "字符")});
  EXPECT_TRUE(emoji.startsWith(QStringLiteral("字段类型或索引可能不适合此表,请修改!\n")))
      << emoji.toStdString();
  // A row without a type passes here: the format's check refuses it with its reason.
  DesignerRow untyped;
  untyped.name = QStringLiteral("X");
  EXPECT_TRUE(refusalOf({untyped}).isEmpty());
  const tdb::FieldDefs chinese = defsOf({picked(QStringLiteral("客户名"), "字符")});
  EXPECT_EQ(chinese[0].name, gbkText(QStringLiteral("客户名")));
}

tdb::IndexDef plain(const char* name, const char* fields, unsigned options = 0) {
  return {name, fields, "", options};
}

TEST(IndexDefinitions, UnnamedIndexesAreNamedByTheirPlaceAndPrimaryKeysListAsPRIMINDEX) {
  EXPECT_EQ(listedIndexName(plain("  ", "ID", tdb::ixPrimary)), QStringLiteral("PRIMINDEX"));
  std::vector<tdb::IndexDef> defs{plain("A", "NAME"), plain("B", "CITY")};
  EXPECT_TRUE(applyIndexPanel(defs, -1, {QStringLiteral(" "), {"NAME", "CITY"}, 0}).isEmpty());
  ASSERT_EQ(defs.size(), 3u);
  EXPECT_EQ(defs[2].name, "Index2");
  EXPECT_EQ(defs[2].fields, "NAME;CITY");
  EXPECT_TRUE(
      applyIndexPanel(defs, -1, {QString(), {"CITY"}, tdb::ixPrimary | tdb::ixUnique}).isEmpty());
  EXPECT_EQ(defs[3].name, "Primindex3");
  EXPECT_EQ(defs[3].options, unsigned(tdb::ixPrimary | tdb::ixUnique));
  // Changing the second with its name blanked names it by its own place.
  EXPECT_TRUE(applyIndexPanel(defs, 1, {QString(), {"CITY"}, tdb::ixDescending}).isEmpty());
  EXPECT_EQ(defs[1].name, "Index1");
  EXPECT_EQ(defs[1].options, unsigned(tdb::ixDescending));
}

TEST(IndexDefinitions, ADuplicateNameIsRefusedWithoutCaseAndChangesNothing) {
  std::vector<tdb::IndexDef> defs{plain("BYNAME", "NAME"), plain("BYCITY", "CITY")};
  const auto before = defs;
  EXPECT_EQ(applyIndexPanel(defs, -1, {QStringLiteral("byname"), {"CITY"}, 0}),
            QStringLiteral("索引名重复 'byname'"));
  EXPECT_EQ(applyIndexPanel(defs, 1, {QStringLiteral("ByName"), {"CITY"}, 0}),
            QStringLiteral("索引名重复 'ByName'"));
  ASSERT_EQ(defs.size(), before.size());
  EXPECT_EQ(defs[1].name, "BYCITY");
  // An index keeps its own name when changed.
  EXPECT_TRUE(applyIndexPanel(defs, 1, {QStringLiteral("BYCITY"), {"CITY", "NAME"}, 0}).isEmpty());
  EXPECT_EQ(defs[1].fields, "CITY;NAME");
}

TEST(IndexDefinitions, AnEmptyKeyRemovesTheChosenIndexAndAnExpressionKeepsItsText) {
  std::vector<tdb::IndexDef> defs{plain("A", "NAME"), {"E", "", "UPPER(NAME)", tdb::ixExpression}};
  EXPECT_EQ(indexKeyFields(defs[1]), QStringList{QStringLiteral("UPPER(NAME)")});
  EXPECT_EQ(indexKeyFields(plain("K", "A;B")), (QStringList{"A", "B"}));
  EXPECT_TRUE(applyIndexPanel(defs, -1, {QStringLiteral("N"), {}, 0}).isEmpty());
  EXPECT_EQ(defs.size(), 2u);
  EXPECT_TRUE(
      applyIndexPanel(defs, 1, {QStringLiteral("E"), {"CITY+NAME"}, tdb::ixExpression}).isEmpty());
  EXPECT_EQ(defs[1].expression, "CITY+NAME");
  EXPECT_TRUE(defs[1].fields.empty());
  EXPECT_TRUE(applyIndexPanel(defs, 0, {QStringLiteral("A"), {}, 0}).isEmpty());
  ASSERT_EQ(defs.size(), 1u);
  EXPECT_EQ(defs[0].name, "E");
}

TEST(StructureDesigner, ANewDbfTakesTheDefaultTypeAndOtherNamesTheirExtension) {
  EXPECT_EQ(newTableType(QStringLiteral("a.dbf"), tdb::TableType::ttFoxPro),
            tdb::TableType::ttFoxPro);
  EXPECT_EQ(newTableType(QStringLiteral("A.DBF"), tdb::TableType::ttDBase),
            tdb::TableType::ttDBase);
  EXPECT_EQ(newTableType(QStringLiteral("a.db"), tdb::TableType::ttFoxPro),
            tdb::TableType::ttDefault);
  EXPECT_EQ(newTableType(QStringLiteral("a.dbf.txt"), tdb::TableType::ttFoxPro),
            tdb::TableType::ttDefault);
}

TEST(StructureDesigner, TheLossQuestionCountsOnlyWhatIsLost) {
  tdb::CarryLosses losses;
  losses.cleared = 3;
  losses.dropped = 12;
  const QString q = lossQuestion(losses);
  EXPECT_TRUE(q.contains(QStringLiteral("3个值")));
  EXPECT_TRUE(q.contains(QStringLiteral("12个值")));
  EXPECT_FALSE(q.contains(QStringLiteral("截短")));
}

}  // namespace
}  // namespace torvanel
