#include <gtest/gtest.h>

#include "engine/aliases.h"
#include "engine/engine_error.h"
#include "tests/engine/temp_dir.h"

namespace tdb {
namespace {

using test::TempDir;

std::string path(const TempDir& dir, const char* name) { return dir.file(name); }

TEST(AliasFile, ListsAliasesInFileOrderWithFolders) {
  TempDir dir;
  dir.write("tdbalias.cfg",
            "DEMO=demo\r\n"
            "; a comment\r\n"
            "\r\n"
            "Sales = /srv/sales\r\n"
            "demo=/elsewhere\r\n");  // a second DEMO, in other case: the first stands
  AliasFile file(path(dir, "tdbalias.cfg"));
  ASSERT_EQ(file.aliases().size(), 2u);
  EXPECT_EQ(file.aliases()[0].name, "DEMO");
  EXPECT_EQ(file.aliases()[0].folder, dir.path() + "demo/");
  EXPECT_EQ(file.aliases()[1].name, "Sales");
  EXPECT_EQ(file.aliases()[1].folder, "/srv/sales/");
  EXPECT_EQ(file.driverName("sales"), "STANDARD");
  EXPECT_EQ(file.find("nope"), nullptr);
  EXPECT_THROW(file.driverName("nope"), EngineError);
}

TEST(AliasFile, MissingFileHasNoAliasesAndBadLinesAreNamed) {
  TempDir dir;
  EXPECT_TRUE(AliasFile(path(dir, "none.cfg")).aliases().empty());
  dir.write("bad.cfg", "A=x\r\njust text\r\n");
  try {
    AliasFile file(path(dir, "bad.cfg"));
    FAIL() << "no error";
  } catch (const EngineError& e) {
    EXPECT_NE(std::string(e.what()).find("bad.cfg"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("第2行"), std::string::npos);
  }
  dir.write("noname.cfg", "=folder\r\n");
  EXPECT_THROW(AliasFile(path(dir, "noname.cfg")), EngineError);
}

TEST(ListTables, TableFilesOnlyInNameOrder) {
  TempDir dir;
  for (const char* name :
       {"b.DBF", "a.dbf", "c.DB", "d.TXT", "b.DBT", "b.MDX", "a.FPT", "a.CDX", "x.tsm", "e.db"})
    dir.write(name, "");
  EXPECT_EQ(listTables(dir.path()),
            (std::vector<std::string>{"a.dbf", "b.DBF", "c.DB", "d.TXT", "e.db"}));
  EXPECT_THROW(listTables(path(dir, "missing/")), EngineError);
}

}  // namespace
}  // namespace tdb
