// tdb restructure: a structure file read line by line, the records carried over as the designer
// carries them, and every refusal leaving the table as it was.

#include <gtest/gtest.h>

#include <map>

#include "tests/cli/run_tdb.h"
#include "tests/engine/folder_snapshot.h"
#include "tests/engine/restructure_fixture.h"

namespace tdb {
namespace {

using test::FolderSnapshot;
using test::lines;
using test::runTdb;
using test::TempDir;

// The bytes of the table's own files, by name, leaving out the backup beside them.
std::map<std::string, std::string> tableFiles(const TempDir& dir) {
  std::map<std::string, std::string> files;
  for (const std::string& name : test::filesIn(dir))
    if (!name.starts_with("修改结构备份")) files[name] = dir.read(name);
  return files;
}

TEST(CliRestructure, AStructureFileRenamesKeepsRetypesAndIndexes) {
  TempDir dir;
  test::makeStock(dir, "stock.dbf", TableType::ttFoxPro);
  dir.write("new.txt",
            "# the stock table, its names Chinese now\r\n"
            "field 名称 ftString 12   # NAME's values: the first text field left\n"
            "field PRICE keep\n"
            "\n"
            "field QTY ftInteger 6\n"
            "field NOTE keep\n"
            "field CODE ftString 5\n"
            "index BYNAME 名称 descending\n"
            "index MIXED UPPER(CODE) + 名称 unique\n");
  auto run = runTdb({"restructure", dir.file("stock.dbf"), dir.file("new.txt"), "--accept-loss"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "restructured " + dir.file("stock.dbf") + "; the old table is kept as " +
                         dir.file("修改结构备份.dbf") + "\n");
  EXPECT_NE(run.err.find("lost 4 values (0 that do not convert"), std::string::npos) << run.err;

  run = runTdb({"info", dir.file("stock.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> info = lines(run.out);
  EXPECT_EQ(info[1], "driver: DBASE");  // the file is FoxPro's all the same: see .cdx below
  EXPECT_EQ(std::vector<std::string>(info.begin() + 4, info.begin() + 9),
            (std::vector<std::string>{"名称\tftString\t12\t0", "PRICE\tftFloat\t10\t2",
                                      "QTY\tftInteger\t6\t0", "NOTE\tftMemo\t10\t0",
                                      "CODE\tftString\t5\t0"}));
  EXPECT_EQ(info[9], "index: " + dir.file("stock.cdx"));
  EXPECT_TRUE(info[11].starts_with("tag\tBYNAME\t名称\t\tdescending")) << info[11];
  EXPECT_TRUE(info[12].starts_with("tag\tMIXED\tUPPER(CODE) + 名称\t\tunique")) << info[12];
  run = runTdb({"dump", dir.file("stock.dbf"), "--order", "BYNAME"});
  EXPECT_EQ(lines(run.out),
            (std::vector<std::string>{"Dowel\t2\t0\t\t-3", "Crankshaft\t12345.67\t7\t\t7",
                                      "Bolt\t0.1\t-40\tnote two, longer\tabc",
                                      "Anvil\t1979.75\t3\tnote one\t12"}));
}

TEST(CliRestructure, ALossWithoutLeaveChangesNothingButTheBackup) {
  TempDir dir;
  test::makeStock(dir, "stock.db", TableType::ttParadox);
  dir.write("new.txt",
            "field NAME ftString 3\n"
            "field CODE ftInteger\n"
            "index key NAME primary\n");
  const auto before = tableFiles(dir);
  auto run = runTdb({"restructure", dir.file("stock.db"), dir.file("new.txt")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "tdb: the new structure would lose 19 values (1 that do not convert to their new type "
            "and are left empty, 4 texts cut short, 14 of fields the new structure drops); nothing "
            "changed but the backup " +
                dir.file("修改结构备份.db") + "; give --accept-loss to go on\n");
  EXPECT_TRUE(tableFiles(dir) == before);
  EXPECT_EQ(test::dump(dir, "修改结构备份.db"), test::dump(dir, "stock.db"));
}

TEST(CliRestructure, RefusalsNameTheLineOrTheProblemAndChangeNothing) {
  TempDir dir;
  test::makeStock(dir, "stock.dbf", TableType::ttDBase);
  struct Bad {
    const char* file;
    const char* says;
  };
  for (const Bad& bad : {
           Bad{"field NAME ftString ten\n", "new.txt line 1: the size ten is not a whole number"},
           Bad{"field NAME ftText 10\n", "new.txt line 1: unknown type ftText"},
           Bad{"field NAME ftString 10\nfield name keep\n",
               "line 2: the field name is given twice"},
           Bad{"field CITY keep\n", "line 1: the table has no field CITY to keep"},
           Bad{"fields NAME ftString 10\n", "line 1: a line starts with field or index"},
           Bad{"field 六个中文字段 ftString 10\n",
               "tdb: 字段类型或索引可能不适合此表,请修改!\n字段[六个中文字段]的名字超过10个字节"},
           Bad{"field NAME keep\nindex BYNAME NAME caseless\n", "不支持主索引和忽略大小写"},
           Bad{"field NAME keep\nindex BYNAME NAME primary\n", "主索引"},
       }) {
    SCOPED_TRACE(bad.file);
    dir.write("new.txt", bad.file);
    const FolderSnapshot table(dir.path());
    const auto run = runTdb({"restructure", dir.file("stock.dbf"), dir.file("new.txt")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(bad.says), std::string::npos) << run.err;
    EXPECT_TRUE(FolderSnapshot(dir.path()) == table);
  }
}

}  // namespace
}  // namespace tdb
