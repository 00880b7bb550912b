// A table rebuilt with a new structure: records carried over by name and type, losses counted,
// the backup beside it, its own format kept, and the original untouched until the swap.

#include "engine/restructure.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/engine_error.h"
#include "engine/table.h"
#include "tests/engine/folder_snapshot.h"
#include "tests/engine/restructure_fixture.h"

namespace tdb {
namespace {

namespace fs = std::filesystem;
using test::FolderSnapshot;
using test::gbk;
using test::TempDir;

TEST(MatchFields, ByNameThenByTypeInFieldOrderAutoIncrementTakingNothing) {
  FieldDefs old;
  old.add("NAME", FieldType::ftString, 10);
  old.add("QTY", FieldType::ftInteger);
  old.add("CITY", FieldType::ftString, 10);
  old.add("ID", FieldType::ftAutoInc);
  old.add("NOTE", FieldType::ftMemo);
  FieldDefs fresh;
  fresh.add("ID", FieldType::ftAutoInc);           // numbered afresh: its old namesake goes nowhere
  fresh.add("FULLNAME", FieldType::ftString, 20);  // the first string not taken: NAME
  fresh.add("qty", FieldType::ftString, 5);        // by name, whatever its type
  fresh.add("TOWN", FieldType::ftString, 10);      // CITY, the next string
  fresh.add("OTHER", FieldType::ftString, 10);     // no string left
  fresh.add("NUM", FieldType::ftAutoInc);          // takes nothing, though ID is free by type
  fresh.add("MEMO", FieldType::ftMemo);
  EXPECT_EQ(matchFields(old, fresh), (std::vector<int>{-1, 0, 1, 2, -1, -1, 4}));
}

TEST(Restructure, RenamedRetypedAddedAndDroppedFieldsOfADbaseTable) {
  TempDir dir;
  test::makeStock(dir, "STOCK.DBF", TableType::ttDBase);
  const std::vector<std::string> old = test::dump(dir, "STOCK.DBF");
  FieldDefs fields;
  fields.add("FULLNAME", FieldType::ftString, 4);           // NAME's values, cut to 4
  fields.add({"PRICE", FieldType::ftFloat, 10, 2, false});  // kept as it was
  fields.add("QTY", FieldType::ftString, 6);                // numbers as text
  fields.add("CODE", FieldType::ftInteger);                 // text: numbers convert, words not
  fields.add("NOTE", FieldType::ftMemo);
  fields.add("CITY", FieldType::ftString, 8);  // new, nothing to take
  IndexDefs indexes;
  indexes.add({"BYNAME", "FULLNAME", "", ixDescending});
  indexes.add({"UP", "", "UPPER(CITY)+FULLNAME", ixExpression});
  Restructure r(dir.file("STOCK.DBF"), TableType::ttDefault, fields, indexes);
  r.backup(nullptr);
  long lastDone = -1, lastTotal = -1;
  const CarryLosses losses = r.build("PRICED", [&](long done, long total) {
    lastDone = done;
    lastTotal = total;
  });
  EXPECT_EQ(lastDone, 4);
  EXPECT_EQ(lastTotal, 4);
  // Three names cut to four, "abc" no number, and the four dates of DAY go.
  EXPECT_EQ(losses.shortened, 3);
  EXPECT_EQ(losses.cleared, 1);
  EXPECT_EQ(losses.dropped, 4);
  r.commit();

  // In the order of PRICED, as asked.
  EXPECT_EQ(test::dump(dir, "STOCK.DBF"),
            (std::vector<std::string>{"Bolt|0.1|-40||note two, longer|", "Dowe|2|0|-3||",
                                      "Anvi|1979.75|3|12|note one|", "Cran|12345.67|7|7||"}));
  Table t;
  test::point(t, dir, "STOCK.DBF");
  t.open();
  const FieldDef& price = t.fieldDefs()[1];
  EXPECT_EQ(price.size, 10);
  EXPECT_EQ(price.precision, 2);
  ASSERT_EQ(t.indexDefs().count(), 2);
  t.setIndexName("BYNAME");
  t.first();
  EXPECT_EQ(t.fieldByName("FULLNAME").asString(), "Dowe");
  t.setIndexName("UP");
  t.first();
  EXPECT_EQ(t.fieldByName("FULLNAME").asString(), "Anvi");
  t.close();
  // The backup holds the old structure, records and indexes.
  EXPECT_EQ(test::dump(dir, "修改结构备份.DBF"), old);
  Table backup;
  test::point(backup, dir, "修改结构备份.DBF");
  backup.open();
  ASSERT_EQ(backup.indexDefs().count(), 2);
  EXPECT_EQ(backup.indexDefs()[1].name, "PRICED");
  EXPECT_EQ(test::filesIn(dir),
            (std::vector<std::string>{"STOCK.DBF", "STOCK.DBT", "STOCK.MDX", "修改结构备份.DBF",
                                      "修改结构备份.DBT", "修改结构备份.MDX"}));
}

TEST(Restructure, EveryFormatKeepsItsOwnTypeAndFiles) {
  struct Kind {
    const char* table;
    TableType created, asked;
    std::vector<std::string> files;
  };
  const std::vector<Kind> kinds = {
      {"S.DBF", TableType::ttFoxPro, TableType::ttDBase, {"S.CDX", "S.DBF", "S.FPT"}},
      {"S.DBF", TableType::ttDBase, TableType::ttFoxPro, {"S.DBF", "S.DBT", "S.MDX"}},
      {"S.DB",
       TableType::ttParadox,
       TableType::ttDefault,
       {"S.DB", "S.MB", "S.PX", "S.X02", "S.Y02"}},
      {"S.TXT", TableType::ttASCII, TableType::ttDefault, {"S.SCH", "S.TXT"}},
  };
  for (const Kind& k : kinds) {
    SCOPED_TRACE(k.table + std::string(" ") + std::to_string(int(k.created)));
    TempDir dir;
    test::makeStock(dir, k.table, k.created);
    std::vector<std::string> rows = test::dump(dir, k.table, k.created);
    Table before;
    test::point(before, dir, k.table, k.created);
    before.open();
    FieldDefs fields = before.fieldDefs();
    IndexDefs indexes = before.indexDefs();
    before.close();
    fields.add("EXTRA", FieldType::ftString, 3);
    Restructure r(dir.file(k.table), k.asked, fields, indexes);
    EXPECT_EQ(r.type(), k.created);
    EXPECT_FALSE(r.build("", nullptr).any());
    r.commit();
    EXPECT_EQ(test::filesIn(dir), k.files);
    for (std::string& row : rows) row += "|";
    EXPECT_EQ(test::dump(dir, k.table, k.created), rows);
  }
}

// Numbered afresh, an auto-increment field loses the numbers it had: they count as values lost.
TEST(Restructure, AutoIncrementFieldsAreNumberedAfreshAndTheirOldNumbersCounted) {
  TempDir dir;
  {
    Table t;
    test::makeNumbered(t, dir, "A.DB", {"one", "two", "three"});
    t.first();
    t.deleteRecord();
  }
  FieldDefs fields;
  fields.add("ID", FieldType::ftAutoInc);
  fields.add("LABEL", FieldType::ftString, 8);
  Restructure r(dir.file("A.DB"), TableType::ttDefault, fields, {});
  const CarryLosses losses = r.build("", nullptr);
  EXPECT_EQ(losses.dropped, 2);
  EXPECT_EQ(losses.cleared + losses.shortened, 0);
  r.commit();
  EXPECT_EQ(test::dump(dir, "A.DB"), (std::vector<std::string>{"1|two", "2|three"}));
}

TEST(Restructure, ANewStructureTheFormatCannotHoldIsRefusedBeforeAnythingIsWritten) {
  TempDir dir;
  test::makeStock(dir, "STOCK.DBF", TableType::ttDBase);
  const FolderSnapshot before(dir.path());
  FieldDefs fields;
  fields.add(gbk("六个中文字段"), FieldType::ftString, 4);
  try {
    Restructure r(dir.file("STOCK.DBF"), TableType::ttDefault, fields, {});
    FAIL() << "refused nothing";
  } catch (const EngineError& e) {
    const std::string what = e.what();
    EXPECT_EQ(what.substr(0, what.find('\n')), "字段类型或索引可能不适合此表,请修改!");
    EXPECT_NE(what.find("超过10个字节"), std::string::npos) << what;
  }
  EXPECT_EQ(FolderSnapshot(dir.path()), before);
}

}  // namespace
}  // namespace tdb
