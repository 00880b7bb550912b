// Tables that python3-dbf writes, read by the engine: the same values, Chinese text and memos
// intact, blanks as nulls, deleted records invisible.

#include <gtest/gtest.h>

#include "engine/gbk_codec.h"
#include "tests/interop/interop_support.h"

namespace tdb::interop {
namespace {

using test::TempDir;

// A memo long enough to run over many blocks of any memo file layout.
std::string longMemo() {
  std::string memo;
  for (int i = 1; i <= 300; ++i) memo += "第" + std::to_string(i) + "段：汉字备注内容，\r\n";
  return memo;
}

struct Case {
  const char* flavor;  // python3-dbf's table type
  std::string specs;
  std::vector<std::string> fields;
  std::vector<FieldDef> expectedDefs;  // as the engine should see the structure
  std::vector<Record> records;
};

// `fox`: a FoxPro table, which adds a float field and a general (binary memo) field.
Case makeCase(const char* flavor, bool fox) {
  Case c;
  c.flavor = flavor;
  c.specs = "NAME C(20); QTY N(5,0); PRICE N(10,2); DAY D; OK L; NOTE M";
  c.fields = {"NAME", "QTY", "PRICE", "DAY", "OK", "NOTE"};
  c.expectedDefs = {
      {"NAME", FieldType::ftString, 20, 0, false}, {"QTY", FieldType::ftInteger, 5, 0, false},
      {"PRICE", FieldType::ftFloat, 10, 2, false}, {"DAY", FieldType::ftDate, 8, 0, false},
      {"OK", FieldType::ftBoolean, 1, 0, false},   {"NOTE", FieldType::ftMemo, 10, 0, false}};
  c.records = {
      {false,
       {"北京烤鸭店", "12", "1234567.89", "2024-02-29", "T", "第一行\r\n第二行：全角标点。"}},
      {false, {Text(), Text(), Text(), Text(), Text(), Text()}},  // every field blank
      {true, {"已删除的记录", "7", "1.5", "2001-09-09", "T", "删掉的备注"}},
      {false, {"ASCII 与中文", "-345", "-0.5", "1999-12-31", "F", longMemo()}},
      // A name that fills the field to its last byte; zeros are values, not blanks.
      {false, {"一二三四五六七八九十", "0", "0", "1900-01-01", "F", Text()}},
  };
  if (fox) {
    c.specs += "; RATE F(12,4); PIC G";
    c.fields.insert(c.fields.end(), {"RATE", "PIC"});
    c.expectedDefs.push_back({"RATE", FieldType::ftFloat, 12, 4, false});
    c.expectedDefs.push_back({"PIC", FieldType::ftGraphic, 10, 0, false});
    const Text rates[] = {"3.1416", Text(), "1", "-2.5", "0"};
    const Text pictures[] = {"hex:89504e470d0a1a0a0000", Text(), Text(),
                             "hex:" + std::string(2000, 'f') + "001a1a00", Text()};
    for (size_t k = 0; k < c.records.size(); ++k)
      c.records[k].values.insert(c.records[k].values.end(), {rates[k], pictures[k]});
  }
  return c;
}

void expectEngineReads(const Case& c) {
  TempDir dir;
  const Row table = createWithDbf(c.flavor, dir.file("lib.dbf"), c.specs, c.fields, c.records, dir);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[1], "cp936");  // the library wrote a Chinese code page mark

  Table t;
  t.setDatabaseName(dir.path());
  t.setTableName("lib.dbf");
  t.open();
  ASSERT_EQ(t.fieldCount(), static_cast<int>(c.expectedDefs.size()));
  for (int k = 0; k < t.fieldCount(); ++k) {
    const FieldDef& want = c.expectedDefs[k];
    const FieldDef& got = t.fieldDefs()[k];
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(got.type, want.type) << want.name << ": " << fieldTypeName(got.type);
    EXPECT_EQ(got.size, want.size) << want.name;
    EXPECT_EQ(got.precision, want.precision) << want.name;
  }
  EXPECT_EQ(t.recordCount(), 4);
  expectSameRows(visibleRows(t), rowsWhere(c.records, false), c.fields, "engine");
}

TEST(LibraryWrittenTables, DBaseThreeWithMemoReadsTheSame) {
  expectEngineReads(makeCase("db3", false));
}

TEST(LibraryWrittenTables, FoxProWithMemoFloatAndGeneralReadsTheSame) {
  expectEngineReads(makeCase("fp", true));
}

// Visual FoxPro: binary integers, currency, datetimes, doubles, 4-byte memo pointers and a
// nullable field; the engine reads them and writes into the table in its own format.
TEST(LibraryWrittenTables, VisualFoxProReadsTheSameAndTakesEdits) {
  Case c;
  c.flavor = "vfp";
  c.specs = "NAME C(12); QTY I; AMT Y; WHEN T; DBL B; NOTE M; OPT C(5) NULL";
  c.fields = {"NAME", "QTY", "AMT", "WHEN", "DBL", "NOTE", "OPT"};
  c.expectedDefs = {
      {"NAME", FieldType::ftString, 12, 0, false}, {"QTY", FieldType::ftInteger, 4, 0, false},
      {"AMT", FieldType::ftCurrency, 8, 0, false}, {"WHEN", FieldType::ftDateTime, 8, 0, false},
      {"DBL", FieldType::ftFloat, 8, 0, false},    {"NOTE", FieldType::ftMemo, 4, 0, false},
      {"OPT", FieldType::ftString, 5, 0, false}};
  c.records = {
      {false, {"上海", "-42", "12.34", "2024-02-29 13:45:10", "2.5", "备注一", "有"}},
      {false, {"空", "0", "0", Text(), "0", Text(), Text()}},
      {true, {"删", "1", "1", "2000-01-01 00:00:00", "1", "x", "x"}},
      {false,
       {"大数", "2000000000", "123456789.1234", "1999-12-31 23:59:59", "-12345.678", longMemo(),
        "ABCDE"}},
      {false, {"X", "7", "-0.5", "2001-09-09 01:46:40", "0.1", "短", "z"}},
  };
  expectEngineReads(c);

  TempDir dir;
  ASSERT_EQ(createWithDbf(c.flavor, dir.file("vfp.dbf"), c.specs, c.fields, c.records, dir).size(),
            2u);
  Table t;
  t.setDatabaseName(dir.path());
  t.setTableName("vfp.dbf");
  t.open();
  t.edit();
  t.fieldByName("OPT").clear();
  t.fieldByName("AMT").setAsString("-7.25");
  t.fieldByName("NOTE").setAsString(utf8ToGbk("改过的备注") + std::string(300, 'n'));
  t.post();
  t.append();
  t.fieldByName("NAME").setAsString(utf8ToGbk("新加"));
  t.fieldByName("QTY").setValue(Value::integer(-1));
  t.fieldByName("WHEN").setAsString("2026-12-09 08:00:00");
  t.fieldByName("DBL").setValue(Value::number(0.125));
  t.fieldByName("OPT").setAsString("ok");
  t.post();
  t.close();

  std::vector<Row> expected = rowsWhere(c.records, false);
  expected[0][2] = "-7.25";
  expected[0][5] = "改过的备注" + std::string(300, 'n');
  expected[0][6] = Text();
  expected.push_back({"新加", "-1", "0", "2026-12-09 08:00:00", "0.125", Text(), "ok"});
  const Dump dump = dumpWith("dbf_dump.py", dir.file("vfp.dbf"), dir);
  ASSERT_TRUE(dump.ok);
  std::vector<Row> live;
  for (const Record& r : dump.records)
    if (!r.deleted) live.push_back(r.values);
  expectSameRows(live, expected, c.fields, "python3-dbf");
}

}  // namespace
}  // namespace tdb::interop
