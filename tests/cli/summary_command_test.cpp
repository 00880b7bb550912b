// tdb summary and tdb copy --order: the workbench's summary and ordered output for scripts.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/run_tdb.h"
#include "tests/engine/folder_snapshot.h"
#include "tests/engine/table_fixture.h"

namespace tdb {
namespace {

using test::point;
using test::runTdb;
using test::TempDir;

// "NAME QTY" of every record of `table`, in its natural order.
std::vector<std::string> namesAndCounts(const TempDir& dir, const std::string& table) {
  Table t;
  point(t, dir, table);
  t.open();
  std::vector<std::string> out;
  for (; !t.eof(); t.next())
    out.push_back(t.fieldByName("NAME").asString() + " " + t.fieldByName("QTY").asString());
  return out;
}

// The sample of 30 records, whose DAY runs 1..28 and then 1, 2 again, indexed by DAY.
void makeDays(const TempDir& dir) {
  test::makeSample(dir, "s.dbf", 30);
  test::addIndex(dir, "s.dbf", {"BYDAY", "DAY", "", 0});
}

TEST(CliSummary, GroupsInATagsOrderUnderAFilterAndAddsTheNumbers) {
  TempDir dir;
  makeDays(dir);
  auto run = runTdb(
      {"summary", dir.file("s.dbf"), dir.file("sum.dbf"), "--by", "DAY", "--order", "BYDAY"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "28 records written to " + dir.file("sum.dbf") + "\n");
  const auto rows = namesAndCounts(dir, "sum.dbf");
  ASSERT_EQ(rows.size(), 28u);
  EXPECT_EQ(rows[0], "R1 30");  // records 1 and 29
  EXPECT_EQ(rows[2], "R3 3");
  EXPECT_FALSE(std::filesystem::exists(dir.file("sum.mdx")));

  // In natural order, a filter leaving records 27..30: four runs of one day each.
  run = runTdb(
      {"summary", dir.file("s.dbf"), dir.file("sum.dbf"), "--by", "DAY,OK", "--filter", "QTY>26"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(namesAndCounts(dir, "sum.dbf"),
            (std::vector<std::string>{"R27 27", "R28 28", "R29 29", "R30 30"}));
}

TEST(CliSummary, RefusesWhatTheWorkbenchRefusesAndWritesNothing) {
  TempDir dir;
  makeDays(dir);
  test::makeSample(dir, "empty.dbf", 0);
  const test::FolderSnapshot before(dir.path());
  auto run = runTdb({"summary", dir.file("empty.dbf"), dir.file("o.dbf"), "--by", "NAME"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("数据表没有记录,不能汇总!"), std::string::npos) << run.err;
  run = runTdb({"summary", dir.file("s.dbf"), dir.file("o.dbf"), "--by", ","});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("请问你想按哪些字段汇总?"), std::string::npos) << run.err;
  EXPECT_EQ(runTdb({"summary", dir.file("s.dbf"), dir.file("o.dbf")}).status, 2);
  EXPECT_EQ(runTdb({"summary", dir.file("s.dbf"), dir.file("o.dbf"), "--by", "NONE"}).status, 1);
  // The source as its own output: refused while it is open for reading.
  EXPECT_EQ(runTdb({"summary", dir.file("s.dbf"), dir.file("s.dbf"), "--by", "NAME"}).status, 1);
  EXPECT_EQ(test::FolderSnapshot(dir.path()).changesSince(before), "");
}

TEST(CliCopy, InATagsOrderWritesTheRecordsInThatOrderWithoutIndexes) {
  TempDir dir;
  makeDays(dir);
  const auto run = runTdb({"copy", dir.file("s.dbf"), dir.file("o.dbf"), "--order", "BYDAY",
                           "--filter", "(QTY<3)OR(QTY>28)"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(namesAndCounts(dir, "o.dbf"),
            (std::vector<std::string>{"R1 1", "R29 29", "R2 2", "R30 30"}));
  EXPECT_FALSE(std::filesystem::exists(dir.file("o.mdx")));
  EXPECT_EQ(runTdb({"copy", dir.file("s.dbf"), dir.file("o.dbf"), "--order", "NOTAG"}).status, 1);
}

}  // namespace
}  // namespace tdb
