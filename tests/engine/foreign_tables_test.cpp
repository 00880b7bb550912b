// Tables as map and statistics programs write them: numbers with more digits than their fields
// declare or than a double keeps, fields wider and more numerous than dBASE programs make. What
// the engine reads, it copies without change.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine_error.h"
#include "engine/table.h"
#include "tests/engine/table_fixture.h"

namespace tdb::test {
namespace {

std::string storedText(const std::string& table, int headerLength, int recordLength, int record,
                       int offset, int length) {
  return table.substr(headerLength + (record - 1) * recordLength + offset, length);
}

// The source's bytes, field for field, survive a copy and an append into fields defined alike;
// a field defined otherwise gets the value converted to its definition.
TEST(ForeignTables, NumbersKeepEveryDigitTheyStore) {
  TempDir dir;
  const std::vector<RawField> fields = {
      {"AREA", 'N', 12, 3}, {"X", 'N', 24, 15}, {"COUNT", 'N', 10, 0}, {"NAME", 'C', 6, 0}};
  dir.write("shapes.dbf", rawDbaseTable(fields, {{"0.1111049", "4661501.766455792", "2.5", "a"},
                                                 {"-1.5", "-0.000000000000001", "7", "b"},
                                                 {"", "", "", "c"}}));
  Table source;
  point(source, dir, "shapes.dbf");
  source.open();
  std::string digits;
  ASSERT_TRUE(source.fieldByName("AREA").storedNumber(digits));
  EXPECT_EQ(digits, "0.1111049");
  ASSERT_TRUE(source.fieldByName("X").storedNumber(digits));
  EXPECT_EQ(digits, "4661501.766455792");
  ASSERT_TRUE(source.fieldByName("COUNT").storedNumber(digits));
  EXPECT_EQ(digits, "2.5");  // a careless writer's decimals in a field without any
  EXPECT_FALSE(source.fieldByName("NAME").storedNumber(digits));
  source.last();
  EXPECT_FALSE(source.fieldByName("AREA").storedNumber(digits));  // blank

  Table copy;
  point(copy, dir, "copy.dbf");
  copy.batchMove(source, BatchMode::batCopy);
  copy.close();
  const int header = 32 + 4 * 32 + 1, record = 1 + 12 + 24 + 10 + 6;
  const std::string from = dir.read("shapes.dbf"), to = dir.read("copy.dbf");
  for (int r = 1; r <= 3; ++r)
    EXPECT_EQ(storedText(to, header, record, r, 1, record - 1),
              storedText(from, header, record, r, 1, record - 1))
        << "record " << r;

  // Appending into a table whose AREA keeps two decimals rounds; the rest is carried.
  Table other;
  point(other, dir, "other.dbf");
  other.fieldDefs().add({"AREA", FieldType::ftFloat, 12, 2, false});
  other.fieldDefs().add({"X", FieldType::ftFloat, 24, 15, false});
  other.createTable();
  other.batchMove(source, BatchMode::batAppend);
  other.open();
  ASSERT_TRUE(other.fieldByName("AREA").storedNumber(digits));
  EXPECT_EQ(digits, "0.11");
  ASSERT_TRUE(other.fieldByName("X").storedNumber(digits));
  EXPECT_EQ(digits, "4661501.766455792");
  other.next();
  ASSERT_TRUE(other.fieldByName("X").storedNumber(digits));
  EXPECT_EQ(digits, "-0.000000000000001");
}

// The limits are the formats' own: numbers up to 32 wide, 1024 dBASE fields, 255 FoxPro ones.
TEST(ForeignTables, WideNumbersAndManyFieldsCopyWhereTheFormatHoldsThem) {
  TempDir dir;
  std::vector<RawField> many;
  std::vector<std::string> values;
  for (int i = 1; i <= 300; ++i) {
    many.push_back({"F" + std::to_string(i), 'N', i == 300 ? 32 : 8, 2});
    values.push_back(std::to_string(i) + ".25");
  }
  dir.write("wide.dbf", rawDbaseTable(many, {values}));
  Table source;
  point(source, dir, "wide.dbf");
  Table copy;
  point(copy, dir, "copy.dbf");
  copy.batchMove(source, BatchMode::batCopy);
  ASSERT_EQ(copy.fieldCount(), 300);
  EXPECT_EQ(copy.fieldDefs()[299].size, 32);
  EXPECT_EQ(copy.fieldByName("F300").asString(), "300.25");
  EXPECT_EQ(dir.read("copy.dbf")[0], '\x03');  // the layout every reader knows

  auto refused = [&](TableType type, const FieldDefs& defs, const std::string& limit) {
    Table t;
    point(t, dir, "refused.dbf", type);
    t.fieldDefs() = defs;
    try {
      t.createTable();
      ADD_FAILURE() << "created, expected a refusal naming " << limit;
    } catch (const EngineError& e) {
      EXPECT_NE(std::string(e.what()).find(limit), std::string::npos) << e.what();
    }
  };
  refused(TableType::ttFoxPro, copy.fieldDefs(), "FoxPro表最多255个字段");
  FieldDefs tooMany;
  for (int i = 1; i <= 1025; ++i) tooMany.add("F" + std::to_string(i), FieldType::ftSmallint);
  refused(TableType::ttDBase, tooMany, "dBASE表最多1024个字段");
  FieldDefs tooWide;
  tooWide.add({"X", FieldType::ftFloat, 33, 15, false});
  refused(TableType::ttDBase, tooWide, "最宽的32位");
}

}  // namespace
}  // namespace tdb::test
