// The cursor's behaviour: navigation, states and hooks, bookmarks, filters, locate, buffers,
// master/detail, batch moves and pack, on real files.

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/convert.h"
#include "engine/engine_error.h"
#include "tests/engine/table_fixture.h"

namespace tdb {
namespace {

using test::gbk;
using test::point;
using test::TempDir;

// Opens the sample table of `rows` records in a fresh folder.
struct Sample {
  explicit Sample(int rows, const std::string& name = "s.dbf") {
    test::makeSample(dir, name, rows);
    point(t, dir, name);
    t.open();
  }
  std::vector<std::string> names() {
    std::vector<std::string> out;
    for (t.first(); !t.eof(); t.next()) out.push_back(t.fieldByName("NAME").asString());
    return out;
  }
  TempDir dir;
  Table t;
};

TEST(Cursor, NavigatesWithBofEofAndPhysicalNumbers) {
  Sample s(3);
  Table& t = s.t;
  EXPECT_TRUE(t.bof());
  EXPECT_EQ(t.recNo(), 1);
  t.prior();
  EXPECT_TRUE(t.bof());
  EXPECT_EQ(t.recNo(), 1);
  t.next();
  t.next();
  EXPECT_EQ(t.recNo(), 3);
  EXPECT_FALSE(t.eof());
  t.next();
  EXPECT_TRUE(t.eof());
  EXPECT_EQ(t.recNo(), 3);
  t.moveBy(-5);
  EXPECT_TRUE(t.bof());
  EXPECT_EQ(t.recNo(), 1);
  t.moveBy(2);
  EXPECT_EQ(t.recNo(), 3);
  t.last();
  EXPECT_TRUE(t.eof());
  EXPECT_EQ(t.recordCount(), 3);

  Sample empty(0);
  EXPECT_TRUE(empty.t.isEmpty());
  EXPECT_TRUE(empty.t.bof() && empty.t.eof());
  EXPECT_EQ(empty.t.recNo(), -1);
  EXPECT_TRUE(empty.t.field(0).isNull());
}

TEST(Cursor, StatesAndHookOrder) {
  Sample s(2);
  Table& t = s.t;
  std::vector<std::string> calls;
  t.beforePost = [&](Table& table) {
    calls.push_back("beforePost:" + table.fieldByName("NAME").asString());
    // Nothing is written yet when the hook runs.
    Table reader;
    point(reader, s.dir, "s.dbf");
    reader.open();
    reader.last();
    calls.push_back("stored:" + std::to_string(reader.recordCount()));
  };
  t.afterScroll = [&](Table& table) { calls.push_back("scroll:" + std::to_string(table.recNo())); };
  EXPECT_EQ(t.state(), DataSetState::dsBrowse);
  t.append();
  EXPECT_EQ(t.state(), DataSetState::dsInsert);
  t.fieldByName("NAME").setAsString("NEW");
  t.post();
  EXPECT_EQ(t.state(), DataSetState::dsBrowse);
  EXPECT_EQ(t.recNo(), 3);
  t.edit();
  EXPECT_EQ(t.state(), DataSetState::dsEdit);
  t.fieldByName("NAME").setAsString("CHANGED");
  t.first();  // moving posts the edit
  EXPECT_EQ(calls, (std::vector<std::string>{"beforePost:NEW", "stored:2", "beforePost:CHANGED",
                                             "stored:3", "scroll:1"}));
  EXPECT_EQ(s.names(), (std::vector<std::string>{"R1", "R2", "CHANGED"}));
  t.first();

  // A hook that throws stops the post and keeps the edit.
  t.beforePost = [](Table&) { throw EngineError("不许存"); };
  t.edit();
  t.fieldByName("NAME").setAsString("NOPE");
  EXPECT_THROW(t.post(), EngineError);
  EXPECT_EQ(t.state(), DataSetState::dsEdit);
  t.cancel();
  EXPECT_EQ(t.fieldByName("NAME").asString(), "R1");

  // Cancelling an insert goes back to where the cursor was.
  t.beforePost = nullptr;
  t.next();
  t.insert();
  t.cancel();
  EXPECT_EQ(t.recNo(), 2);
  EXPECT_EQ(t.recordCount(), 3);
}

TEST(Cursor, DeletedRecordsAreInvisibleThenPackedAway) {
  Sample s(6);
  Table& t = s.t;
  t.moveBy(1);  // R2
  t.deleteRecord();
  EXPECT_EQ(t.fieldByName("NAME").asString(), "R3");
  t.last();  // R6
  t.deleteRecord();
  EXPECT_EQ(t.fieldByName("NAME").asString(), "R5");
  EXPECT_EQ(t.recordCount(), 4);
  EXPECT_EQ(s.names(), (std::vector<std::string>{"R1", "R3", "R4", "R5"}));
  t.locate("NAME", Value::text("R3"));
  EXPECT_EQ(t.recNo(), 3);  // physical numbers keep the gap

  EXPECT_THROW(t.pack(), EngineError);  // shared open
  t.close();
  const auto memoBefore = std::filesystem::file_size(s.dir.file("s.dbt"));
  t.setExclusive(true);
  t.open();
  t.pack();
  EXPECT_EQ(t.recordCount(), 4);
  EXPECT_EQ(s.names(), (std::vector<std::string>{"R1", "R3", "R4", "R5"}));
  t.locate("NAME", Value::text("R3"));
  EXPECT_EQ(t.recNo(), 2);
  EXPECT_EQ(t.fieldByName("NOTE").asString(), "memo 3");
  t.last();
  EXPECT_TRUE(t.fieldByName("NOTE").isNull());
  t.close();
  EXPECT_LT(std::filesystem::file_size(s.dir.file("s.dbt")), memoBefore);  // memo 6 is gone
  EXPECT_EQ(s.dir.read("s.dbf").size(), 32u + 6 * 32 + 1 + 4u * 42 + 1);
  for (const auto& e : std::filesystem::directory_iterator(s.dir.path()))
    EXPECT_EQ(e.path().string().find("tdb-pack"), std::string::npos) << e.path();
}

TEST(Cursor, MemosGrowShrinkAndClear) {
  Sample s(1);
  Table& t = s.t;
  t.edit();
  t.fieldByName("NOTE").setAsString(std::string(2000, 'a'));
  t.post();
  t.edit();
  t.fieldByName("NOTE").setAsString("short");
  t.post();
  t.edit();
  t.fieldByName("NOTE").setAsString(std::string(5000, 'b'));
  t.post();
  t.close();
  t.open();
  EXPECT_EQ(t.fieldByName("NOTE").asString(), std::string(5000, 'b'));
  t.edit();
  t.fieldByName("NOTE").clear();
  t.post();
  EXPECT_TRUE(t.fieldByName("NOTE").isNull());
}

TEST(Cursor, BookmarksSurviveChangesToOtherRecords) {
  Sample s(5);
  Table& t = s.t;
  t.moveBy(3);  // R4
  const Bookmark mark = t.bookmark();
  t.first();
  t.deleteRecord();  // R1 goes
  t.append();
  t.fieldByName("NAME").setAsString("R6");
  t.post();
  t.gotoBookmark(mark);
  EXPECT_EQ(t.fieldByName("NAME").asString(), "R4");
  t.deleteRecord();
  EXPECT_FALSE(t.bookmarkValid(mark));
  EXPECT_THROW(t.gotoBookmark(mark), EngineError);
}

TEST(Cursor, FilterTextHookAndOptionsActTogether) {
  Sample s(12);
  Table& t = s.t;
  t.setFilter("(PRICE>6)AND(NAME='r1*')");
  t.setFilterOptions(foCaseInsensitive);
  t.setFiltered(true);
  EXPECT_EQ(s.names(), (std::vector<std::string>{"R10", "R11", "R12"}));
  EXPECT_EQ(t.recordCount(), 3);
  t.onFilterRecord = [](Table& table) {
    return table.fieldByName("OK").value() == Value::boolean(true);
  };
  t.setFiltered(false);
  t.setFiltered(true);
  EXPECT_EQ(s.names(), (std::vector<std::string>{"R11"}));
  t.setFilterOptions(foCaseInsensitive | foNoPartialCompare);
  EXPECT_TRUE(s.names().empty());
  EXPECT_TRUE(t.eof() && t.bof());
  EXPECT_THROW(t.setFilter("(PRICE>"), EngineError);
  EXPECT_EQ(t.filter(), "(PRICE>6)AND(NAME='r1*')");  // the bad text did not take
  t.setFiltered(false);
  EXPECT_EQ(t.recordCount(), 12);
}

TEST(Cursor, LocateWithAndWithoutOptions) {
  Sample s(12);
  Table& t = s.t;
  EXPECT_TRUE(t.locate("name", Value::text("R7")));
  EXPECT_EQ(t.recNo(), 7);
  EXPECT_FALSE(t.locate("NAME", Value::text("r7")));
  EXPECT_EQ(t.recNo(), 7);  // a miss stays put
  EXPECT_TRUE(t.locate("NAME", Value::text("r7"), loCaseInsensitive));
  EXPECT_TRUE(t.locate("NAME", Value::text("R1"), loPartialKey));
  EXPECT_EQ(t.recNo(), 1);
  EXPECT_TRUE(t.locate("NAME", Value::text("R11"), loPartialKey));
  EXPECT_TRUE(t.locate("PRICE", Value::text("15")));
  EXPECT_EQ(t.recNo(), 10);
  EXPECT_TRUE(t.locate("DAY", Value::text("2024-01-05")));
  EXPECT_EQ(t.recNo(), 5);
  EXPECT_TRUE(t.locate("NOTE", Value()));  // the first record without a memo
  EXPECT_EQ(t.recNo(), 1);
  EXPECT_THROW(t.locate("NOPE", Value::text("x")), EngineError);
  EXPECT_THROW(t.locate("PRICE", Value::text("abc")), EngineError);
}

TEST(Cursor, CachedUpdatesApplyCancelAndRevert) {
  Sample s(3);
  Table& t = s.t;
  t.setCachedUpdates(true);
  EXPECT_FALSE(t.updatesPending());
  t.edit();
  t.fieldByName("NAME").setAsString("EDITED");
  t.post();
  t.append();
  t.fieldByName("NAME").setAsString("ADDED");
  t.fieldByName("NOTE").setAsString("new memo");
  t.post();
  t.first();
  t.next();
  t.deleteRecord();  // R2
  EXPECT_TRUE(t.updatesPending());
  EXPECT_EQ(s.names(), (std::vector<std::string>{"EDITED", "R3", "ADDED"}));
  {
    Table other;  // nothing has reached the file
    point(other, s.dir, "s.dbf");
    other.open();
    EXPECT_EQ(other.recordCount(), 3);
    EXPECT_EQ(other.fieldByName("NAME").asString(), "R1");
  }
  // Revert the current record's change only.
  t.first();
  t.revertRecord();
  EXPECT_EQ(t.fieldByName("NAME").asString(), "R1");
  t.applyUpdates();
  t.commitUpdates();
  EXPECT_FALSE(t.updatesPending());
  t.close();
  t.setCachedUpdates(false);
  t.open();
  EXPECT_EQ(s.names(), (std::vector<std::string>{"R1", "R3", "ADDED"}));
  t.last();
  EXPECT_EQ(t.recNo(), 4);
  EXPECT_EQ(t.fieldByName("NOTE").asString(), "new memo");

  t.setCachedUpdates(true);
  t.first();
  t.edit();
  t.fieldByName("NAME").setAsString("GONE");
  t.post();
  t.append();
  t.post();
  t.cancelUpdates();
  EXPECT_FALSE(t.updatesPending());
  EXPECT_EQ(s.names(), (std::vector<std::string>{"R1", "R3", "ADDED"}));
}

TEST(Cursor, DetailFollowsItsMaster) {
  TempDir dir;
  Table master, detail;
  point(master, dir, "cust.dbf");
  master.fieldDefs().add("ID", FieldType::ftInteger);
  master.fieldDefs().add("NAME", FieldType::ftString, 8);
  master.createTable();
  point(detail, dir, "orders.dbf");
  detail.fieldDefs().add("CUST", FieldType::ftInteger);
  detail.fieldDefs().add("ITEM", FieldType::ftString, 8);
  detail.indexDefs().add({"CUST", "CUST", "", 0});
  detail.createTable();
  master.open();
  detail.open();
  for (int id : {1, 2, 3}) {
    master.append();
    master.fieldByName("ID").setValue(Value::integer(id));
    master.post();
  }
  for (auto [cust, item] : {std::pair{2, "B1"}, {1, "A1"}, {2, "B2"}, {1, "A2"}, {2, "B3"}}) {
    detail.append();
    detail.fieldByName("CUST").setValue(Value::integer(cust));
    detail.fieldByName("ITEM").setAsString(item);
    detail.post();
  }
  detail.setIndexFieldNames("CUST");
  detail.setMasterFields("ID");
  detail.setMasterSource(&master);
  auto items = [&] {
    std::string out;
    for (detail.first(); !detail.eof(); detail.next()) out += detail.fieldByName("ITEM").asString();
    return out;
  };
  master.first();
  EXPECT_EQ(items(), "A1A2");
  master.next();
  EXPECT_EQ(items(), "B1B2B3");
  EXPECT_EQ(detail.recordCount(), 3);
  master.next();
  EXPECT_TRUE(detail.isEmpty());
  // A record added to the detail takes the master's key.
  detail.append();
  detail.fieldByName("ITEM").setAsString("C1");
  detail.post();
  EXPECT_EQ(detail.fieldByName("CUST").asNumber(), 3);
  EXPECT_EQ(items(), "C1");
  detail.setMasterSource(nullptr);
  EXPECT_EQ(detail.recordCount(), 6);
}

TEST(Cursor, AnOpenThatFailsLeavesTheCursorClosed) {
  Sample master(2);
  master.t.close();
  master.t.open();
  Table detail;
  point(detail, master.dir, "s.dbf");
  detail.setMasterFields("NOSUCH");
  detail.setMasterSource(&master.t);
  EXPECT_THROW(detail.open(), EngineError);
  EXPECT_FALSE(detail.active());
  EXPECT_EQ(detail.state(), DataSetState::dsInactive);
  EXPECT_THROW(detail.first(), EngineError);
  master.t.close();
  master.t.setExclusive(true);
  master.t.open();  // the failed open holds no lock on the table either
  master.t.close();
  master.t.setExclusive(false);
  master.t.open();
  detail.setMasterFields("NAME");
  detail.setIndexFieldNames("");
  detail.open();  // and a later open binds afresh
  EXPECT_TRUE(detail.active());

  Table filtered;
  point(filtered, master.dir, "s.dbf");
  filtered.setFilter("NOSUCH='x'");
  filtered.setFiltered(true);
  EXPECT_THROW(filtered.open(), EngineError);
  EXPECT_FALSE(filtered.active());
}

TEST(Cursor, BatchMoveCopiesAndAppendsByPosition) {
  Sample s(4);
  Table copy;
  point(copy, s.dir, "copy.dbf");
  copy.batchMove(s.t, BatchMode::batCopy);
  ASSERT_TRUE(copy.active());
  EXPECT_EQ(copy.recordCount(), 4);
  copy.last();
  EXPECT_EQ(copy.fieldByName("NOTE").asString(), "");
  copy.prior();
  EXPECT_EQ(copy.fieldByName("NOTE").asString(), "memo 3");
  copy.close();

  // Append into a table of other names and types: position decides, values convert.
  Table other;
  point(other, s.dir, "other.dbf", TableType::ttFoxPro);
  other.fieldDefs().add("LABEL", FieldType::ftString, 3);
  other.fieldDefs().add("AMOUNT", FieldType::ftString, 6);
  other.createTable();
  other.batchMove(s.t, BatchMode::batAppend);
  other.batchMove(s.t, BatchMode::batAppend);
  EXPECT_FALSE(other.active());  // left as it was found
  other.open();
  EXPECT_EQ(other.recordCount(), 8);
  other.last();
  EXPECT_EQ(other.fieldByName("LABEL").asString(), "R4");
  EXPECT_EQ(other.fieldByName("AMOUNT").asString(), "6");
  EXPECT_EQ(s.t.recNo(), 1);  // the source kept its place
}

}  // namespace
}  // namespace tdb

namespace tdb {
namespace {

struct Recorder : TableObserver {
  std::vector<TableEvent> events;
  std::vector<std::pair<TableEvent, long>> notices;
  void tableEvent(Table&, const TableNotice& n) override {
    events.push_back(n.event);
    if (n.event != TableEvent::Scrolled && n.event != TableEvent::RecordChanged)
      notices.emplace_back(n.event, n.position);
  }
};

TEST(Cursor, BoundControlsHearChangesUnlessDisabled) {
  TempDir dir;
  test::makeSample(dir, "s.dbf", 3);
  Table t;
  point(t, dir, "s.dbf");
  t.updateFieldDefs();  // the structure of a closed table
  EXPECT_EQ(t.fieldDefs().count(), 6);
  EXPECT_EQ(t.fieldDefs()[1].precision, 2);
  Recorder r;
  t.addObserver(&r);
  t.open();
  EXPECT_FALSE(r.events.empty());
  r.events.clear();
  t.next();
  EXPECT_EQ(r.events, std::vector<TableEvent>{TableEvent::Scrolled});
  r.events.clear();
  t.edit();
  t.fieldByName("NAME").setAsString("X");
  EXPECT_EQ(r.events,
            (std::vector<TableEvent>{TableEvent::StateChanged, TableEvent::RecordChanged}));
  t.cancel();
  r.events.clear();
  t.disableControls();
  t.disableControls();
  t.last();
  t.first();
  t.enableControls();
  EXPECT_TRUE(r.events.empty());
  t.enableControls();
  EXPECT_EQ(r.events, std::vector<TableEvent>{TableEvent::DataSetChanged});
  t.removeObserver(&r);
  t.next();
  EXPECT_EQ(r.events.size(), 1u);
}

// A grid redraws, adds or removes the one row a change concerns: the notice names its position.
TEST(Cursor, NoticesNameThePositionOfTheRecordTheyConcern) {
  Sample s(4);
  Table& t = s.t;
  t.setFilter("QTY <> 3");
  t.setFiltered(true);  // R1 R2 R4: positions 1 2 3
  Recorder r;
  t.addObserver(&r);
  using E = TableEvent;
  using N = std::vector<std::pair<TableEvent, long>>;

  t.moveTo(2);
  t.edit();
  t.fieldByName("NAME").setAsString("X2");
  t.post();    // stays at 2
  t.insert();  // before R2
  t.cancel();
  EXPECT_EQ(r.notices, (N{{E::StateChanged, 2},
                          {E::RecordStored, 2},
                          {E::StateChanged, 0},
                          {E::StateChanged, 2},
                          {E::StateChanged, 0}}));
  r.notices.clear();

  t.append();  // at the end
  t.fieldByName("NAME").setAsString("R5");
  t.fieldByName("QTY").setValue(Value::integer(5));
  t.post();  // a new record, fourth
  t.moveTo(1);
  t.edit();
  t.fieldByName("QTY").setValue(Value::integer(3));
  t.post();  // the filter leaves it out
  EXPECT_EQ(r.notices, (N{{E::StateChanged, 0},
                          {E::RecordStored, 4},
                          {E::StateChanged, 0},
                          {E::StateChanged, 1},
                          {E::RecordStored, 0},
                          {E::StateChanged, 0}}));
  r.notices.clear();

  t.last();
  t.deleteRecord();
  t.disableControls();
  t.first();
  t.deleteRecord();  // nobody hears it: no position is worked out
  t.enableControls();
  EXPECT_EQ(r.notices, (N{{E::RecordDeleted, 3}, {E::DataSetChanged, 0}}));
  t.removeObserver(&r);
}

}  // namespace
}  // namespace tdb
