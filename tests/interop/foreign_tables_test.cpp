// Tables as map and statistics programs write them, laid out byte by byte: python3-dbfread reads
// the engine's copy exactly as it reads the original, and the digits the engine reports are the
// ones dbfread reads.

#include <gtest/gtest.h>

#include "tests/engine/table_fixture.h"
#include "tests/interop/interop_support.h"

namespace tdb::interop {
namespace {

using test::TempDir;

// dbfread's view of the original and of the engine's copy of it.
void expectCopyReadsTheSame(const TempDir& dir, const std::string& name) {
  Table source, copy;
  source.setDatabaseName(dir.path());
  source.setTableName(name);
  copy.setDatabaseName(dir.path());
  copy.setTableName("copy.dbf");
  copy.batchMove(source, BatchMode::batCopy);
  copy.close();
  const Dump before = dumpWith("dbfread_dump.py", dir.file(name), dir);
  const Dump after = dumpWith("dbfread_dump.py", dir.file("copy.dbf"), dir);
  ASSERT_TRUE(before.ok && after.ok);
  EXPECT_EQ(after.fields, before.fields);
  ASSERT_EQ(after.records.size(), before.records.size());
  for (size_t r = 0; r < before.records.size(); ++r)
    expectSameRows({after.records[r].values}, {before.records[r].values}, before.fields,
                   "record " + std::to_string(r + 1));
}

TEST(ForeignTables, NumbersCopyAndReadDigitForDigit) {
  TempDir dir;
  dir.write("parcels.dbf",
            test::rawDbaseTable(
                {{"ID", 'N', 10, 0}, {"AREA", 'N', 12, 3}, {"X", 'N', 24, 15}, {"NAME", 'C', 8, 0}},
                {{"1", "0.1111049", "4661501.766455792", "north"},
                 {"2", "-12.5", "-0.000012345678901", "south"},
                 {"3", "", "123456789.123456789", ""}}));
  expectCopyReadsTheSame(dir, "parcels.dbf");

  // What the engine reports as the stored digits is what dbfread reads.
  const Dump read = dumpWith("dbfread_dump.py", dir.file("parcels.dbf"), dir);
  Table t;
  t.setDatabaseName(dir.path());
  t.setTableName("parcels.dbf");
  t.open();
  std::string digits;
  for (const Record& r : read.records) {
    for (const std::string field : {"AREA", "X"}) {
      const int k = field == "AREA" ? 1 : 2;
      if (!r.values[k]) {
        EXPECT_FALSE(t.fieldByName(field).storedNumber(digits));
        continue;
      }
      ASSERT_TRUE(t.fieldByName(field).storedNumber(digits));
      EXPECT_EQ(std::stod(digits), std::stod(*r.values[k])) << field << " " << digits;
    }
    t.next();
  }
}

TEST(ForeignTables, ThreeHundredFieldsCopyAndRead) {
  TempDir dir;
  std::vector<test::RawField> fields;
  std::vector<std::string> values;
  for (int i = 1; i <= 300; ++i) {
    fields.push_back({"V" + std::to_string(i), 'N', 24, 15});
    values.push_back(std::to_string(i) + ".000000000000001");
  }
  dir.write("census.dbf", test::rawDbaseTable(fields, {values, values}));
  expectCopyReadsTheSame(dir, "census.dbf");
}

}  // namespace
}  // namespace tdb::interop
