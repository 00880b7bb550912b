// A whole record read in one call gives what reading its fields one by one gives, whatever the
// values held by the vector it reuses.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/table.h"
#include "tests/engine/table_fixture.h"

namespace tdb {
namespace {

using test::gbk;
using test::point;
using test::TempDir;

// Walks the table comparing readValues() into one reused vector with field(i).value().
void expectSameAsFieldReads(Table& t, int expectedRecords) {
  std::vector<Value> values;
  int records = 0;
  for (t.first(); !t.eof(); t.next(), ++records) {
    t.readValues(values);
    ASSERT_EQ(values.size(), static_cast<size_t>(t.fieldCount()));
    for (int i = 0; i < t.fieldCount(); ++i)
      EXPECT_EQ(values[i], t.field(i).value()) << "record " << t.recNo() << ", field " << i;
  }
  EXPECT_EQ(records, expectedRecords);
}

// Text that grows, shrinks, turns blank and comes back, next to bytes and memos of every length,
// so that a value reused from the record before shows if any of it survives.
TEST(RecordValues, OneCallReadsWhatFieldReadsGiveInEveryFormat) {
  for (TableType type :
       {TableType::ttDBase, TableType::ttFoxPro, TableType::ttParadox, TableType::ttASCII}) {
    TempDir dir;
    Table t;
    const bool text = type == TableType::ttASCII;
    point(t, dir, type == TableType::ttParadox ? "v.db" : text ? "v.txt" : "v.dbf", type);
    t.fieldDefs().add("NAME", FieldType::ftString, 24);
    t.fieldDefs().add("PRICE", FieldType::ftFloat);
    t.fieldDefs().add("DAY", FieldType::ftDate);
    if (!text) {
      t.fieldDefs().add("OK", FieldType::ftBoolean);
      t.fieldDefs().add("NOTE", FieldType::ftMemo);
      t.fieldDefs().add("PIC", FieldType::ftGraphic);
    }
    t.createTable();
    t.open();
    const std::vector<std::string> names = {gbk("张三丰和他的徒弟们"), "a", "", "xyz ",
                                            std::string(24, 'w')};
    for (int i = 0; i < 12; ++i) {
      t.append();
      const std::string& name = names[i % names.size()];
      if (!name.empty()) t.fieldByName("NAME").setValue(Value::text(name));
      if (i % 3 != 1) t.fieldByName("PRICE").setValue(Value::number(i * 1.25 - 3));
      if (i % 4 != 2) t.fieldByName("DAY").setAsString("2024-02-" + std::to_string(10 + i));
      if (!text) {
        if (i % 2 == 0) t.fieldByName("OK").setValue(Value::boolean(i % 4 == 0));
        if (i % 3 == 0)
          t.fieldByName("NOTE").setValue(Value::text(gbk("备注") + std::string(i * 300, 'm')));
        if (i % 5 == 1)
          t.fieldByName("PIC").setValue(Value::bytes(std::string("\x00\x01\xFFpic", 6)));
      }
      t.post();
    }
    t.close();

    t.open();
    expectSameAsFieldReads(t, 12);
    t.close();
  }
}

// While a record is in hand, its values are what the user set, memos not yet written included.
TEST(RecordValues, TheRecordInHandShowsItsChanges) {
  std::vector<Value> values;
  TempDir dir;
  test::makeSample(dir, "s.dbf", 4);
  Table t;
  point(t, dir, "s.dbf");
  t.open();
  t.readValues(values);  // the first record, a vector to reuse
  t.next();
  t.edit();
  t.fieldByName("NAME").setValue(Value::text(gbk("改过的名字")));
  t.fieldByName("NOTE").setValue(Value::text("pending memo"));
  t.readValues(values);
  EXPECT_EQ(values[0], Value::text(gbk("改过的名字")));
  EXPECT_EQ(values[5], Value::text("pending memo"));
  EXPECT_EQ(values[3], t.fieldByName("DAY").value());
  t.cancel();
  t.readValues(values);
  EXPECT_EQ(values[0], Value::text("R2"));
  EXPECT_TRUE(values[5].isNull());

  t.append();  // a blank new record: every value null
  t.readValues(values);
  for (const Value& v : values) EXPECT_TRUE(v.isNull());
}

}  // namespace
}  // namespace tdb
