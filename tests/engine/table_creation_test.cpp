// A table created as defined: number widths and decimals kept, and a Paradox table replaced whole,
// never while somebody has it open, without the old one's index and blob files.

#include <gtest/gtest.h>

#include "engine/drivers.h"
#include "engine/engine_error.h"
#include "engine/table.h"
#include "tests/engine/child_process.h"
#include "tests/engine/folder_snapshot.h"
#include "tests/engine/restructure_fixture.h"

namespace tdb {
namespace {

using test::FolderSnapshot;
using test::TempDir;

TEST(TableCreation, NumberFieldsKeepTheirWidthAndDecimals) {
  for (const TableType type : {TableType::ttDBase, TableType::ttFoxPro}) {
    SCOPED_TRACE(int(type));
    TempDir dir;
    const std::vector<FieldDef> asked = {
        {"PRICE", FieldType::ftFloat, 10, 2, false},    // N(10,2)
        {"WIDEST", FieldType::ftFloat, 32, 4, false},   // as wide as the format goes
        {"COUNT", FieldType::ftInteger, 10, 0, false},  // N(10,0), not the usual N(11,0)
        {"SMALL", FieldType::ftSmallint, 3, 0, false}, {"BIG", FieldType::ftLargeint, 15, 0, false},
    };
    Table t;
    test::point(t, dir, "N.DBF", type);
    for (const FieldDef& d : asked) t.fieldDefs().add(d);
    t.createTable();
    t.open();
    t.append();
    t.fieldByName("PRICE").setValue(Value::number(1979.75));
    t.fieldByName("WIDEST").setAsString("-12345678901.1234");
    t.fieldByName("COUNT").setValue(Value::integer(1234567890));
    t.post();
    t.close();
    t.open();
    for (int i = 0; i < t.fieldCount(); ++i) {
      SCOPED_TRACE(asked[i].name);
      EXPECT_EQ(t.fieldDefs()[i].type, asked[i].type);
      EXPECT_EQ(t.fieldDefs()[i].size, asked[i].size);
      EXPECT_EQ(t.fieldDefs()[i].precision, asked[i].precision);
    }
    EXPECT_EQ(t.fieldByName("PRICE").asString(), "1979.75");
    std::string stored;
    ASSERT_TRUE(t.fieldByName("WIDEST").storedNumber(stored));
    EXPECT_EQ(stored, "-12345678901.1234");
    EXPECT_EQ(t.fieldByName("COUNT").asString(), "1234567890");
  }
}

TEST(TableCreation, AParadoxTableInUseIsNotReplaced) {
  TempDir dir;
  test::makeStock(dir, "S.DB", TableType::ttParadox);
  const FolderSnapshot before(dir.path());
  Table holder;
  test::point(holder, dir, "S.DB");
  holder.open();
  FieldDefs fields;
  fields.add("A", FieldType::ftString, 4);
  try {
    drivers::create(dir.file("S.DB"), TableType::ttDefault, fields, {});
    FAIL() << "replaced a table in use";
  } catch (const EngineError& e) {
    EXPECT_NE(std::string(e.what()).find("正在被使用"), std::string::npos) << e.what();
  }
  holder.close();
  const FolderSnapshot after(dir.path());
  EXPECT_TRUE(after == before) << after.changesSince(before);
}

TEST(TableCreation, AReplacedParadoxTableTakesItsOldIndexAndBlobFilesWithIt) {
  TempDir dir;
  test::makeStock(dir, "S.DB", TableType::ttParadox);
  EXPECT_EQ(test::filesIn(dir),
            (std::vector<std::string>{"S.DB", "S.MB", "S.PX", "S.X02", "S.Y02"}));
  FieldDefs fields;
  fields.add("NAME", FieldType::ftString, 4);
  fields.add("PRICE", FieldType::ftFloat);
  drivers::create(dir.file("S.DB"), TableType::ttDefault, fields, {});
  EXPECT_EQ(test::filesIn(dir), (std::vector<std::string>{"S.DB"}));
  Table t;
  test::point(t, dir, "S.DB");
  t.open();  // no stale index beside it to refuse it
  EXPECT_EQ(t.recordCount(), 0);
  EXPECT_EQ(t.indexDefs().count(), 0);
}

}  // namespace
}  // namespace tdb
