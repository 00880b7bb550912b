// Two cursors on one table: an edit whose record the other cursor changed after the edit began is
// refused instead of written over that change, in every format, posted at once or buffered.

#include <gtest/gtest.h>

#include <string>

#include "engine/engine_error.h"
#include "engine/table.h"
#include "tests/engine/table_fixture.h"

namespace tdb::test {
namespace {

// ID (the primary key of a Paradox table), NAME and CITY; records 1 "ann" "rome", 2 "bob" "oslo".
void makePeople(const TempDir& dir, const std::string& name) {
  Table t;
  point(t, dir, name);
  t.fieldDefs().add("ID", FieldType::ftInteger);
  t.fieldDefs().add("NAME", FieldType::ftString, 8);
  t.fieldDefs().add("CITY", FieldType::ftString, 8);
  if (name.ends_with(".db")) t.indexDefs().add({"", "ID", "", ixPrimary});
  t.createTable();
  t.open();
  int id = 0;
  for (const auto& [n, c] : {std::pair{"ann", "rome"}, {"bob", "oslo"}}) {
    t.append();
    t.fieldByName("ID").setValue(Value::integer(++id));
    t.fieldByName("NAME").setAsString(n);
    t.fieldByName("CITY").setAsString(c);
    t.post();
  }
}

// "NAME/CITY" of every record, read by a cursor of its own.
std::string stored(const TempDir& dir, const std::string& name) {
  Table t;
  point(t, dir, name);
  t.open();
  std::string out;
  for (t.first(); !t.eof(); t.next())
    out += t.fieldByName("NAME").asString() + "/" + t.fieldByName("CITY").asString() + " ";
  return out;
}

void open(Table& t, const TempDir& dir, const std::string& name, bool buffered = false) {
  point(t, dir, name);
  t.open();
  t.setCachedUpdates(buffered);
  t.first();
}

// `t` sets `field` of record `record` to `value` and posts it.
void change(Table& t, int record, const char* field, const char* value) {
  t.first();
  t.moveBy(record - 1);
  t.edit();
  t.fieldByName(field).setAsString(value);
  t.post();
}

class EditConflict : public ::testing::TestWithParam<const char*> {
 protected:
  TempDir dir;
  std::string name = GetParam();
};

TEST_P(EditConflict, APostOverAnotherCursorsChangeIsRefusedAndKeepsTheEdit) {
  makePeople(dir, name);
  Table a, b;
  open(a, dir, name);
  open(b, dir, name);
  a.edit();
  a.fieldByName("CITY").setAsString("pisa");
  change(b, 1, "NAME", "anna");

  try {
    a.post();
    FAIL() << "the stale record was written";
  } catch (const EngineError& e) {
    EXPECT_NE(std::string(e.what()).find("修改"), std::string::npos) << e.what();
  }
  EXPECT_EQ(a.state(), DataSetState::dsEdit);
  EXPECT_EQ(stored(dir, name), "anna/rome bob/oslo ");

  // Begun again from the record as it is now, the edit goes through and keeps both changes.
  a.cancel();
  a.refresh();
  change(a, 1, "CITY", "pisa");
  EXPECT_EQ(stored(dir, name), "anna/pisa bob/oslo ");
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, EditConflict, ::testing::Values("p.dbf", "p.db", "p.txt"),
                         [](const auto& info) {
                           const std::string n = info.param;
                           return n.substr(n.find('.') + 1);
                         });

TEST(EditConflict, RecordsNobodyElseChangedPostAsBefore) {
  for (const char* name : {"p.dbf", "p.txt"}) {
    TempDir dir;
    makePeople(dir, name);
    Table a, b;
    open(a, dir, name);
    open(b, dir, name);
    // Another record changed, and the same record changed twice by one cursor.
    change(b, 1, "NAME", "anna");
    change(a, 2, "CITY", "bern");
    change(a, 2, "NAME", "bea");
    EXPECT_EQ(stored(dir, name), "anna/rome bea/bern ") << name;
  }
}

TEST(EditConflict, ABufferedChangeIsCheckedWhenItIsApplied) {
  for (const char* name : {"p.dbf", "p.db"}) {
    TempDir dir;
    makePeople(dir, name);
    Table a, b;
    open(a, dir, name, true);
    open(b, dir, name);
    change(a, 1, "CITY", "pisa");
    change(a, 2, "CITY", "bern");
    change(b, 1, "NAME", "anna");
    // The table is read afresh (a window does so when activated) and then saved.
    a.refresh();
    EXPECT_THROW(a.applyUpdates(), EngineError) << name;
    EXPECT_TRUE(a.updatesPending()) << name;
    EXPECT_EQ(stored(dir, name).substr(0, 10), "anna/rome ") << name;

    // Without the conflicting change the rest goes through.
    a.first();
    a.revertRecord();
    a.applyUpdates();
    a.commitUpdates();
    EXPECT_FALSE(a.updatesPending()) << name;
    EXPECT_EQ(stored(dir, name), "anna/rome bob/bern ") << name;
  }
}

}  // namespace
}  // namespace tdb::test
