// How tdb reads its command line: usage errors, exit statuses, and table arguments that name an
// alias or a file.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/run_tdb.h"
#include "tests/engine/table_fixture.h"

namespace tdb {
namespace {

using test::lines;
using test::runTdb;
using test::TempDir;

TEST(CliCommandLine, MeaninglessCommandLinesPrintTheUsageAndExit2) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 1);
  const std::string s = dir.file("s.dbf");
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"frobnicate"},
      {"dump"},
      {"dump", s, "--tsv"},
      {"dump", s, "--filter"},
      {"dump", s, "--csv", "--csv"},
      {"info", s, s},
      {"copy", s},
      {"create", dir.file("n.dbf")},
      {"dump", s, "--filter", "NAME='\xF0\x9F\x98\x80'"},  // no GBK form
  };
  for (const auto& args : bad) {
    const auto run = runTdb(args);
    EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
    EXPECT_NE(run.err.find("usage: tdb"), std::string::npos);
    EXPECT_TRUE(run.out.empty());
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("n.dbf")));
  const auto help = runTdb({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: tdb", 0), 0u);
}

TEST(CliCommandLine, EngineFailuresExit1WithTheEngineMessage) {
  TempDir dir;
  auto run = runTdb({"info", dir.file("missing.dbf")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.rfind("tdb: ", 0), 0u);
  EXPECT_NE(run.err.find(dir.file("missing.dbf")), std::string::npos) << run.err;
  EXPECT_EQ(lines(run.err).size(), 1u);  // the message alone, no usage

  dir.write("junk.dbf", "not a table at all, just some text that is long enough");
  run = runTdb({"dump", dir.file("junk.dbf")});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.out.empty());
}

TEST(CliCommandLine, TablesAreAliasReferencesOrPaths) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("data"));
  test::makeSample(dir, "data/t.dbf", 2);
  test::makeSample(dir, "a:b.dbf", 3);
  dir.write("aliases.cfg", "; test aliases\r\nDATA=data\r\n");
  const std::string cfg = dir.file("aliases.cfg");

  auto run = runTdb({"--aliases", cfg, "aliases"});
  EXPECT_EQ(run.out, "DATA\tSTANDARD\t" + dir.file("data/") + "\n");
  run = runTdb({"--aliases", cfg, "info", "data:t.dbf"});  // alias names ignore case
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(lines(run.out)[2], "records: 2");
  run = runTdb({"--aliases", cfg, "copy", "DATA:t.dbf", "DATA:u.dbf"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(dir.file("data/u.dbf")));

  run = runTdb({"--aliases", cfg, "info", "NOPE:t.dbf"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("NOPE"), std::string::npos) << run.err;

  // A file whose name has a colon is a file: relative when it exists, or with a slash.
  run = runTdb({"--aliases", cfg, "info", "a:b.dbf"}, dir.path());
  EXPECT_EQ(lines(run.out)[2], "records: 3") << run.err;
  run = runTdb({"--aliases", cfg, "info", "data/t.dbf"}, dir.path());
  EXPECT_EQ(lines(run.out)[2], "records: 2") << run.err;
  run = runTdb({"--aliases", cfg, "copy", "a:b.dbf", "./c:d.dbf"}, dir.path());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(dir.file("c:d.dbf")));
}

// Table names are file names: whatever characters the file system holds, in a path or after an
// alias, including ones GBK cannot spell; an alias name is text of the GBK alias file.
TEST(CliCommandLine, TablesNamedInAnyCharacters) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("资料"));
  test::makeSample(dir, "资料/客户.dbf", 3);
  test::makeSample(dir, "资料/naïve 🦊.dbf", 2);
  dir.write("aliases.cfg", test::gbk("销售=资料\r\n"));
  const std::string cfg = dir.file("aliases.cfg");

  auto run = runTdb({"--aliases", cfg, "aliases"});
  EXPECT_EQ(run.out, "销售\tSTANDARD\t" + dir.file("资料/") + "\n");
  run = runTdb({"--aliases", cfg, "tables", "销售"});
  EXPECT_EQ(lines(run.out), (std::vector<std::string>{"naïve 🦊.dbf", "客户.dbf"})) << run.err;
  run = runTdb({"--aliases", cfg, "info", "销售:客户.dbf"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(lines(run.out)[2], "records: 3");
  run = runTdb({"info", dir.file("资料/naïve 🦊.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(lines(run.out)[2], "records: 2");

  // Copies under such names land in files of exactly those names, in every format.
  for (const char* target : {"副本 🦊.dbf", "副本 🦊.db"}) {
    run =
        runTdb({"--aliases", cfg, "copy", "销售:naïve 🦊.dbf", std::string("销售:") + target});
    ASSERT_EQ(run.status, 0) << target << ": " << run.err;
    ASSERT_TRUE(std::filesystem::exists(dir.file(std::string("资料/") + target))) << target;
    run = runTdb({"dump", dir.file(std::string("资料/") + target), "--csv"});
    ASSERT_EQ(run.status, 0) << target << ": " << run.err;
    EXPECT_EQ(lines(run.out).size(), 3u) << target;  // the header line and two records
  }
  run = runTdb({"info", dir.file("资料/没有.dbf")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("没有.dbf"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace tdb
