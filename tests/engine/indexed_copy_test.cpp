// A copy with index tags builds its tags once from the copied records: the files must be the very
// bytes that appending the records one by one writes, a unique tag must refuse what it refuses
// then, and a copy that fails or is killed leaves the old table or the whole new one.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "tests/engine/child_process.h"
#include "tests/engine/folder_snapshot.h"
#include "tests/engine/table_fixture.h"

namespace tdb {
namespace {

using test::point;
using test::TempDir;

struct Row {
  std::string name;
  int number;
  std::string note;  // empty: none
};

// Fields NAME C(10), NUM N(6,0), NOTE M.
void defineFields(Table& t) {
  t.fieldDefs().add("NAME", FieldType::ftString, 10);
  t.fieldDefs().add({"NUM", FieldType::ftFloat, 6, 0, false});
  t.fieldDefs().add("NOTE", FieldType::ftMemo);
}

void appendRows(Table& t, const std::vector<Row>& rows) {
  for (const Row& r : rows) {
    t.append();
    t.fieldByName("NAME").setAsString(r.name);
    t.fieldByName("NUM").setAsString(std::to_string(r.number));
    if (!r.note.empty()) t.fieldByName("NOTE").setAsString(r.note);
    t.post();
  }
}

// A table of `rows` without tags, which the copies read.
void makeSource(const TempDir& dir, const std::string& name, TableType type,
                const std::vector<Row>& rows) {
  Table t;
  point(t, dir, name, type);
  defineFields(t);
  t.createTable();
  t.open();
  appendRows(t, rows);
}

// Copies `source` to `dest` with the tags `indexes`.
void copyIndexed(const TempDir& dir, const std::string& source, const std::string& dest,
                 TableType type, const IndexDefs& indexes) {
  Table from, to;
  point(from, dir, source, type);
  point(to, dir, dest, type);
  defineFields(to);
  to.indexDefs() = indexes;
  to.batchMove(from, BatchMode::batCopyIndexed);
}

// Creates `dest` with those tags and appends `rows` one at a time, keys kept in step.
void appendOneByOne(const TempDir& dir, const std::string& dest, TableType type,
                    const IndexDefs& indexes, const std::vector<Row>& rows) {
  Table t;
  point(t, dir, dest, type);
  defineFields(t);
  t.indexDefs() = indexes;
  t.createTable();
  t.setExclusive(true);
  t.open();
  appendRows(t, rows);
}

IndexDefs tagsOf(const std::vector<IndexDef>& defs) {
  IndexDefs tags;
  for (const IndexDef& d : defs) tags.add(d);
  return tags;
}

IndexDefs someTags() {
  return tagsOf({{"BYNAME", "NAME", "", 0},
                 {"BYNUM", "NUM", "", ixUnique},
                 {"DOWN", "", "NAME+STR(NUM,6)", ixExpression | ixDescending},
                 {"SMALL", "", "NUM", ixExpression}});
}

std::vector<Row> manyRows(int count) {
  std::vector<Row> rows;
  std::mt19937 random(7);
  for (int i = 0; i < count; ++i)  // names repeat, numbers do not
    rows.push_back({"N" + std::to_string(random() % 300), i * 7 % 100003,
                    i % 5 == 0 ? "note " + std::to_string(i) : ""});
  return rows;
}

TEST(IndexedCopy, WritesTheBytesThatAppendingOneByOneWrites) {
  const std::vector<Row> rows = manyRows(3000);  // tags of several blocks
  for (const auto& [type, table, index, memo] :
       {std::tuple{TableType::ttDBase, ".dbf", ".mdx", ".dbt"},
        std::tuple{TableType::ttFoxPro, ".dbf", ".cdx", ".fpt"}}) {
    // Side by side in two folders under one name: an index file names its table.
    TempDir copiedDir, addedDir;
    makeSource(copiedDir, std::string("src") + table, type, rows);
    copyIndexed(copiedDir, std::string("src") + table, std::string("t") + table, type, someTags());
    appendOneByOne(addedDir, std::string("t") + table, type, someTags(), rows);
    for (const char* ext : {table, index, memo})
      EXPECT_TRUE(copiedDir.read(std::string("t") + ext) == addedDir.read(std::string("t") + ext))
          << ext;
    Table check;
    point(check, copiedDir, std::string("t") + table, type);
    check.setIndexName("BYNUM");
    check.open();
    check.first();
    EXPECT_EQ(check.fieldByName("NUM").asNumber(), 0);
    EXPECT_EQ(check.recordCount(), 3000);
  }
}

TEST(IndexedCopy, AUniqueTagRefusesTheRecordThatAppendingWouldAndNothingIsLeft) {
  // Record by record the copy stops at record 4 on UNAME (B again): BYNUM's clash comes later
  // (record 5: 5 again), and so does UNAME's other one (record 6: A again), though A sorts first.
  const std::vector<Row> rows = {{"A", 1, ""}, {"B", 2, "b"}, {"C", 5, ""},
                                 {"B", 4, ""}, {"D", 5, ""},  {"A", 6, ""}};
  const IndexDefs tags = tagsOf({{"BYNUM", "NUM", "", ixUnique}, {"UNAME", "NAME", "", ixUnique}});
  TempDir dir;
  makeSource(dir, "src.dbf", TableType::ttDBase, rows);
  const test::FolderSnapshot before(dir.path());

  const std::string copied =
      test::errorOf([&] { copyIndexed(dir, "src.dbf", "copy.dbf", TableType::ttDBase, tags); });
  EXPECT_EQ(test::FolderSnapshot(dir.path()).changesSince(before), "");
  const std::string added =
      test::errorOf([&] { appendOneByOne(dir, "added.dbf", TableType::ttDBase, tags, rows); });
  EXPECT_NE(added, "(no error)");
  EXPECT_EQ(copied.rfind(added, 0), 0u) << copied << " / " << added;
  EXPECT_NE(added.find("UNAME"), std::string::npos) << added;
}

TEST(IndexedCopy, AKilledCopyLeavesTheOldTableOrTheNewOneWithTagsInStep) {
  TempDir dir;
  makeSource(dir, "a.dbf", TableType::ttDBase, manyRows(4000));
  makeSource(dir, "b.dbf", TableType::ttDBase, manyRows(6000));
  copyIndexed(dir, "a.dbf", "d.dbf", TableType::ttDBase, someTags());
  std::mt19937 random(20261210);
  for (int round = 0; round < 6; ++round) {
    test::Child copier([&](int up, int) {
      for (int i = 0;; ++i) {
        copyIndexed(dir, i % 2 ? "a.dbf" : "b.dbf", "d.dbf", TableType::ttDBase, someTags());
        test::say(up, "copied");
      }
    });
    ASSERT_EQ(copier.line(), "copied");
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 80000));
    copier.kill9();
    copier.wait();
    Table d;
    point(d, dir, "d.dbf");
    d.setIndexName("BYNAME");
    d.open();
    const long count = d.recordCount();
    EXPECT_TRUE(count == 4000 || count == 6000) << "round " << round << ": " << count;
    long inOrder = 0;
    std::string last;
    for (d.first(); !d.eof(); d.next(), ++inOrder) {
      ASSERT_LE(last, d.fieldByName("NAME").asString()) << "round " << round;
      last = d.fieldByName("NAME").asString();
    }
    EXPECT_EQ(inOrder, count) << "round " << round;
  }
}

}  // namespace
}  // namespace tdb
