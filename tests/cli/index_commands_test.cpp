// tdb index, reindex, info's tag lines, dump --order and create --like with tags: on tables the
// engine makes, with index files it writes or that the tests lay out (a FOR condition, keys in
// the wrong order) or damage (an expression the engine cannot evaluate).

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/run_tdb.h"
#include "tests/engine/index_file_builders.h"
#include "tests/engine/table_fixture.h"

namespace tdb {
namespace {

using test::lines;
using test::point;
using test::runTdb;
using test::TempDir;

// The lines of `tdb info` from "index:" on.
std::vector<std::string> indexLines(const TempDir& dir, const std::string& table) {
  const auto run = runTdb({"info", dir.file(table)});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> all = lines(run.out);
  auto from = all.begin();
  while (from != all.end() && from->rfind("index: ", 0) != 0) ++from;
  return std::vector<std::string>(from, all.end());
}

// The first field of every line `tdb dump` prints.
std::vector<std::string> firstColumn(const test::TdbRun& run) {
  std::vector<std::string> out;
  for (const std::string& l : lines(run.out)) out.push_back(l.substr(0, l.find('\t')));
  return out;
}

unsigned char headerFlags(const TempDir& dir, const std::string& table) {
  return static_cast<unsigned char>(dir.read(table)[28]);
}

// Makes the engine unable to evaluate an expression by renaming the function it starts with in
// every copy the index file keeps, as a file from a program with functions of its own would be.
void damageExpression(const TempDir& dir, const std::string& file, const std::string& from,
                      const std::string& to) {
  ASSERT_EQ(from.size(), to.size());
  std::string bytes = dir.read(file);
  size_t at = bytes.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  for (; at != std::string::npos; at = bytes.find(from, at)) bytes.replace(at, from.size(), to);
  dir.write(file, bytes);
}

TEST(CliIndex, AddsTagsThatInfoListsAndDumpFollows) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 12);
  const std::string s = dir.file("s.dbf");
  EXPECT_EQ(indexLines(dir, "s.dbf"), (std::vector<std::string>{"index: none", "tags: 0"}));

  auto run = runTdb({"index", s, "byname", "NAME"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "added tag BYNAME (NAME) to " + dir.file("s.mdx") + ": 12 keys\n");
  EXPECT_EQ(headerFlags(dir, "s.dbf") & 1, 1);  // other programs look for the index by this mark
  run = runTdb({"index", s, "bp", "STR(PRICE,8,2)+DTOS(DAY)", "--descending", "--unique"});
  ASSERT_EQ(run.status, 0) << run.err;
  run = runTdb({"index", s, "ok", "OK"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(indexLines(dir, "s.dbf"),
            (std::vector<std::string>{
                "index: " + dir.file("s.mdx"), "tags: 3", "tag\tBYNAME\tNAME\t\t\tNAME\t",
                "tag\tBP\tSTR(PRICE,8,2)+DTOS(DAY)\t\tunique,descending\tPRICE;DAY\t",
                "tag\tOK\tOK\t\t\tOK\t"}));

  // Tag names ignore case; --filter and --csv keep working in tag order.
  run = runTdb({"dump", s, "--order", "ByName"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(firstColumn(run), (std::vector<std::string>{"R1", "R10", "R11", "R12", "R2", "R3", "R4",
                                                        "R5", "R6", "R7", "R8", "R9"}));
  run = runTdb({"dump", s, "--order", "BP", "--filter", "QTY<4"});
  EXPECT_EQ(firstColumn(run), (std::vector<std::string>{"R3", "R2", "R1"}));
  run = runTdb({"dump", "--csv", s, "--order", "OK", "--filter", "QTY>8"});
  EXPECT_EQ(run.out,
            "NAME,PRICE,QTY,DAY,OK,NOTE\r\nR10,15,10,2024-01-10,False,\r\n"
            "R12,18,12,2024-01-12,False,memo 12\r\nR9,13.5,9,2024-01-09,True,memo 9\r\n"
            "R11,16.5,11,2024-01-11,True,\r\n");

  // An order that is not there fails before any output, naming the tag.
  run = runTdb({"dump", s, "--order", "NOPE"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.out.empty());
  EXPECT_NE(run.err.find("NOPE"), std::string::npos) << run.err;
  EXPECT_EQ(runTdb({"dump", s, "--order", ""}).status, 2);
}

TEST(CliIndex, RefusesWhatWouldLoseOrHideSomething) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 3);
  const std::string s = dir.file("s.dbf");
  ASSERT_EQ(runTdb({"index", s, "n", "NAME"}).status, 0);
  const std::string before = dir.read("s.mdx");

  // A tag of that name already: replacing it quietly could take away an order others rely on.
  auto run = runTdb({"index", s, "N", "QTY"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("--drop N"), std::string::npos) << run.err;
  // An expression the engine cannot evaluate (a tag not made yet has nothing to repair), a name
  // too long for the file.
  run = runTdb({"index", s, "q", "NOSUCH+NAME"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("NOSUCH"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("reindex"), std::string::npos) << run.err;
  EXPECT_EQ(runTdb({"index", s, "elevenchars", "NAME"}).status, 1);
  {
    Table reader;  // another holder could not see the new tag
    point(reader, dir, "s.dbf");
    reader.open();
    run = runTdb({"index", s, "q", "QTY"});
    EXPECT_EQ(run.status, 1);
  }
  EXPECT_EQ(dir.read("s.mdx"), before);
  EXPECT_EQ(indexLines(dir, "s.dbf").size(), 3u);

  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"index", s, "q"},
                                             {"index", s, "", "QTY"},
                                             {"index", s, "q", " "},
                                             {"index", s, "q", "QTY", "--unique", "--unique"},
                                             {"reindex"},
                                             {"reindex", s, "--drop"}}) {
    EXPECT_EQ(runTdb(args).status, 2) << ::testing::PrintToString(args);
  }
}

// Tags BP and BD with functions the engine lacks, beside N and Q that it can evaluate.
void makeDamaged(const TempDir& dir) {
  test::makeSample(dir, "s.dbf", 5);
  const std::string s = dir.file("s.dbf");
  for (const auto& [tag, expression] : std::vector<std::pair<std::string, std::string>>{
           {"N", "NAME"}, {"BP", "STR(PRICE,8,2)"}, {"BD", "DTOS(DAY)"}, {"Q", "QTY"}}) {
    ASSERT_EQ(runTdb({"index", s, tag, expression}).status, 0);
  }
  damageExpression(dir, "s.mdx", "STR(PRICE", "STQ(PRICE");
  damageExpression(dir, "s.mdx", "DTOS(DAY)", "DTOQ(DAY)");
}

TEST(CliReindex, DropsUnusableTagsOnlyWhenToldAndRebuildsTheRest) {
  TempDir dir;
  makeDamaged(dir);
  const std::string s = dir.file("s.dbf");

  // Info still describes the table, and says what is wrong with each tag.
  const auto tags = indexLines(dir, "s.dbf");
  ASSERT_EQ(tags.size(), 6u);
  EXPECT_EQ(tags[3].substr(0, 25), "tag\tBP\tSTQ(PRICE,8,2)\t\t\t\t");
  EXPECT_NE(tags[3].find("STQ", 25), std::string::npos);  // the engine's reason follows
  EXPECT_EQ(tags[5], "tag\tQ\tQTY\t\t\tQTY\t");

  // Not told to drop them: refused, naming both, and nothing changes.
  const std::string before = dir.read("s.mdx");
  auto run = runTdb({"reindex", s});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("BP"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("BD"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("--drop"), std::string::npos) << run.err;
  run = runTdb({"reindex", s, "--drop", "bp"});
  EXPECT_EQ(run.status, 1);
  run = runTdb({"reindex", s, "--drop", "bp", "--drop", "bd", "--drop", "nope"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("nope"), std::string::npos) << run.err;
  EXPECT_EQ(dir.read("s.mdx"), before);

  run = runTdb({"reindex", s, "--drop", "bp", "--drop", "BD", "--drop", "Bp"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(lines(run.out),
            (std::vector<std::string>{"dropped BP", "dropped BD", "rebuilt N: 5 keys",
                                      "rebuilt Q: 5 keys",
                                      dir.file("s.mdx") + ": 2 tags rebuilt, 2 dropped"}));
  EXPECT_EQ(indexLines(dir, "s.dbf"),
            (std::vector<std::string>{"index: " + dir.file("s.mdx"), "tags: 2",
                                      "tag\tN\tNAME\t\t\tNAME\t", "tag\tQ\tQTY\t\t\tQTY\t"}));
  EXPECT_FALSE(std::filesystem::exists(dir.file("s.dbf.tdb-index-stale")));
  Table t;  // a cursor opens it again, and its orders work
  point(t, dir, "s.dbf");
  t.setIndexName("Q");
  t.open();
  t.last();
  EXPECT_EQ(t.recNo(), 5);
  t.close();

  // Dropping every tag takes the file and the header's mark away.
  run = runTdb({"reindex", s, "--drop", "N", "--drop", "Q"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("s.mdx")));
  EXPECT_EQ(headerFlags(dir, "s.dbf") & 1, 0);
  run = runTdb({"reindex", s});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, s + " has no index tags; nothing to rebuild\n");
}

// A FoxPro table of four records whose .cdx a test lays out: tag NAME whose key "R<k>" points at
// record recordOfKey[k - 1], and tag BIG (NAME FOR QTY>2) keeping records 3 and 4.
void makeLaidOut(const TempDir& dir, const std::vector<uint32_t>& recordOfKey) {
  test::makeSample(dir, "f.dbf", 4, TableType::ttFoxPro);
  auto key = [](uint32_t r) { return ("R" + std::to_string(r)) + std::string(8, ' '); };
  test::TagSpec name, big;
  name.name = name.expression = big.expression = "NAME";
  big.name = "BIG";
  big.forExpression = "QTY>2";
  for (uint32_t k = 1; k <= 4; ++k) name.entries.push_back({key(k), recordOfKey[k - 1]});
  big.entries = {{key(3), 3}, {key(4), 4}};
  dir.write("f.cdx", test::buildCdx({name, big}));
}

TEST(CliReindex, RebuildsKeysFromTheRecords) {
  TempDir dir;
  // Keys that belong to other records: every record has one, so the engine takes the file's word.
  makeLaidOut(dir, {4, 3, 2, 1});
  const std::string f = dir.file("f.dbf");
  auto run = runTdb({"dump", f, "--order", "NAME"});
  ASSERT_EQ(firstColumn(run), (std::vector<std::string>{"R4", "R3", "R2", "R1"})) << run.err;

  run = runTdb({"reindex", f});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(lines(run.out),
            (std::vector<std::string>{"rebuilt NAME: 4 keys", "rebuilt BIG: 2 keys",
                                      dir.file("f.cdx") + ": 2 tags rebuilt, 0 dropped"}));
  EXPECT_EQ(firstColumn(runTdb({"dump", f, "--order", "NAME"})),
            (std::vector<std::string>{"R1", "R2", "R3", "R4"}));
  EXPECT_EQ(firstColumn(runTdb({"dump", f, "--order", "big"})),
            (std::vector<std::string>{"R3", "R4"}));
}

// A table of six records with tags N (NAME), Q (QTY) and D (DTOS(DAY)), made in that order.
class CliRepair : public ::testing::TestWithParam<TableType> {
 protected:
  void SetUp() override {
    test::makeSample(dir, "s.dbf", 6, GetParam());
    for (const auto& [tag, expression] : std::vector<std::pair<std::string, std::string>>{
             {"N", "NAME"}, {"Q", "QTY"}, {"D", "DTOS(DAY)"}})
      ASSERT_EQ(runTdb({"index", table, tag, expression}).status, 0);
  }
  bool fox() const { return GetParam() == TableType::ttFoxPro; }
  std::string indexName() const { return fox() ? "s.cdx" : "s.mdx"; }
  // Where the header of the tag made last begins: cutting the file there loses that tag alone.
  size_t lastTagHeader() const {
    const std::string bytes = dir.read(indexName());
    if (fox()) return 1024 + 512 + 2 * 1024;  // file header, one directory node, two headers
    return size_t{static_cast<unsigned char>(bytes[544 + 2 * 32])} *
           512;  // its page, from the table
  }
  void cutIndex(size_t size) const { std::filesystem::resize_file(dir.file(indexName()), size); }

  TempDir dir;
  const std::string table = dir.file("s.dbf");
};

TEST_P(CliRepair, ReindexRebuildsTheTagsADamagedFileStillDefines) {
  cutIndex(lastTagHeader());
  // A cursor refuses the damaged file, and says what repairs it; info describes what is left.
  auto run = runTdb({"dump", table});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(indexName()), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("tdb reindex"), std::string::npos) << run.err;
  run = runTdb({"info", table});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("tags: 2\ntag\tN\tNAME\t"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("标签(D)"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("tdb reindex " + table), std::string::npos) << run.err;

  run = runTdb({"reindex", table});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("rebuilt without it"), std::string::npos) << run.err;
  EXPECT_EQ(lines(run.out),
            (std::vector<std::string>{"rebuilt N: 6 keys", "rebuilt Q: 6 keys",
                                      dir.file(indexName()) + ": 2 tags rebuilt, 0 dropped"}));
  run = runTdb({"dump", table, "--order", "q"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(firstColumn(run), (std::vector<std::string>{"R1", "R2", "R3", "R4", "R5", "R6"}));
  run = runTdb({"info", table});
  EXPECT_EQ(run.err, "");
}

TEST_P(CliRepair, ReindexOfAFileWithoutItsHeaderDropsTheFileAndTheMark) {
  cutIndex(100);
  EXPECT_NE(runTdb({"dump", table}).err.find("tdb reindex"), std::string::npos);
  auto run = runTdb({"reindex", table});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find(indexName()), std::string::npos) << run.err;
  EXPECT_EQ(run.out, dir.file(indexName()) + ": no tags left, the file is gone\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file(indexName())));
  EXPECT_EQ(headerFlags(dir, "s.dbf") & 1, 0);
  run = runTdb({"dump", table});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(lines(run.out).size(), 6u);
}

INSTANTIATE_TEST_SUITE_P(Formats, CliRepair,
                         ::testing::Values(TableType::ttDBase, TableType::ttFoxPro),
                         [](const auto& info) {
                           return info.param == TableType::ttFoxPro ? "FoxPro" : "dBASE";
                         });

TEST(CliCreate, CarriesTagsAsTheSourceHasThemAndSaysWhichItCannot) {
  TempDir dir;
  makeLaidOut(dir, {1, 2, 3, 4});
  const std::string f = dir.file("f.dbf");
  ASSERT_EQ(runTdb({"index", f, "bp", "STR(PRICE,8,2)", "--descending", "--unique"}).status, 0);
  ASSERT_EQ(runTdb({"index", f, "bd", "DTOS(DAY)"}).status, 0);
  EXPECT_EQ(indexLines(dir, "f.dbf")[3], "tag\tBIG\tNAME\tQTY>2\t\tNAME\t");

  // The same key expressions (a key of one DTOS or STR is no plain field key: its type and
  // order differ), in either format; the FOR tag stays out, with a warning.
  for (const std::vector<std::string>& extra :
       std::vector<std::vector<std::string>>{{"e.dbf"}, {"e4.dbf", "--foxpro"}}) {
    std::vector<std::string> args{"create", dir.file(extra[0]), "--like", f};
    args.insert(args.end(), extra.begin() + 1, extra.end());
    const auto run = runTdb(args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "created " + dir.file(extra[0]) + " with 6 fields and 3 tags\n");
    EXPECT_NE(run.err.find("warning: tag BIG left out"), std::string::npos) << run.err;
    const auto made = indexLines(dir, extra[0]);
    EXPECT_EQ(std::vector<std::string>(made.begin() + 1, made.end()),
              (std::vector<std::string>{"tags: 3", "tag\tNAME\tNAME\t\t\tNAME\t",
                                        "tag\tBP\tSTR(PRICE,8,2)\t\tunique,descending\t\t",
                                        "tag\tBD\tDTOS(DAY)\t\t\t\t"}));
  }
  EXPECT_EQ(indexLines(dir, "e.dbf")[0], "index: " + dir.file("e.mdx"));
  EXPECT_EQ(indexLines(dir, "e4.dbf")[0], "index: " + dir.file("e4.cdx"));

  // A tag the engine cannot evaluate is left out too; a source without tags makes none.
  TempDir other;
  makeDamaged(other);
  auto run = runTdb({"create", other.file("c.dbf"), "--like", other.file("s.dbf")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "created " + other.file("c.dbf") + " with 6 fields and 2 tags\n");
  EXPECT_NE(run.err.find("tag BP left out"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("tag BD left out"), std::string::npos) << run.err;
  test::makeSample(other, "plain.dbf", 1);
  run = runTdb({"create", other.file("p.dbf"), "--like", other.file("plain.dbf")});
  EXPECT_EQ(run.out, "created " + other.file("p.dbf") + " with 6 fields\n");
  EXPECT_FALSE(std::filesystem::exists(other.file("p.mdx")));
}

}  // namespace
}  // namespace tdb
