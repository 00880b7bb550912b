// Edges where a one-character slip in the engine would change values quietly: numbers rounded into
// integer fields, two-digit years, the cursor's end flags after moveBy, the Paradox short range.
// Each is checked here through a path of its own, apart from the tests of its module.

#include <gtest/gtest.h>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "engine/table.h"
#include "tests/engine/table_fixture.h"

namespace tdb::test {
namespace {

// A number goes into an integer field as the nearest whole number, halves away from zero, for
// text typed into a field as for numbers computed elsewhere; every format's integer fields alike.
TEST(Boundaries, IntegerFieldsRoundHalvesAwayFromZero) {
  for (const char* name : {"n.dbf", "n.db", "n.txt"}) {
    SCOPED_TRACE(name);
    TempDir dir;
    Table t;
    point(t, dir, name);
    t.fieldDefs().add("N", FieldType::ftInteger);
    t.createTable();
    t.open();
    const struct {
      Value in;
      int64_t stored;
    } cases[] = {{Value::number(2.7), 3},       {Value::text("-2.7"), -3},
                 {Value::number(2.5), 3},       {Value::text("-2.5"), -3},
                 {Value::number(3.5), 4},       {Value::text("-3.5"), -4},
                 {Value::text(" 0.49999 "), 0}, {Value::number(1234566.5), 1234567}};
    for (const auto& c : cases) {
      t.append();
      t.fieldByName("N").setValue(c.in);
      t.post();
    }
    t.close();
    t.open();
    for (const auto& c : cases) {
      EXPECT_EQ(t.fieldByName("N").value(), Value::integer(c.stored))
          << displayText(c.in, FieldType::ftString);
      t.next();
    }
  }
}

// A fixed-width text table too narrow for four-digit years writes two, for 1950 to 2049.
TEST(Boundaries, TwoDigitYearsSpan1950To2049) {
  TempDir dir;
  dir.write("D.SCH", "[D]\nFILETYPE=FIXED\nCHARSET=OEM\nField1=Day,Date,8,0,0\n");
  dir.write("D.TXT", "");
  Table t;
  point(t, dir, "D.TXT");
  t.open();
  for (const char* day : {"1950-01-02", "2049-12-31", "1999-06-30", "2000-01-01"}) {
    t.append();
    t.fieldByName("DAY").setAsString(day);
    t.post();
  }
  for (const char* day : {"1949-12-31", "2050-01-01"}) {
    t.append();
    EXPECT_THROW(
        {
          t.fieldByName("DAY").setAsString(day);
          t.post();
        },
        EngineError)
        << day;
    t.cancel();
  }
  t.close();
  EXPECT_EQ(dir.read("D.TXT"), "01/02/50\r\n12/31/49\r\n06/30/99\r\n01/01/00\r\n");
  t.open();
  std::string days;
  for (; !t.eof(); t.next()) days += t.fieldByName("DAY").asString() + " ";
  EXPECT_EQ(days, "1950-01-02 2049-12-31 1999-06-30 2000-01-01 ");
}

// Each step of moveBy clears both flags; running off an end sets that end's flag alone and
// stays on the last record reached. A filter makes the steps skip records.
TEST(Boundaries, MoveBySetsOnlyTheFlagOfTheEndItRunsInto) {
  TempDir dir;
  makeSample(dir, "s.dbf", 9);
  Table t;
  point(t, dir, "s.dbf");
  t.setFilter("QTY>3");
  t.setFiltered(true);
  t.open();
  auto at = [&](long recno, bool bof, bool eof) {
    EXPECT_EQ(t.recNo(), recno);
    EXPECT_EQ(t.bof(), bof);
    EXPECT_EQ(t.eof(), eof);
  };
  at(4, true, false);
  t.moveBy(2);
  at(6, false, false);
  t.moveBy(10);
  at(9, false, true);
  t.moveBy(-1);
  at(8, false, false);
  t.moveBy(-3);
  at(5, false, false);
  t.moveBy(-2);
  at(4, true, false);
  t.moveBy(0);
  at(4, true, false);
  t.moveBy(5);
  at(9, false, false);  // landed on the last record without running past it
}

// A Paradox short holds -32767 to 32767: -32768 would be stored as the bytes of a blank.
TEST(Boundaries, ParadoxShortsHoldPlusOrMinus32767) {
  TempDir dir;
  Table t;
  point(t, dir, "s.db");
  t.fieldDefs().add("S", FieldType::ftSmallint);
  t.createTable();
  t.open();
  for (const int64_t v : {32767, -32767, 0}) {
    t.append();
    t.fieldByName("S").setValue(Value::integer(v));
    t.post();
  }
  for (const int64_t v : {32768, -32768}) {
    t.append();
    EXPECT_THROW(t.fieldByName("S").setValue(Value::integer(v)), EngineError) << v;
    t.cancel();
  }
  t.close();
  t.open();
  std::string values;
  for (; !t.eof(); t.next()) values += t.fieldByName("S").asString() + " ";
  EXPECT_EQ(values, "32767 -32767 0 ");
}

}  // namespace
}  // namespace tdb::test
