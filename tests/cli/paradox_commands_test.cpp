// tdb on Paradox tables: copies between the formats, structures carried over where the
// destination can hold them, and the primary key shown and kept.

#include <gtest/gtest.h>

#include "tests/cli/run_tdb.h"
#include "tests/engine/table_fixture.h"

namespace tdb {
namespace {

using test::point;
using test::runTdb;
using test::TempDir;

TEST(CliParadox, CopiesAndDumpsBetweenTheFormats) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 30);
  ASSERT_EQ(runTdb({"index", dir.file("s.dbf"), "NAME", "NAME"}).status, 0);

  // An xBase tag has no place in a Paradox table: left out, with a warning.
  auto run = runTdb({"create", dir.file("e.db"), "--like", dir.file("s.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "created " + dir.file("e.db") + " with 6 fields\n");
  EXPECT_NE(run.err.find("warning: tag NAME left out: a PARADOX table has no index tags"),
            std::string::npos)
      << run.err;

  run = runTdb({"copy", dir.file("s.dbf"), dir.file("p.db")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "30 records copied to " + dir.file("p.db") + "\n");
  const auto fromDbf = runTdb({"dump", dir.file("s.dbf"), "--filter", "QTY > 25"});
  const auto fromDb = runTdb({"dump", dir.file("p.db"), "--filter", "QTY > 25"});
  ASSERT_EQ(fromDb.status, 0) << fromDb.err;
  EXPECT_EQ(fromDb.out, fromDbf.out);
  EXPECT_NE(fromDb.out.find("memo 27"), std::string::npos);

  // And back: the copy of the copy holds the same records.
  run = runTdb({"copy", dir.file("p.db"), dir.file("back.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(runTdb({"dump", dir.file("back.dbf")}).out, runTdb({"dump", dir.file("s.dbf")}).out);
}

TEST(CliParadox, ShowsAndCarriesThePrimaryKey) {
  TempDir dir;
  {
    Table t;
    point(t, dir, "k.db");
    t.fieldDefs().add("ID", FieldType::ftInteger);
    t.fieldDefs().add("NAME", FieldType::ftString, 10);
    t.indexDefs().add({"", "ID", "", ixPrimary});
    t.createTable();
    t.open();
    for (int id : {3, 1, 2}) {
      t.append();
      t.fieldByName("ID").setValue(Value::integer(id));
      t.fieldByName("NAME").setAsString("n" + std::to_string(id));
      t.post();
    }
  }
  auto run = runTdb({"info", dir.file("k.db")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("driver: PARADOX\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("primary key: ID\n"), std::string::npos) << run.out;
  EXPECT_EQ(runTdb({"dump", dir.file("k.db")}).out, "1\tn1\n2\tn2\n3\tn3\n");

  run = runTdb({"create", dir.file("k2.db"), "--like", dir.file("k.db")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "created " + dir.file("k2.db") + " with 2 fields and a primary key\n");
  run = runTdb({"create", dir.file("k.dbf"), "--like", dir.file("k.db")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("warning: primary key ID left out"), std::string::npos) << run.err;

  // Appending the same records twice breaks the key: the first repeat stops the command with
  // the engine's message, after the records before it were added.
  ASSERT_EQ(runTdb({"append", dir.file("k.db"), dir.file("k2.db")}).status, 0);
  run = runTdb({"append", dir.file("k.db"), dir.file("k2.db")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("键值重复"), std::string::npos) << run.err;
  EXPECT_EQ(runTdb({"dump", dir.file("k2.db")}).out, "1\tn1\n2\tn2\n3\tn3\n");
}

}  // namespace
}  // namespace tdb
