// tdb pack, copy, append and create: what they leave in the files, read back with the engine,
// and what they refuse to do.

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

// The sample table of `rows` records with every record whose number is in `deleted` deleted.
void makeWithDeleted(const TempDir& dir, const std::string& name, int rows,
                     std::vector<long> deleted) {
  test::makeSample(dir, name, rows);
  Table t;
  point(t, dir, name);
  t.open();
  for (long r : deleted) {
    ASSERT_TRUE(t.locate("NAME", Value::text("R" + std::to_string(r))));
    t.deleteRecord();
  }
}

std::vector<std::string> column(const TempDir& dir, const std::string& table,
                                const std::string& field) {
  Table t;
  point(t, dir, table);
  t.open();
  std::vector<std::string> out;
  for (; !t.eof(); t.next()) out.push_back(t.fieldByName(field).asString());
  return out;
}

TEST(CliPack, NeedsTheTableToItselfThenDropsDeletedRecords) {
  TempDir dir;
  makeWithDeleted(dir, "s.dbf", 6, {2, 6});
  const std::string file = dir.file("s.dbf");
  {
    Table reader;  // another holder stops the pack, and nothing changes
    point(reader, dir, "s.dbf");
    reader.open();
    const auto refused = runTdb({"pack", file});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err.rfind("tdb: ", 0), 0u);
  }
  const auto run = runTdb({"pack", file});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, file + ": 4 records kept\n");
  Table t;
  point(t, dir, "s.dbf");
  t.open();
  t.last();
  EXPECT_EQ(t.recNo(), 4);  // physically gone, not just hidden
  EXPECT_EQ(column(dir, "s.dbf", "NOTE"), (std::vector<std::string>{"", "memo 3", "", ""}));
}

TEST(CliCopy, CopiesAppendsAndWritesEitherFormat) {
  TempDir dir;
  makeWithDeleted(dir, "s.dbf", 4, {1});
  auto run = runTdb({"copy", dir.file("s.dbf"), dir.file("c.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "3 records copied to " + dir.file("c.dbf") + "\n");
  run = runTdb({"append", dir.file("s.dbf"), dir.file("c.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "3 records appended to " + dir.file("c.dbf") + "\n");
  EXPECT_EQ(column(dir, "c.dbf", "NOTE"),
            (std::vector<std::string>{"", "memo 3", "", "", "memo 3", ""}));

  run = runTdb({"copy", "--foxpro", dir.file("s.dbf"), dir.file("f.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(static_cast<unsigned char>(dir.read("f.dbf")[0]), 0xF5);  // FoxPro 2 with memo
  EXPECT_FALSE(dir.read("f.fpt").empty());
  EXPECT_EQ(column(dir, "f.dbf", "NOTE"), (std::vector<std::string>{"", "memo 3", ""}));
  EXPECT_EQ(runTdb({"copy", "--foxpro", dir.file("s.dbf"), dir.file("f.txt")}).status, 2);

  // Copying a table onto itself is refused before its records are lost.
  run = runTdb({"copy", dir.file("s.dbf"), dir.file("s.dbf")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(column(dir, "s.dbf", "NAME"), (std::vector<std::string>{"R2", "R3", "R4"}));
  EXPECT_EQ(column(dir, "s.dbf", "NOTE"), (std::vector<std::string>{"", "memo 3", ""}));
}

TEST(CliCreate, MakesAnEmptyTableLikeAnotherAndNeverReplacesOne) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 2);
  const auto run = runTdb({"create", dir.file("e.dbf"), "--like", dir.file("s.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  Table source, made;
  point(source, dir, "s.dbf");
  point(made, dir, "e.dbf");
  source.open();
  made.open();
  EXPECT_EQ(made.recordCount(), 0);
  ASSERT_EQ(made.fieldDefs().count(), source.fieldDefs().count());
  for (int i = 0; i < made.fieldDefs().count(); ++i) {
    const FieldDef &a = made.fieldDefs()[i], &b = source.fieldDefs()[i];
    EXPECT_TRUE(a.name == b.name && a.type == b.type && a.size == b.size &&
                a.precision == b.precision)
        << a.name;
  }
  made.close();

  const auto again = runTdb({"create", dir.file("s.dbf"), "--like", dir.file("e.dbf")});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(column(dir, "s.dbf", "NAME"), (std::vector<std::string>{"R1", "R2"}));
}

// The mistakes that cost a table its memos, its index or its records before.
TEST(CliFiles, ABackupBesideATableOrACopyOntoItselfIsRefusedAndChangesNothing) {
  TempDir dir;
  makeWithDeleted(dir, "CUSTOMER.DBF", 6, {2});
  test::makeSample(dir, "PRODUCT.DB", 20, TableType::ttDefault);
  const test::FolderSnapshot untouched(dir.path());
  auto run = runTdb({"copy", "CUSTOMER.DBF", "CUSTOMER.BAK"}, dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("[CUSTOMER.DBT]"), std::string::npos) << run.err;
  run = runTdb({"create", "CUSTOMER.BAK", "--like", "CUSTOMER.DBF"}, dir.path());
  EXPECT_EQ(run.status, 1);
  run = runTdb({"copy", "CUSTOMER.DBF", "customer.dbf"}, dir.path());
  EXPECT_EQ(run.status, 1);
  for (const std::string& spelling :
       std::vector<std::string>{"PRODUCT.DB", "./PRODUCT.DB", dir.file("PRODUCT.DB")}) {
    run = runTdb({"copy", "PRODUCT.DB", spelling}, dir.path());
    EXPECT_EQ(run.status, 1) << spelling;
    EXPECT_NE(run.err.find("不能复制到它自己"), std::string::npos) << run.err;
  }
  EXPECT_EQ(test::FolderSnapshot(dir.path()).changesSince(untouched), "");
}

TEST(CliFiles, AFailedAppendSaysHowManyRecordsItAdded) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 6);
  test::setText(dir, "s.dbf", 4, "NAME", "two\nlines");  // more than a text table's line holds
  Table txt;
  point(txt, dir, "t.txt");
  txt.fieldDefs().add("NAME", FieldType::ftString, 10);
  txt.fieldDefs().add("PRICE", FieldType::ftFloat);
  txt.createTable();
  const auto run = runTdb({"append", dir.file("s.dbf"), dir.file("t.txt")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "3 records appended to " + dir.file("t.txt") + " before the failure\n");
  EXPECT_NE(run.err.find("已追加3条记录"), std::string::npos) << run.err;
  EXPECT_EQ(column(dir, "t.txt", "NAME"), (std::vector<std::string>{"R1", "R2", "R3"}));
}

TEST(CliFiles, ADumpOfATableWhoseIndexIsMissingWritesNothing) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 5);
  ASSERT_EQ(runTdb({"index", dir.file("s.dbf"), "byname", "NAME"}).status, 0);
  std::filesystem::remove(dir.file("s.mdx"));
  const test::FolderSnapshot untouched(dir.path());
  const auto run = runTdb({"dump", dir.file("s.dbf")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(runTdb({"info", dir.file("s.dbf")}).status, 0);
  EXPECT_EQ(test::FolderSnapshot(dir.path()).changesSince(untouched), "");
}

}  // namespace
}  // namespace tdb
