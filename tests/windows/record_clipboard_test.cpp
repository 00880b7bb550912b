// The record clipboard: rows picked with Ctrl+click copied or cut into the clipboard table beside
// their table, and pasted after the current record of any window, by the physical dBASE insert,
// the engine's insert or at the end.

#include <gtest/gtest.h>
#include <QAction>
#include <QFile>
#include <QTableView>
#include <QTest>
#include <filesystem>

#include "app/windows/record_clipboard.h"
#include "engine/engine_error.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using tdb::FieldType;
using tdb::Value;
using test::Workbench;

const QString kStopped = QStringLiteral("因索引或字段赋值问题引起错误,不能继续粘贴!");

// Ctrl+clicks rows of the grid of the window in `slot`, in that order.
void pick(Workbench& w, int slot, std::initializer_list<int> rows) {
  QTableView* grid = w.slot(slot).pagegrids[0];
  for (int row : rows) {
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, cell.center());
  }
}

// Gives the first records of a sample table the NAMEs `names`.
void rename(const tdb::test::TempDir& dir, const char* table, std::vector<std::string> names) {
  tdb::Table t;
  tdb::test::point(t, dir, table);
  t.open();
  t.first();
  for (const std::string& name : names) {
    t.edit();
    t.fieldByName("NAME").setAsString(name);
    t.next();
  }
  t.close();
}

// A table of the given fields with one record per NAME (the first field).
void makeTable(const tdb::test::TempDir& dir, const char* table,
               const std::vector<tdb::FieldDef>& fields, std::vector<std::string> names = {},
               const std::vector<tdb::IndexDef>& indexes = {}) {
  tdb::Table t;
  tdb::test::point(t, dir, table);
  for (const tdb::FieldDef& f : fields) t.fieldDefs().add(f);
  for (const tdb::IndexDef& d : indexes) t.indexDefs().add(d);
  t.createTable();
  t.open();
  for (const std::string& name : names) {
    t.append();
    t.field(0).setAsString(name);
    t.post();
  }
}

std::string bytesOf(const std::string& path) {
  QFile f(QString::fromStdString(path));
  f.open(QIODevice::ReadOnly);
  return f.readAll().toStdString();
}

bool enabled(Workbench& w, Command c) { return w.main.action(c)->isEnabled(); }

TEST(RecordClipboard, CopiedDbaseRowsFillTheFirstFieldsOfAWiderParadoxTable) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 5);
  makeTable(w.data, "p.db",
            {{"NAME", FieldType::ftString, 10},
             {"PRICE", FieldType::ftFloat},
             {"QTY", FieldType::ftInteger},
             {"DAY", FieldType::ftDate},
             {"OK", FieldType::ftBoolean},
             {"NOTE", FieldType::ftMemo},
             {"EXTRA", FieldType::ftString, 5}},
            {"P1", "P2"});
  w.open("s.dbf");
  pick(w, 0, {2, 0, 3});
  EXPECT_TRUE(enabled(w, Command::Copy));
  EXPECT_FALSE(enabled(w, Command::Cut));  // cutting needs the edit state
  w.main.action(Command::Copy)->trigger();
  EXPECT_TRUE(QFile::exists(QString::fromStdString(w.data.file("tablelinshi.dbf"))));
  EXPECT_EQ(w.engine->activeWindow()->selectedRows, 3);       // a copy keeps the selection
  EXPECT_EQ(w.table().fieldByName("NAME").asString(), "R4");  // the last row copied
  EXPECT_EQ(w.slot(0).pagegrids[0]->currentIndex().row(), 3);
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 R4 R5 ");
  EXPECT_EQ(w.stored("tablelinshi.dbf"), "R3 R1 R4 ");  // in the order the grid lists them

  w.open("p.db");
  EXPECT_FALSE(enabled(w, Command::Paste));  // browse state
  w.engine->enteredit();
  EXPECT_TRUE(enabled(w, Command::Paste));
  w.engine->firstrecord();
  w.main.button(Command::Paste)->trigger();
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
  EXPECT_EQ(w.stored("p.db"), "P1 R3 R1 R4 P2 ");
  EXPECT_FALSE(w.window(1).progressPanel()->isVisible());
  tdb::Table& p = w.table();
  ASSERT_TRUE(p.locate("NAME", Value::text("R3")));
  EXPECT_DOUBLE_EQ(p.fieldByName("PRICE").asNumber(), 4.5);
  EXPECT_EQ(p.fieldByName("QTY").asNumber(), 3);
  EXPECT_EQ(p.fieldByName("NOTE").asString(), "memo 3");
  EXPECT_TRUE(p.fieldByName("OK").value().booleanValue());
  EXPECT_TRUE(p.fieldByName("EXTRA").isNull());
  // Paste does not use the clipboard up.
  EXPECT_EQ(w.stored("tablelinshi.dbf"), "R3 R1 R4 ");
}

TEST(RecordClipboard, PastedRecordsFollowTheCurrentOneInADbaseTableOrGoToItsEnd) {
  Workbench w;
  tdb::test::makeSample(w.data, "c.dbf", 3);
  rename(w.data, "c.dbf", {"C1", "C2", "C3"});
  tdb::test::makeSample(w.data, "t.dbf", 5);
  w.open("c.dbf");
  pick(w, 0, {1, 0});
  w.engine->tablejianqie('f');
  w.open("t.dbf");
  w.engine->enteredit();
  w.table().moveTo(2);
  w.engine->tablezhantie();
  // Moved in the file, not appended: the stored order is the record order.
  EXPECT_EQ(w.stored("t.dbf"), "R1 R2 C2 C1 R3 R4 R5 ");
  EXPECT_EQ(w.table().fieldByName("NAME").asString(), "C1");
  EXPECT_EQ(w.table().recNo(), 4);
  EXPECT_EQ(w.slot(1).pagegrids[0]->currentIndex().row(), 3);  // the grid shows it
  EXPECT_EQ(w.table().fieldByName("NOTE").asString(), "");
  ASSERT_TRUE(w.table().moveTo(5));
  EXPECT_EQ(w.table().fieldByName("NOTE").asString(), "memo 3");  // R3's memo moved with it

  w.engine->lastrecord();
  w.engine->tablezhantie();
  EXPECT_EQ(w.stored("t.dbf"), "R1 R2 C2 C1 R3 R4 R5 C2 C1 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(RecordClipboard, RoomInOnePassGivesTheSameFileAsRoomForEachRecord) {
  Workbench w;
  tdb::test::makeSample(w.data, "c.dbf", 4);
  rename(w.data, "c.dbf", {"C1", "C2", "C3", "C4"});
  const std::vector<tdb::FieldDef> fields = {{"NAME", FieldType::ftString, 10},
                                             {"PRICE", FieldType::ftFloat, 8, 2},
                                             {"QTY", FieldType::ftSmallint}};
  for (const char* name : {"a.dbf", "b.dbf"}) {
    makeTable(w.data, name, fields, {"T1", "T2", "T3", "T4", "T5", "T6"});
    tdb::Table t;  // a record marked deleted in the middle stays where it is
    tdb::test::point(t, w.data, name);
    t.open();
    t.moveTo(4);
    t.deleteRecord();
  }
  w.open("c.dbf");
  pick(w, 0, {3, 0, 2});
  w.engine->tablejianqie('f');
  // a.dbf gets the paste; b.dbf the same records inserted one by one after the same record, each
  // after the one before, as "插入记录" makes room for one.
  w.open("a.dbf");
  w.engine->enteredit();
  w.table().moveTo(2);
  w.engine->tablezhantie();
  w.open("b.dbf");
  w.engine->enteredit();
  w.table().moveTo(2);
  tdb::Table& clipboard = w.engine->recordClipboard().table();
  clipboard.open();
  for (clipboard.first(); !clipboard.eof(); clipboard.next()) {
    w.table().next();
    w.engine->insertrecord();
    w.table().edit();
    for (int i = 0; i < std::min(clipboard.fieldCount(), w.table().fieldCount()); ++i)
      w.table().field(i).setValue(clipboard.field(i).value());
    w.table().post();
  }
  clipboard.close();
  EXPECT_EQ(w.stored("a.dbf"), "T1 T2 C4 C1 C3 T3 T5 T6 ");
  EXPECT_EQ(bytesOf(w.data.file("a.dbf")), bytesOf(w.data.file("b.dbf")));
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(RecordClipboard, AFilteredDbaseTableGetsTheEnginesInsertAndKeepsItsHiddenRecords) {
  Workbench w;
  tdb::test::makeSample(w.data, "c.dbf", 1);
  rename(w.data, "c.dbf", {"C1"});
  tdb::test::makeSample(w.data, "t.dbf", 4);
  w.open("c.dbf");
  pick(w, 0, {0});
  w.engine->tablejianqie('f');
  w.open("t.dbf");
  w.table().setFilter("QTY > 2");
  w.table().setFiltered(true);
  w.engine->enteredit();
  w.engine->firstrecord();  // R3
  w.engine->tablezhantie();
  EXPECT_EQ(w.stored("t.dbf"), "R1 R2 R3 R4 C1 ");
  tdb::Table t;
  tdb::test::point(t, w.data, "t.dbf");
  t.open();
  ASSERT_TRUE(t.locate("NAME", Value::text("R2")));
  EXPECT_EQ(t.fieldByName("QTY").asNumber(), 2);
}

TEST(RecordClipboard, CuttingFromDbasePacksAtOnceUnlessTheBufferHoldsTheDeletes) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 6);
  w.open("s.dbf");
  w.engine->enteredit();
  pick(w, 0, {1, 4, 2});
  EXPECT_TRUE(enabled(w, Command::Cut));
  w.main.action(Command::Cut)->trigger();
  EXPECT_EQ(w.stored("s.dbf"), "R1 R4 R6 ");
  EXPECT_EQ(w.stored("tablelinshi.dbf"), "R2 R5 R3 ");
  EXPECT_EQ(w.engine->activeWindow()->selectedRows, 0);
  EXPECT_EQ(w.slot(0).pagegrids[0]->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_FALSE(enabled(w, Command::Copy));
  EXPECT_TRUE(enabled(w, Command::Paste));
  EXPECT_EQ(w.table().fieldByName("NAME").asString(), "R1");
  {
    tdb::Table t;
    tdb::test::point(t, w.data, "s.dbf");
    t.open();
    t.last();
    EXPECT_EQ(t.recNo(), 3);  // gone from the file
  }

  w.main.action(Command::UseBuffer)->trigger();
  ASSERT_TRUE(w.table().cachedUpdates());
  pick(w, 0, {0, 2});
  w.engine->tablejianqie('j');
  EXPECT_EQ(w.stored("tablelinshi.dbf"), "R1 R6 ");
  EXPECT_EQ(w.stored("s.dbf"), "R1 R4 R6 ");  // only in the buffer so far
  EXPECT_EQ(w.table().recordCount(), 1);
  w.engine->okthistable();
  EXPECT_EQ(w.stored("s.dbf"), "R4 ");
  tdb::Table t;
  tdb::test::point(t, w.data, "s.dbf");
  t.open();
  t.last();
  EXPECT_EQ(t.recNo(), 1);
}

TEST(RecordClipboard, CuttingFromAKeyedParadoxTableDeletesThePickedRecords) {
  Workbench w;
  makeTable(w.data, "k.db", {{"NAME", FieldType::ftString, 5}, {"QTY", FieldType::ftInteger}},
            {"A", "B", "C", "D", "E", "F"}, {{"", "NAME", "", tdb::ixPrimary}});
  w.open("k.db");
  w.engine->enteredit();
  pick(w, 0, {1, 4, 3});
  w.engine->tablejianqie('j');
  EXPECT_EQ(w.stored("k.db"), "A C F ");
  EXPECT_EQ(w.stored("tablelinshi.db"), "B D E ");  // a keyed clipboard keeps its key order
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(RecordClipboard, AKeyViolationStopsThePasteAndKeepsTheRecordsBefore) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  makeTable(w.data, "k.db", {{"NAME", FieldType::ftString, 10}, {"PRICE", FieldType::ftFloat}},
            {"R2", "X"}, {{"", "NAME", "", tdb::ixPrimary}});
  w.open("s.dbf");
  pick(w, 0, {0, 1, 2});
  w.engine->tablejianqie('f');
  w.open("k.db");
  w.engine->enteredit();
  w.engine->tablezhantie();
  EXPECT_EQ(w.dialogs.messages, QStringList{kStopped});
  EXPECT_EQ(w.stored("k.db"), "R1 R2 X ");
  EXPECT_EQ(w.table().state(), tdb::DataSetState::dsBrowse);
  ASSERT_TRUE(w.table().locate("NAME", Value::text("R2")));
  EXPECT_TRUE(w.table().fieldByName("PRICE").isNull());  // the stored R2, not the pasted one
  EXPECT_FALSE(w.window(1).progressPanel()->isVisible());
}

TEST(RecordClipboard, AFailedPostLeavesNoBlankRecordsInTheRoomMadeForTheRest) {
  Workbench w;
  tdb::test::makeSample(w.data, "c.dbf", 3);
  rename(w.data, "c.dbf", {"C1", "C2", "C3"});
  tdb::test::makeSample(w.data, "t.dbf", 4);
  w.open("c.dbf");
  pick(w, 0, {0, 1, 2});
  w.engine->tablejianqie('f');
  w.open("t.dbf");
  w.table().beforePost = [](tdb::Table& t) {
    if (t.fieldByName("NAME").asString() == "C2") throw tdb::EngineError("refused");
  };
  w.engine->enteredit();
  w.engine->firstrecord();
  w.engine->tablezhantie();
  EXPECT_EQ(w.dialogs.messages, QStringList{kStopped});
  EXPECT_EQ(w.stored("t.dbf"), "R1 C1 R2 R3 R4 ");
  EXPECT_EQ(w.table().recordCount(), 5);
}

TEST(RecordClipboard, AutoincrementTargetsAreNumberedAndRefusedValuesLeftEmpty) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 2);
  // NAME goes into the number, PRICE into the autoincrement field, QTY into the text.
  makeTable(w.data, "a.db",
            {{"NUM", FieldType::ftFloat},
             {"ID", FieldType::ftAutoInc},
             {"NAME", FieldType::ftString, 10}});
  w.open("s.dbf");
  pick(w, 0, {0, 1});
  w.engine->tablejianqie('f');
  w.open("a.db");
  w.engine->enteredit();
  w.engine->tablezhantie();
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
  tdb::Table& t = w.table();
  ASSERT_EQ(t.recordCount(), 2);
  t.first();
  EXPECT_TRUE(t.fieldByName("NUM").isNull());
  EXPECT_EQ(t.fieldByName("ID").asNumber(), 1);
  EXPECT_EQ(t.fieldByName("NAME").asString(), "1");
  t.next();
  EXPECT_EQ(t.fieldByName("ID").asNumber(), 2);
  EXPECT_EQ(t.fieldByName("NAME").asString(), "2");
}

TEST(RecordClipboard, TheClipboardTableTakesTheSourcesExtensionAndIndexesAndGoesOnQuit) {
  Workbench w;
  tdb::test::TempDir other;
  tdb::test::makeSample(other, "S.DBF", 3);
  {
    tdb::Table t;
    tdb::test::point(t, other, "S.DBF");
    t.setExclusive(true);
    t.open();
    t.addIndex({"UPNAME", "", "UPPER(NAME)", tdb::ixExpression});
  }
  makeTable(w.data, "o.db", {{"NAME", FieldType::ftString, 10}}, {"O1"});
  tdb::test::makeSample(w.data, "t.dbf", 1);
  w.engine->viewtable({QString::fromStdString(other.path()), QStringLiteral("S.DBF")});
  pick(w, 0, {0});
  w.engine->tablejianqie('f');
  EXPECT_TRUE(std::filesystem::exists(other.file("tablelinshi.DBF")));
  EXPECT_FALSE(std::filesystem::exists(other.file("tablelinshi.dbf")));
  {
    tdb::Table c;
    tdb::test::point(c, other, "tablelinshi.DBF");
    c.open();
    ASSERT_EQ(c.indexDefs().count(), 1);
    EXPECT_EQ(c.indexDefs()[0].expression, "UPPER(NAME)");
    EXPECT_TRUE(c.indexDefs()[0].options & tdb::ixExpression);
  }
  // Paste is offered to every window in edit state, whatever its folder.
  w.open("t.dbf");
  EXPECT_FALSE(enabled(w, Command::Paste));
  w.engine->enteredit();
  EXPECT_TRUE(enabled(w, Command::Paste));

  w.open("o.db");
  pick(w, 2, {0});
  w.engine->tablejianqie('f');
  EXPECT_FALSE(std::filesystem::exists(other.file("tablelinshi.DBF")));  // the old one went
  EXPECT_TRUE(std::filesystem::exists(w.data.file("tablelinshi.db")));

  w.main.close();
  EXPECT_FALSE(std::filesystem::exists(w.data.file("tablelinshi.db")));
}

TEST(RecordClipboard, AClipboardThatCannotBeReplacedIsReportedAndNothingIsCopied) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  w.open("s.dbf");
  pick(w, 0, {0});
  w.engine->tablejianqie('f');
  w.open("tablelinshi.dbf");  // held by a window: it cannot be deleted for the next copy
  pick(w, 1, {0});
  w.engine->tablejianqie('f');
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_EQ(w.dialogs.messages[0], QStringLiteral("这种类型数据表不能复制或剪切!"));
  EXPECT_EQ(w.stored("tablelinshi.dbf"), "R1 ");  // copying it into itself would lose it

  w.engine->bringToFront(0);
  ASSERT_EQ(w.engine->activeSlot(), 0);
  w.slot(0).pagegrids[0]->clearSelection();
  pick(w, 0, {2});
  w.engine->tablejianqie('f');
  ASSERT_EQ(w.dialogs.messages.size(), 2);
  EXPECT_TRUE(w.dialogs.messages[1].contains(QStringLiteral("正在被使用")));
  EXPECT_EQ(w.stored("tablelinshi.dbf"), "R1 ");
}

}  // namespace
}  // namespace torvanel
