// tdb on damaged tables and on tables other programs wrote: everything readable comes out, every
// defect is named on stderr, and a failure is never a success.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/run_tdb.h"
#include "tests/engine/table_fixture.h"

namespace tdb {
namespace {

using test::lines;
using test::runTdb;
using test::TempDir;

// The sample table's memo field of record `recno` pointed at `block` (table_fixture.h's layout).
void pointMemo(const TempDir& dir, const std::string& table, uint32_t recno, uint32_t block) {
  constexpr size_t kHeader = 32 + 6 * 32 + 1, kRecord = 42, kNote = 32;
  std::string bytes = dir.read(table);
  std::string field = std::to_string(block);
  field.insert(0, 10 - field.size(), ' ');
  bytes.replace(kHeader + (recno - 1) * kRecord + kNote, 10, field);
  dir.write(table, bytes);
}

TEST(CliDamaged, DumpWritesEveryReadableFieldAndNamesEachDamagedOne) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 9);
  pointMemo(dir, "s.dbf", 3, 999999);
  pointMemo(dir, "s.dbf", 7, 888888);
  const auto run = runTdb({"dump", dir.file("s.dbf")});
  EXPECT_EQ(run.status, 1);
  const std::vector<std::string> out = lines(run.out);
  ASSERT_EQ(out.size(), 9u);
  EXPECT_EQ(out[2], "R3\t4.5\t3\t2024-01-03\tTrue\t");
  EXPECT_EQ(out[5], "R6\t9\t6\t2024-01-06\tFalse\tmemo 6");
  EXPECT_EQ(out[8], "R9\t13.5\t9\t2024-01-09\tTrue\tmemo 9");
  const std::vector<std::string> err = lines(run.err);
  ASSERT_EQ(err.size(), 3u) << run.err;
  EXPECT_NE(err[0].find("数据表[s.dbf]第3条记录的字段[NOTE]"), std::string::npos) << err[0];
  EXPECT_NE(err[0].find("第999999块"), std::string::npos) << err[0];
  EXPECT_NE(err[1].find("第7条记录的字段[NOTE]"), std::string::npos) << err[1];
  EXPECT_NE(err[2].find("2 fields could not be read"), std::string::npos) << err[2];
}

TEST(CliDamaged, ATableCutShortIsReadAndCopiedWithAWarning) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 4);
  std::string bytes = dir.read("s.dbf");
  bytes.resize(bytes.size() - 20);  // into the last record
  dir.write("s.dbf", bytes);
  auto run = runTdb({"dump", dir.file("s.dbf")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(lines(run.out).size(), 3u);
  EXPECT_NE(
      run.err.find("warning: 数据表[" + dir.file("s.dbf") + "]不完整: 文件头记录数4,文件只容纳3条"),
      std::string::npos)
      << run.err;
  run = runTdb({"info", dir.file("s.dbf")});
  EXPECT_EQ(lines(run.out)[2], "records: 3");
  EXPECT_NE(run.err.find("文件只容纳3条"), std::string::npos) << run.err;
  run = runTdb({"copy", dir.file("s.dbf"), dir.file("saved.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "3 records copied to " + dir.file("saved.dbf") + "\n");
  EXPECT_NE(run.err.find("warning:"), std::string::npos) << run.err;
  // What needs the table to itself says why it cannot have it.
  run = runTdb({"pack", dir.file("s.dbf")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("只能以只读方式打开"), std::string::npos) << run.err;
  EXPECT_EQ(dir.read("s.dbf"), bytes);
}

// A table as a map program writes it: a number with more decimals than its field declares, one
// with more digits than a double keeps, and a field name with a control character in it.
TEST(CliDamaged, ForeignNumbersAndNamesComeOutWhole) {
  TempDir dir;
  dir.write("shapes.dbf",
            test::rawDbaseTable({{"AREA", 'N', 12, 3}, {"X", 'N', 24, 15}, {"A\tB", 'C', 3, 0}},
                                {{"0.1111049", "4661501.766455792", "abc"}}));

  auto run = runTdb({"dump", dir.file("shapes.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "0.1111049\t4661501.766455792\tabc\n");
  run = runTdb({"info", dir.file("shapes.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(lines(run.out)[4], "AREA\tftFloat\t12\t3");
  EXPECT_EQ(lines(run.out)[6], "A\\tB\tftString\t3\t0");

  // The copy keeps the digits, and so reads the same.
  run = runTdb({"copy", dir.file("shapes.dbf"), dir.file("copy.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(runTdb({"dump", dir.file("copy.dbf")}).out, "0.1111049\t4661501.766455792\tabc\n");
}

}  // namespace
}  // namespace tdb
