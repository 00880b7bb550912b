// Positions for grids: the record at a row, the row of the current record, against the order a
// plain walk with next() gives, in the natural order, a tag's order and a filtered view.

#include <gtest/gtest.h>

#include <vector>

#include "engine/table.h"
#include "tests/engine/table_fixture.h"

namespace tdb::test {
namespace {

std::vector<uint32_t> walk(Table& t) {
  std::vector<uint32_t> out;
  for (t.first(); !t.eof(); t.next()) out.push_back(static_cast<uint32_t>(t.recNo()));
  return out;
}

// Every position, in an order that jumps back and forth across the remembered places.
void expectPositions(Table& t) {
  const std::vector<uint32_t> rows = walk(t);
  ASSERT_EQ(static_cast<long>(rows.size()), t.recordCount());
  const long n = static_cast<long>(rows.size());
  for (long k : {n, 1L, n / 2, n / 2 + 1, n / 2 - 1, 257L, 256L, 513L, n - 300, 2L}) {
    if (k >= 1 && k <= n) {
      EXPECT_EQ(t.recordAt(k), rows[k - 1]) << k;
    }
  }
  for (long k = n; k >= 1; k -= 7) ASSERT_EQ(t.recordAt(k), rows[k - 1]) << k;
  EXPECT_EQ(t.recordAt(n + 1), 0u);
  EXPECT_EQ(t.recordAt(0), 0u);
  for (long k : {1L, n, n / 3, 700L}) {
    if (k < 1 || k > n) continue;
    ASSERT_TRUE(t.moveTo(k));
    EXPECT_EQ(t.recNo(), static_cast<long>(rows[k - 1]));
    EXPECT_EQ(t.position(), k);
  }
  EXPECT_FALSE(t.moveTo(n + 1));
}

TEST(Positions, FollowTheNaturalOrderTagOrdersAndFilters) {
  TempDir dir;
  makeSample(dir, "s.dbf", 2000);
  Table t;
  point(t, dir, "s.dbf");
  t.setExclusive(true);
  t.open();
  for (int r : {1, 2, 300, 1999, 2000}) {  // deleted records are no rows
    ASSERT_TRUE(t.locate("NAME", Value::text("R" + std::to_string(r))));
    t.deleteRecord();
  }
  expectPositions(t);

  // After a locate, the current record's row is found without a walk from the top.
  ASSERT_TRUE(t.locate("NAME", Value::text("R1500")));
  EXPECT_EQ(t.position(), 1500 - 3);
  EXPECT_EQ(t.valueAt(t.recordAt(1), 0), Value::text("R3"));

  t.addIndex({"BYDAY", "DAY", "", 0});
  t.setIndexName("BYDAY");
  expectPositions(t);
  t.setFilter("QTY > 1500");
  t.setFiltered(true);
  expectPositions(t);
  ASSERT_TRUE(t.locate("NAME", Value::text("R1600")));
  EXPECT_GT(t.position(), 0);
  EXPECT_EQ(t.recordAt(t.position()), static_cast<uint32_t>(t.recNo()));
  t.setIndexName("");
  expectPositions(t);

  // A change renumbers the rows.
  t.setFiltered(false);
  t.first();
  t.deleteRecord();
  expectPositions(t);
}

TEST(Positions, EditsKeepRowsUnlessTheyMoveTheRecord) {
  TempDir dir;
  makeSample(dir, "s.dbf", 1000);
  Table t;
  point(t, dir, "s.dbf");
  t.setExclusive(true);
  t.open();
  t.addIndex({"BYQTY", "QTY", "", 0});

  // Natural order: a rewritten record stays on its row, and every row stays right.
  ASSERT_TRUE(t.moveTo(600));
  t.edit();
  t.fieldByName("NAME").setAsString("X");
  t.post();
  EXPECT_EQ(t.position(), 600);
  EXPECT_EQ(t.recordCount(), 1000);
  expectPositions(t);

  // In a tag's order, a new key moves the record, the same key keeps it.
  t.setIndexName("BYQTY");
  ASSERT_TRUE(t.moveTo(10));
  t.edit();
  t.fieldByName("NAME").setAsString("Y");
  t.post();
  EXPECT_EQ(t.position(), 10);
  t.edit();
  t.fieldByName("QTY").setValue(Value::integer(5000));
  t.post();
  EXPECT_EQ(t.position(), 1000);
  expectPositions(t);

  // Under a filter the record may leave the view.
  t.setFilter("QTY<5000");
  t.setFiltered(true);
  ASSERT_TRUE(t.moveTo(1));
  t.edit();
  t.fieldByName("QTY").setValue(Value::integer(6000));
  t.post();
  EXPECT_EQ(t.recordCount(), 998);
  expectPositions(t);
}

TEST(Positions, EmptyingATableFromTheFront) {
  TempDir dir;
  makeSample(dir, "s.dbf", 3000);
  Table t;
  point(t, dir, "s.dbf");
  t.open();
  ASSERT_TRUE(t.moveTo(2));
  t.deleteRecord();  // lands on the next record, with one before it
  EXPECT_FALSE(t.bof());
  EXPECT_EQ(t.fieldByName("NAME").asString(), "R3");
  t.first();
  t.deleteRecord();
  EXPECT_TRUE(t.bof());
  EXPECT_FALSE(t.eof());
  t.last();
  t.deleteRecord();  // the last: back onto the one before
  EXPECT_TRUE(t.eof());
  EXPECT_FALSE(t.bof());
  EXPECT_EQ(t.fieldByName("NAME").asString(), "R2999");

  // Walking back in a shared open reads through the same windows as walking forward.
  const std::vector<uint32_t> forward = walk(t);
  std::vector<uint32_t> backward;
  for (t.last(); !t.bof(); t.prior()) backward.push_back(static_cast<uint32_t>(t.recNo()));
  EXPECT_EQ(std::vector<uint32_t>(backward.rbegin(), backward.rend()), forward);

  // Every delete from the front steps once, however many deleted records lie behind.
  t.first();
  long deleted = 0;
  while (!t.eof()) {
    t.deleteRecord();
    ++deleted;
  }
  EXPECT_EQ(deleted, 2997);
  EXPECT_TRUE(t.bof());
  EXPECT_TRUE(t.isEmpty());
}

TEST(Positions, WalkingBackOverDeletedRecordsInASharedOpen) {
  TempDir dir;
  makeSample(dir, "s.dbf", 5000);
  Table t;
  point(t, dir, "s.dbf");
  t.open();
  ASSERT_TRUE(t.moveTo(2));
  while (t.recNo() < 4999) t.deleteRecord();
  t.last();
  EXPECT_EQ(t.recNo(), 5000);
  t.prior();
  EXPECT_EQ(t.recNo(), 4999);
  t.prior();
  EXPECT_EQ(t.recNo(), 1);
  t.prior();
  EXPECT_TRUE(t.bof());
  EXPECT_EQ(t.recordCount(), 3);
}

}  // namespace
}  // namespace tdb::test
