// Text tables through the cursor: the driver's records as a user meets them.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/table.h"
#include "tests/engine/table_fixture.h"

namespace tdb::test {
namespace {

TEST(TextTable, CursorCreatesEditsFiltersAndReopens) {
  TempDir dir;
  Table t;
  point(t, dir, "goods");  // no extension: the type gives .TXT
  t.setTableType(TableType::ttASCII);
  t.fieldDefs().add("NAME", FieldType::ftString, 12);
  t.fieldDefs().add({"PRICE", FieldType::ftFloat, 8, 2, false});
  t.fieldDefs().add("DAY", FieldType::ftDate);
  t.createTable();
  EXPECT_EQ(t.driverTypeName(), "ASCIIDRV");
  t.open();
  for (auto [name, price] : {std::pair{"苹果", 3.5}, {"梨", 2.25}, {"香蕉,进口", 8.0}}) {
    t.append();
    t.fieldByName("NAME").setAsString(gbk(name));
    t.fieldByName("PRICE").setValue(Value::number(price));
    t.fieldByName("DAY").setValue(Value::dateTime(encodeDate(2024, 3, 1)));
    t.post();
  }
  t.first();
  t.next();
  t.deleteRecord();
  t.setFilter("PRICE > 3");
  t.setFiltered(true);
  EXPECT_EQ(t.recordCount(), 2);
  t.setFiltered(false);
  ASSERT_TRUE(t.locate("NAME", Value::text(gbk("香蕉,进口"))));
  t.edit();
  t.fieldByName("PRICE").setValue(Value::number(9.5));
  t.post();
  t.close();

  // What another program finds: a schema and quoted GBK text, the deleted record gone.
  EXPECT_NE(dir.read("goods.SCH").find("FILETYPE"), std::string::npos);
  const std::string text = dir.read("goods.TXT");
  EXPECT_NE(text.find(gbk("\"香蕉,进口\"")), std::string::npos) << text;
  EXPECT_EQ(text.find(gbk("梨")), std::string::npos) << text;

  const std::string lockFile = dir.file("goods.TXT.tdb-lock");
  EXPECT_FALSE(std::filesystem::exists(lockFile));  // a closed table leaves nothing behind
  Table again, other;
  point(again, dir, "goods.TXT");  // ttDefault: the extension picks the driver
  point(other, dir, "goods.TXT");
  again.open();
  other.open();
  other.close();
  EXPECT_TRUE(std::filesystem::exists(lockFile));  // still held by `again`
  Table alone;
  point(alone, dir, "goods.TXT");
  alone.setExclusive(true);
  EXPECT_THROW(alone.open(), EngineError);
  EXPECT_EQ(again.recordCount(), 2);
  again.last();
  EXPECT_EQ(again.fieldByName("PRICE").asNumber(), 9.5);
  EXPECT_THROW(again.setIndexFieldNames("NAME"), EngineError);  // text tables have no indexes
  EXPECT_THROW(again.setCachedUpdates(true), EngineError);      // nor a lasting record identity
  EXPECT_FALSE(again.cachedUpdates());
  again.close();

  Table indexed;
  point(indexed, dir, "other.txt");
  indexed.fieldDefs().add("NAME", FieldType::ftString, 4);
  indexed.indexDefs().add({"NAME", "NAME", "", 0});
  EXPECT_THROW(indexed.createTable(), EngineError);
}

}  // namespace
}  // namespace tdb::test
