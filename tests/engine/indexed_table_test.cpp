// Tables with production indexes: ordered cursors, unique keys, master/detail ranges, and the
// index files kept valid across changes, packs and crashes.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/index/cdx_file.h"
#include "engine/index/cdx_writer.h"
#include "engine/index/key_encoding.h"
#include "engine/index/mdx_file.h"
#include "engine/index/production_index.h"
#include "engine/table.h"
#include "tests/engine/table_fixture.h"

namespace tdb::test {
namespace {

namespace fs = std::filesystem;

struct Person {
  const char* name;
  int age;
  int day;  // of January 2024
};

const std::vector<Person> kPeople = {{"wang", 30, 5}, {"li", 25, 9},    {"zhao", 30, 1},
                                     {"LI", 41, 9},   {"chen", 25, 20}, {"li", 19, 3}};

// PEOPLE with NAME C(8), AGE N(3), DAY D and the tags the test asks for.
void makePeople(const TempDir& dir, TableType type, const std::vector<IndexDef>& tags,
                const std::vector<Person>& rows = kPeople) {
  Table t;
  point(t, dir, "people.dbf", type);
  t.fieldDefs().add("NAME", FieldType::ftString, 8);
  t.fieldDefs().add({"AGE", FieldType::ftInteger, 3, 0, false});
  t.fieldDefs().add("DAY", FieldType::ftDate);
  for (const IndexDef& d : tags) t.indexDefs().add(d);
  t.createTable();
  t.open();
  for (const Person& p : rows) {
    t.append();
    t.fieldByName("NAME").setAsString(p.name);
    t.fieldByName("AGE").setValue(Value::integer(p.age));
    t.fieldByName("DAY").setValue(Value::dateTime(encodeDate(2024, 1, p.day)));
    t.post();
  }
  t.close();
}

// "name:recno" of every visible record in the cursor's order.
std::string walk(Table& t) {
  std::string out;
  for (t.first(); !t.eof(); t.next()) {
    std::string name = t.fieldByName("NAME").asString();
    while (!name.empty() && name.back() == ' ') name.pop_back();
    out += (out.empty() ? "" : " ") + name + ":" + std::to_string(t.recNo());
  }
  return out;
}

std::string walkBackwards(Table& t) {
  std::vector<std::string> items;
  for (t.last(); !t.bof(); t.prior()) items.push_back(std::to_string(t.recNo()));
  std::string out;
  for (auto it = items.rbegin(); it != items.rend(); ++it) out += (out.empty() ? "" : " ") + *it;
  return out;
}

std::string recnos(const std::string& walked) {
  std::string out;
  for (size_t at = 0; (at = walked.find(':', at)) != std::string::npos; ++at) {
    size_t end = walked.find(' ', at);
    out += (out.empty() ? "" : " ") + walked.substr(at + 1, end - at - 1);
  }
  return out;
}

// The record numbers of a tag as the index file on disk holds them, in its stored order.
std::vector<uint32_t> fileOrder(const std::string& path, const std::string& tag) {
  std::vector<uint32_t> out;
  if (path.ends_with(".cdx") || path.ends_with(".CDX")) {
    CdxFile f(path);
    for (const IndexEntry& e : f.entries(f.tagIndex(tag))) out.push_back(e.recno);
  } else {
    MdxFile f(path);
    for (const IndexEntry& e : f.entries(f.tagIndex(tag))) out.push_back(e.recno);
  }
  return out;
}

std::vector<uint32_t> cursorOrder(Table& t) {
  std::vector<uint32_t> out;
  for (t.first(); !t.eof(); t.next()) out.push_back(static_cast<uint32_t>(t.recNo()));
  return out;
}

class IndexedTable : public ::testing::TestWithParam<TableType> {
 protected:
  std::string indexFile() const {
    return dir.file(GetParam() == TableType::ttFoxPro ? "people.cdx" : "people.mdx");
  }
  uint8_t headerFlags() const { return static_cast<uint8_t>(dir.read("people.dbf")[28]); }
  // Opens the table in the order of `tag`.
  void openIn(Table& t, const std::string& tag) {
    point(t, dir, "people.dbf", GetParam());
    t.open();
    t.setIndexName(tag);
  }
  // Another program appends a record and leaves the index file as it was.
  void appendBehindTheIndex(const std::string& name, int age) {
    const std::string index = fs::path(indexFile()).filename().string();
    const std::string behind = dir.read(index);
    {
      Table t;
      point(t, dir, "people.dbf", GetParam());
      t.open();
      t.append();
      t.fieldByName("NAME").setAsString(name);
      t.fieldByName("AGE").setValue(Value::integer(age));
      t.post();
    }
    dir.write(index, behind);
  }

  TempDir dir;
};

TEST_P(IndexedTable, OrdersByNameByFieldsAndDescending) {
  makePeople(dir, GetParam(),
             {{"NAME", "NAME", "", 0},
              {"AGEDAY", "AGE;DAY", "", 0},
              {"UNAME", "", "UPPER(NAME)", ixExpression},
              {"OLDEST", "AGE", "", ixDescending},
              {"DAYTEXT", "", "DTOS(DAY)", ixExpression}});
  EXPECT_TRUE(fs::exists(indexFile()));
  EXPECT_EQ(headerFlags() & 1, 1);

  Table t;
  point(t, dir, "people.dbf", GetParam());
  t.open();
  ASSERT_EQ(t.indexDefs().count(), 5);
  // A key of one field's text is the text's key, not the field's: it stays an expression.
  EXPECT_EQ(t.indexDefs()[4].expression, "DTOS(DAY)");
  EXPECT_EQ(t.indexDefs()[1].fields, "AGE;DAY");
  EXPECT_EQ(t.indexDefs()[2].options, unsigned(ixExpression));
  EXPECT_EQ(t.indexDefs()[2].expression, "UPPER(NAME)");
  EXPECT_EQ(t.indexDefs()[3].options, unsigned(ixDescending));

  EXPECT_EQ(walk(t), "wang:1 li:2 zhao:3 LI:4 chen:5 li:6");
  t.setIndexFieldNames("name");
  EXPECT_EQ(walk(t), "LI:4 chen:5 li:2 li:6 wang:1 zhao:3");  // equal keys by record number
  EXPECT_EQ(walkBackwards(t), "4 5 2 6 1 3");
  t.setIndexName("uname");
  EXPECT_TRUE(t.indexFieldNames().empty());
  EXPECT_EQ(walk(t), "chen:5 li:2 LI:4 li:6 wang:1 zhao:3");
  t.setIndexFieldNames("AGE;DAY");
  EXPECT_TRUE(t.indexName().empty());
  EXPECT_EQ(recnos(walk(t)), "6 2 5 3 1 4");
  t.setIndexName("OLDEST");
  EXPECT_EQ(recnos(walk(t)), "4 1 3 2 5 6");  // descending, equal keys still by record number
  EXPECT_EQ(t.recordCount(), 6);

  EXPECT_THROW(t.setIndexFieldNames("DAY"), EngineError);
  EXPECT_THROW(t.setIndexName("NOSUCH"), EngineError);
  t.setIndexFieldNames("");
  EXPECT_EQ(recnos(walk(t)), "1 2 3 4 5 6");
}

TEST_P(IndexedTable, KeysFollowEditsInsertsAndDeletes) {
  makePeople(dir, GetParam(), {{"NAME", "NAME", "", 0}, {"AGE", "AGE", "", 0}});
  {
    Table t;
    point(t, dir, "people.dbf", GetParam());
    t.open();
    t.setIndexName("NAME");
    ASSERT_TRUE(t.locate("NAME", Value::text("zhao")));
    t.edit();
    t.fieldByName("NAME").setAsString("an");
    t.post();
    EXPECT_EQ(t.recNo(), 3);
    t.next();
    EXPECT_EQ(t.recNo(), 5);  // the cursor moved with the record to its new place
    t.append();
    t.fieldByName("NAME").setAsString("mao");
    t.fieldByName("AGE").setValue(Value::integer(50));
    t.post();
    ASSERT_TRUE(t.locate("NAME", Value::text("chen")));
    t.deleteRecord();
    EXPECT_EQ(walk(t), "LI:4 an:3 li:2 li:6 mao:7 wang:1");
    EXPECT_TRUE(t.locate("NAME", Value::text("ma"), loPartialKey));
    EXPECT_EQ(t.recNo(), 7);
    EXPECT_FALSE(t.locate("NAME", Value::text("chen")));
    t.close();
  }
  // What the file says after the close is what the cursor walked; deleted records stay in it.
  EXPECT_EQ(fileOrder(indexFile(), "NAME"), (std::vector<uint32_t>{4, 3, 5, 2, 6, 7, 1}));
  EXPECT_EQ(fileOrder(indexFile(), "AGE"), (std::vector<uint32_t>{6, 2, 5, 1, 3, 4, 7}));
  EXPECT_FALSE(fs::exists(ProductionIndex::markerFor(dir.file("people.dbf"))));
}

TEST_P(IndexedTable, BufferedUpdatesTakeTheirPlaceInTheOrder) {
  makePeople(dir, GetParam(), {{"NAME", "NAME", "", 0}});
  Table t;
  point(t, dir, "people.dbf", GetParam());
  t.open();
  t.setIndexName("NAME");
  t.setCachedUpdates(true);
  t.append();
  t.fieldByName("NAME").setAsString("dai");
  t.post();
  ASSERT_TRUE(t.locate("NAME", Value::text("wang")));
  t.edit();
  t.fieldByName("NAME").setAsString("an");
  t.post();
  EXPECT_EQ(walk(t), "LI:4 an:1 chen:5 dai:7 li:2 li:6 zhao:3");
  t.applyUpdates();
  t.setCachedUpdates(false);
  EXPECT_EQ(walk(t), "LI:4 an:1 chen:5 dai:7 li:2 li:6 zhao:3");
}

// Appends a record whose AGE is `appended`, then gives the first record the AGE `edited`: neither
// may be stored. The edit is left in hand.
void expectAppendAndEditRefused(Table& t, int appended, int edited) {
  t.append();
  t.fieldByName("AGE").setValue(Value::integer(appended));
  EXPECT_THROW(t.post(), EngineError);
  t.cancel();
  t.first();
  t.edit();
  t.fieldByName("AGE").setValue(Value::integer(edited));
  EXPECT_THROW(t.post(), EngineError);
}

TEST_P(IndexedTable, UniqueTagsRefuseDuplicateKeys) {
  makePeople(dir, GetParam(), {{"AGE", "AGE", "", ixUnique}},
             {{"a", 1, 1}, {"b", 2, 2}, {"c", 3, 3}});
  Table t;
  point(t, dir, "people.dbf", GetParam());
  t.open();
  expectAppendAndEditRefused(t, 2, 3);
  t.fieldByName("NAME").setAsString("x");
  t.fieldByName("AGE").setValue(Value::integer(1));
  t.post();  // the key did not change
  // A deleted record's key is free again.
  t.last();
  t.deleteRecord();
  t.append();
  t.fieldByName("AGE").setValue(Value::integer(3));
  t.post();
  EXPECT_EQ(t.recordCount(), 3);
}

TEST_P(IndexedTable, DetailRangeFollowsTheMasterOnMultiFieldKeys) {
  makePeople(dir, GetParam(), {{"NAMEAGE", "NAME;AGE", "", 0}},
             {{"li", 25, 1}, {"wang", 30, 2}, {"li", 30, 3}, {"li", 25, 4}, {"lin", 25, 5}});
  Table master;
  point(master, dir, "keys.dbf", GetParam());
  master.fieldDefs().add("WHO", FieldType::ftString, 12);
  master.fieldDefs().add({"YEARS", FieldType::ftFloat, 6, 1, false});
  master.createTable();
  master.open();
  for (auto [who, years] : {std::pair{"li", 25.0}, {"wang", 30.0}, {"li", 31.0}}) {
    master.append();
    master.fieldByName("WHO").setAsString(who);
    master.fieldByName("YEARS").setValue(Value::number(years));
    master.post();
  }
  Table detail;
  point(detail, dir, "people.dbf", GetParam());
  detail.open();
  detail.setIndexFieldNames("NAME;AGE");
  detail.setMasterFields("WHO;YEARS");
  detail.setMasterSource(&master);
  master.first();
  EXPECT_EQ(recnos(walk(detail)), "1 4");
  EXPECT_EQ(walkBackwards(detail), "1 4");
  EXPECT_EQ(detail.recordCount(), 2);
  EXPECT_TRUE(detail.locate("NAME", Value::text("li")));
  EXPECT_EQ(detail.recNo(), 1);
  master.next();
  EXPECT_EQ(recnos(walk(detail)), "2");
  master.next();
  EXPECT_TRUE(detail.isEmpty());
  // One master field: every record with that name; a filter narrows the range further.
  detail.setMasterFields("WHO");
  master.first();
  EXPECT_EQ(recnos(walk(detail)), "1 4 3");
  detail.setFilter("AGE > 25");
  detail.setFiltered(true);
  EXPECT_EQ(recnos(walk(detail)), "3");
  EXPECT_EQ(detail.recordCount(), 1);
  detail.setFiltered(false);
  // A new detail record takes the master's key.
  detail.append();
  detail.post();
  EXPECT_EQ(detail.fieldByName("NAME").asString(), "li");
  EXPECT_EQ(detail.recordCount(), 4);
}

TEST_P(IndexedTable, PackRebuildsEveryTag) {
  makePeople(dir, GetParam(), {{"NAME", "NAME", "", 0}, {"DAY", "DAY", "", ixDescending}});
  {
    Table t;
    point(t, dir, "people.dbf", GetParam());
    t.setExclusive(true);
    t.open();
    for (long r : {2, 5}) {
      t.first();
      while (t.recNo() != r) t.next();
      t.deleteRecord();
    }
    t.pack();
    t.setIndexName("NAME");
    EXPECT_EQ(walk(t), "LI:3 li:4 wang:1 zhao:2");
  }
  EXPECT_EQ(fileOrder(indexFile(), "NAME"), (std::vector<uint32_t>{3, 4, 1, 2}));
  Table t;
  point(t, dir, "people.dbf", GetParam());
  t.open();
  t.setIndexName("DAY");
  EXPECT_EQ(cursorOrder(t), (std::vector<uint32_t>{3, 1, 4, 2}));
}

TEST_P(IndexedTable, CrashLeavesAMarkedIndexThatTheNextOpenRebuilds) {
  makePeople(dir, GetParam(), {{"NAME", "NAME", "", 0}});
  const std::string before = dir.read(fs::path(indexFile()).filename().string());
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    Table t;
    point(t, dir, "people.dbf", GetParam());
    t.open();
    t.first();
    t.edit();
    t.fieldByName("NAME").setAsString("zz");
    t.post();
    t.append();
    t.fieldByName("NAME").setAsString("aa");
    t.post();
    _exit(0);  // no close: the index file was never rewritten
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(dir.read(fs::path(indexFile()).filename().string()), before);
  EXPECT_TRUE(fs::exists(ProductionIndex::markerFor(dir.file("people.dbf"))));

  Table t;
  point(t, dir, "people.dbf", GetParam());
  t.open();
  t.setIndexName("NAME");
  EXPECT_EQ(walk(t), "LI:4 aa:7 chen:5 li:2 li:6 zhao:3 zz:1");
  t.close();
  EXPECT_FALSE(fs::exists(ProductionIndex::markerFor(dir.file("people.dbf"))));
  EXPECT_EQ(fileOrder(indexFile(), "NAME"), (std::vector<uint32_t>{4, 7, 5, 2, 6, 3, 1}));
}

TEST_P(IndexedTable, AnIndexBehindTheTableIsRebuilt) {
  // Another program appends without touching the index: the file misses the new record.
  makePeople(dir, GetParam(), {{"NAME", "NAME", "", 0}});
  appendBehindTheIndex("bai", 0);
  Table t;
  openIn(t, "NAME");
  EXPECT_EQ(walk(t), "LI:4 bai:7 chen:5 li:2 li:6 wang:1 zhao:3");
  t.close();
  EXPECT_EQ(fileOrder(indexFile(), "NAME"), (std::vector<uint32_t>{4, 7, 5, 2, 6, 1, 3}));
}

// A unique tag keeps one entry per key, so its file may hold fewer entries than the table has
// records; a record it misses must still be noticed, or its key could be stored twice.
TEST_P(IndexedTable, AUniqueTagBehindTheTableIsRebuilt) {
  makePeople(dir, GetParam(), {}, {{"a", 1, 1}, {"b", 2, 2}, {"b2", 2, 3}});
  {
    Table t;
    point(t, dir, "people.dbf", GetParam());
    t.setExclusive(true);
    t.open();
    t.addIndex({"AGE", "AGE", "", ixUnique});  // b2 repeats b's key: the file keeps b alone
  }
  appendBehindTheIndex("c", 3);
  Table t;
  openIn(t, "AGE");
  EXPECT_EQ(walk(t), "a:1 b:2 b2:3 c:4");
  t.append();
  t.fieldByName("AGE").setValue(Value::integer(3));
  EXPECT_THROW(t.post(), EngineError);
  t.cancel();
  EXPECT_EQ(t.recordCount(), 4);
}

// The stale-index marker is written before a record is: a store that cannot write it (a full
// disk) stores nothing, so the index file never silently misses a record.
TEST_P(IndexedTable, AStoreThatCannotMarkTheIndexStaleChangesNothing) {
  makePeople(dir, GetParam(), {{"AGE", "AGE", "", ixUnique}}, {{"a", 1, 1}, {"b", 2, 2}});
  const std::string before = dir.read("people.dbf");
  // A folder where the marker's temporary file goes makes writing the marker fail.
  const std::string blocker = ProductionIndex::markerFor(dir.file("people.dbf")) + ".tdb-new";
  {
    Table t;
    point(t, dir, "people.dbf", GetParam());
    t.setExclusive(true);
    t.open();
    fs::create_directory(blocker);
    expectAppendAndEditRefused(t, 3, 9);
    t.cancel();
    fs::remove(blocker);
    t.close();
  }
  EXPECT_EQ(dir.read("people.dbf"), before);
  Table t;
  openIn(t, "AGE");
  EXPECT_EQ(walk(t), "a:1 b:2");
  t.append();
  t.fieldByName("NAME").setAsString("c");
  t.fieldByName("AGE").setValue(Value::integer(3));
  t.post();
  t.append();
  t.fieldByName("AGE").setValue(Value::integer(3));
  EXPECT_THROW(t.post(), EngineError);
  t.cancel();
  EXPECT_EQ(walk(t), "a:1 b:2 c:3");
}

TEST_P(IndexedTable, SharedHoldersLeaveTheIndexToTheLastOne) {
  makePeople(dir, GetParam(), {{"NAME", "NAME", "", 0}});
  const std::string marker = ProductionIndex::markerFor(dir.file("people.dbf"));
  Table a, b;
  point(a, dir, "people.dbf", GetParam());
  point(b, dir, "people.dbf", GetParam());
  a.open();
  b.open();
  a.append();
  a.fieldByName("NAME").setAsString("from a");
  a.post();
  b.last();
  b.edit();
  b.fieldByName("NAME").setAsString("by b");
  b.post();
  a.close();
  EXPECT_TRUE(fs::exists(marker));  // b still has changes of its own to write
  b.close();
  EXPECT_FALSE(fs::exists(marker));
  // Whoever wrote last indexed the table as it stands, both changes included.
  EXPECT_EQ(fileOrder(indexFile(), "NAME"), (std::vector<uint32_t>{4, 6, 5, 7, 2, 1, 3}));
}

TEST_P(IndexedTable, IndexesAreAddedAndRemovedExclusively) {
  makePeople(dir, GetParam(), {});
  EXPECT_FALSE(fs::exists(indexFile()));
  EXPECT_EQ(headerFlags() & 1, 0);
  Table t;
  point(t, dir, "people.dbf", GetParam());
  t.open();
  EXPECT_THROW(t.addIndex({"NAME", "NAME", "", 0}), EngineError);
  t.close();
  t.setExclusive(true);
  t.open();
  t.addIndex({"NAME", "NAME", "", 0});
  t.addIndex({"YEAR", "", "STR(AGE,3)+DTOS(DAY)", ixExpression});
  EXPECT_EQ(t.indexDefs().count(), 2);
  EXPECT_TRUE(fs::exists(indexFile()));
  t.setIndexName("YEAR");
  EXPECT_EQ(recnos(walk(t)), "6 2 5 3 1 4");
  t.deleteIndex("YEAR");
  EXPECT_TRUE(t.indexName().empty());
  t.deleteIndex("NAME");
  t.close();
  EXPECT_FALSE(fs::exists(indexFile()));
  EXPECT_EQ(headerFlags() & 1, 0);
}

TEST_P(IndexedTable, RefusesOptionsAndTagsItCannotEvaluate) {
  Table t;
  point(t, dir, "people.dbf", GetParam());
  t.fieldDefs().add("NAME", FieldType::ftString, 8);
  t.indexDefs().add({"P", "NAME", "", ixPrimary});
  EXPECT_THROW(t.createTable(), EngineError);
  t.indexDefs().clear();
  t.indexDefs().add({"C", "NAME", "", ixCaseInsensitive});
  EXPECT_THROW(t.createTable(), EngineError);
  EXPECT_FALSE(t.exists());
  t.indexDefs().clear();
  t.indexDefs().add({"BAD", "", "NOSUCH+NAME", ixExpression});
  EXPECT_THROW(t.createTable(), EngineError);
  EXPECT_FALSE(t.exists());

  // An index file whose tag names a field the table does not have.
  makePeople(dir, GetParam(), {{"AGE", "AGE", "", 0}});
  const std::string index = fs::path(indexFile()).filename().string();
  const std::string saved = dir.read(index);
  Table other;
  point(other, dir, "people.dbf", GetParam());
  other.fieldDefs().add("NAME", FieldType::ftString, 8);
  other.createTable();
  dir.write(index, saved);
  try {
    other.open();
    FAIL() << "opened";
  } catch (const EngineError& e) {
    EXPECT_NE(std::string(e.what()).find("AGE"), std::string::npos) << e.what();
  }
  other.updateFieldDefs();  // the structure can still be read
  EXPECT_EQ(other.indexDefs().count(), 1);
}

TEST_P(IndexedTable, ADamagedIndexTreeStopsItsFirstUseAndNamesTheFile) {
  std::vector<Person> many;
  for (int i = 0; i < 400; ++i) many.push_back({"n", i, 1});
  makePeople(dir, GetParam(), {{"AGE", "AGE", "", 0}}, many);
  const std::string index = fs::path(indexFile()).filename().string();
  std::string bytes = dir.read(index);
  bytes.resize(bytes.size() - 512);  // the last node of the tree now lies past the end
  dir.write(index, bytes);
  Table t;
  point(t, dir, "people.dbf", GetParam());
  t.open();  // the definitions are whole; the natural order needs no keys
  EXPECT_EQ(t.recordCount(), 400);
  auto expectNamed = [&](auto&& use) {
    try {
      use();
      FAIL() << "the damaged tree was used";
    } catch (const EngineError& e) {
      EXPECT_NE(std::string(e.what()).find(index), std::string::npos) << e.what();
    }
  };
  expectNamed([&] { t.setIndexName("AGE"); });
  EXPECT_TRUE(t.indexName().empty());
  t.first();
  t.edit();
  t.fieldByName("NAME").setAsString("changed");
  expectNamed([&] { t.post(); });  // nothing is written past a tag that cannot be kept
  t.cancel();
  t.close();
  t.open();
  EXPECT_EQ(t.fieldByName("NAME").asString(), "n");
}

TEST(IndexedFoxProTable, ForConditionsChooseTheRecordsOfATag) {
  TempDir dir;
  makePeople(dir, TableType::ttFoxPro, {});
  // FoxPro's tags may carry a FOR condition; the engine keeps them but does not create them.
  KeyList keys(8);
  keys.assign("li      chen    li      ", {2, 5, 6});
  TagImage young{{"YOUNG", "NAME", "AGE < 30", false, false, 8, 'C'}, &keys};
  writeCdx(dir.file("people.cdx"), {young});
  Table t;
  point(t, dir, "people.dbf", TableType::ttFoxPro);
  t.open();
  t.setIndexName("YOUNG");
  EXPECT_EQ(walk(t), "chen:5 li:2 li:6");
  EXPECT_EQ(t.recordCount(), 3);
  ASSERT_TRUE(t.locate("NAME", Value::text("chen")));
  t.edit();
  t.fieldByName("AGE").setValue(Value::integer(60));  // leaves the tag
  t.post();
  t.setIndexName("");
  ASSERT_TRUE(t.locate("NAME", Value::text("zhao")));
  t.edit();
  t.fieldByName("AGE").setValue(Value::integer(3));  // enters it
  t.post();
  t.setIndexName("YOUNG");
  EXPECT_EQ(walk(t), "li:2 li:6 zhao:3");
  t.close();
  CdxFile cdx(dir.file("people.cdx"));
  ASSERT_EQ(cdx.tags().size(), 1u);
  EXPECT_EQ(cdx.tags()[0].forExpression, "AGE < 30");
  EXPECT_EQ(fileOrder(dir.file("people.cdx"), "YOUNG"), (std::vector<uint32_t>{2, 6, 3}));
}

INSTANTIATE_TEST_SUITE_P(Formats, IndexedTable,
                         ::testing::Values(TableType::ttDBase, TableType::ttFoxPro),
                         [](const auto& info) {
                           return info.param == TableType::ttFoxPro ? "FoxPro" : "dBASE";
                         });

}  // namespace
}  // namespace tdb::test
