// Appends grouped in a batch on a dBASE table held alone: readable as they go, counted in the
// header at the batch's end, and all gone when the process dies before it.

#include <gtest/gtest.h>

#include <cstring>

#include "engine/table.h"
#include "tests/engine/child_process.h"
#include "tests/engine/restructure_fixture.h"

namespace tdb {
namespace {

using test::Child;
using test::say;
using test::TempDir;

uint32_t headerCount(const TempDir& dir, const std::string& table) {
  const std::string bytes = dir.read(table);
  uint32_t n = 0;
  std::memcpy(&n, bytes.data() + 4, 4);
  return n;
}

// A table NAME C(10), NOTE M without records, open as `exclusive` says.
void makeNoted(Table& t, const TempDir& dir, bool exclusive) {
  test::point(t, dir, "B.DBF");
  t.fieldDefs().add("NAME", FieldType::ftString, 10);
  t.fieldDefs().add("NOTE", FieldType::ftMemo);
  t.createTable();
  t.setExclusive(exclusive);
  t.open();
}

void appendNamed(Table& t, int from, int count) {
  for (int i = from; i < from + count; ++i) {
    t.append();
    t.fieldByName("NAME").setAsString("B" + std::to_string(i));
    t.fieldByName("NOTE").setAsString("note of B" + std::to_string(i));
    t.post();
  }
}

TEST(DbfBatch, AppendsReadBackAtOnceAndCountInTheHeaderAtTheEnd) {
  TempDir dir;
  Table t;
  makeNoted(t, dir, true);
  appendNamed(t, 1, 2);
  {
    Table::Batch batch(t);
    appendNamed(t, 3, 20000);  // more than one block of them
    EXPECT_EQ(headerCount(dir, "B.DBF"), 2u);
    t.first();
    t.moveBy(10000);
    EXPECT_EQ(t.fieldByName("NOTE").asString(), "note of B10001");
    t.last();
    EXPECT_EQ(t.fieldByName("NAME").asString(), "B20002");
    batch.finish();
  }
  EXPECT_EQ(headerCount(dir, "B.DBF"), 20002u);
  t.close();
  EXPECT_EQ(dir.read("B.DBF").back(), '\x1A');
  t.open();
  EXPECT_EQ(t.recordCount(), 20002);
}

TEST(DbfBatch, AProcessKilledInABatchLeavesTheTableAsBeforeIt) {
  TempDir dir;
  {
    Table t;
    makeNoted(t, dir, false);
    appendNamed(t, 1, 5);
  }
  Child writer([&](int up, int) {
    Table t;
    test::point(t, dir, "B.DBF");
    t.setExclusive(true);
    t.open();
    Table::Batch batch(t);
    appendNamed(t, 6, 30000);
    say(up, "appended");
    for (;;) appendNamed(t, 1, 1);
  });
  ASSERT_EQ(writer.line(), "appended");
  writer.kill9();
  writer.wait();
  Table t;
  test::point(t, dir, "B.DBF");
  t.open();
  EXPECT_EQ(t.recordCount(), 5);
  t.last();
  EXPECT_EQ(t.fieldByName("NOTE").asString(), "note of B5");
  t.close();
  // The table takes appends again where it ended.
  t.open();
  appendNamed(t, 6, 1);
  t.close();
  t.open();
  EXPECT_EQ(t.recordCount(), 6);
}

}  // namespace
}  // namespace tdb
