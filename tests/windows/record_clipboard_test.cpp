// The record clipboard: rows picked with Ctrl+click copied or cut into the clipboard table beside
// their table, and pasted after the current record of any window, by the physical dBASE insert,
// the engine's insert or at the end.

#include <gtest/gtest.h>
#include <QFile>
#include <QTableView>
#include <filesystem>

#include "app/windows/record_clipboard.h"
#include "engine/engine_error.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using tdb::FieldType;
using tdb::Value;
using test::User;
using test::Workbench;

const QString kStopped = QStringLiteral("因索引或字段赋值问题引起错误,不能继续粘贴!");

// The window of `slot` brought to the front from the window list, then its rows Ctrl+clicked in
// that order.
void pick(Workbench& w, int slot, std::initializer_list<int> rows) {
  if (w.user.window() != &w.window(slot)) w.user.chooseWindow(slot);
  w.user.ctrlClickRows(rows);
}

// Opens `table` in a window of its own, enters the edit state and pastes after row `row`.
void pasteAfterRow(Workbench& w, const char* table, int row) {
  w.open(table);
  w.user.menu(QStringLiteral("进入编辑状态"));
  w.user.clickCell(row, 0);
  w.user.menu(QStringLiteral("粘贴"));
}

// The record of `table` whose NAME is `name`, as the file holds it.
struct Stored {
  Stored(Workbench& w, const char* table, const std::string& name) {
    tdb::test::point(t, w.data, table);
    t.open();
    found = t.locate("NAME", Value::text(name));
  }
  tdb::Field& operator[](const char* field) { return t.fieldByName(field); }
  tdb::Table t;
  bool found = false;
};

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

bool enabled(Workbench& w, const char* caption) {
  return w.user.menuEnabled(QString::fromUtf8(caption));
}

// The NAME shown in the active window's current row.
QString currentName(Workbench& w) {
  const QModelIndex at = w.user.grid()->currentIndex();
  return at.sibling(at.row(), 0).data().toString();
}

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
  User& u = w.user;
  w.open("s.dbf");
  pick(w, 0, {2, 0, 3});
  EXPECT_TRUE(enabled(w, "复制"));
  EXPECT_FALSE(enabled(w, "剪切"));  // cutting needs the edit state
  u.menu(QStringLiteral("复制"));
  EXPECT_TRUE(QFile::exists(QString::fromStdString(w.data.file("tablelinshi.dbf"))));
  EXPECT_EQ(w.engine->activeWindow()->selectedRows, 3);  // a copy keeps the selection
  EXPECT_EQ(currentName(w), QStringLiteral("R4"));       // the last row copied
  EXPECT_EQ(u.grid()->currentIndex().row(), 3);
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 R4 R5 ");
  EXPECT_EQ(w.stored("tablelinshi.dbf"), "R3 R1 R4 ");  // in the order the grid lists them

  w.open("p.db");
  EXPECT_FALSE(enabled(w, "粘贴"));  // browse state
  u.menu(QStringLiteral("进入编辑状态"));
  EXPECT_TRUE(enabled(w, "粘贴"));
  u.toolbar(QStringLiteral("首记录"));
  u.toolbar(QStringLiteral("粘贴"));
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
  EXPECT_EQ(w.stored("p.db"), "P1 R3 R1 R4 P2 ");
  EXPECT_FALSE(w.window(1).progressPanel()->isVisible());
  Stored p(w, "p.db", "R3");
  ASSERT_TRUE(p.found);
  EXPECT_DOUBLE_EQ(p["PRICE"].asNumber(), 4.5);
  EXPECT_EQ(p["QTY"].asNumber(), 3);
  EXPECT_EQ(p["NOTE"].asString(), "memo 3");
  EXPECT_TRUE(p["OK"].value().booleanValue());
  EXPECT_TRUE(p["EXTRA"].isNull());
  // Paste does not use the clipboard up.
  EXPECT_EQ(w.stored("tablelinshi.dbf"), "R3 R1 R4 ");
}

TEST(RecordClipboard, PastedRecordsFollowTheCurrentOneInADbaseTableOrGoToItsEnd) {
  Workbench w;
  tdb::test::makeSample(w.data, "c.dbf", 3);
  rename(w.data, "c.dbf", {"C1", "C2", "C3"});
  tdb::test::makeSample(w.data, "t.dbf", 5);
  User& u = w.user;
  w.open("c.dbf");
  pick(w, 0, {1, 0});
  u.menu(QStringLiteral("复制"));
  pasteAfterRow(w, "t.dbf", 1);
  // Moved in the file, not appended: the stored order is the record order.
  EXPECT_EQ(w.stored("t.dbf"), "R1 R2 C2 C1 R3 R4 R5 ");
  EXPECT_EQ(currentName(w), QStringLiteral("C1"));  // the last record pasted
  EXPECT_EQ(u.grid()->currentIndex().row(), 3);
  EXPECT_EQ(w.stored("t.dbf", "NOTE"), "    memo 3   ");  // R3's memo moved with it

  u.toolbar(QStringLiteral("尾记录"));
  u.menu(QStringLiteral("粘贴"));
  EXPECT_EQ(w.stored("t.dbf"), "R1 R2 C2 C1 R3 R4 R5 C2 C1 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(RecordClipboard, APasteIntoATextTableArrivesWhole) {
  Workbench w;
  tdb::test::makeSample(w.data, "c.dbf", 3);
  rename(w.data, "c.dbf", {"C1", "C2", "C3"});
  makeTable(w.data, "t.txt", {{"NAME", FieldType::ftString, 8}}, {"T1", "T2", "T3"});
  User& u = w.user;
  w.open("c.dbf");
  pick(w, 0, {2, 0, 1});
  u.menu(QStringLiteral("复制"));
  pasteAfterRow(w, "t.txt", 0);
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('\n').toStdString();
  // A text table places no record: the pasted ones follow the last, in the order picked.
  EXPECT_EQ(w.stored("t.txt"), "T1 T2 T3 C3 C1 C2 ");
  EXPECT_EQ(w.user.grid()->model()->rowCount(), 6);
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
  User& u = w.user;
  w.open("c.dbf");
  pick(w, 0, {3, 0, 2});
  u.menu(QStringLiteral("复制"));
  // a.dbf gets the paste; into b.dbf the user types the same records, each inserted with
  // "插入记录" before the record after the one typed before.
  pasteAfterRow(w, "a.dbf", 1);
  w.open("b.dbf");
  u.menu(QStringLiteral("进入编辑状态"));
  u.clickCell(2, 0);
  for (const char* values : {"C4 6 4", "C1 1.5 1", "C3 4.5 3"}) {
    u.toolbar(QStringLiteral("插入记录"));
    for (const QString& value : QString::fromLatin1(values).split(QLatin1Char(' '))) {
      u.type(value);
      u.press(Qt::Key_Return);  // after the last field: stored, and on to the next record
    }
  }
  EXPECT_EQ(w.stored("a.dbf"), "T1 T2 C4 C1 C3 T3 T5 T6 ");
  EXPECT_EQ(bytesOf(w.data.file("a.dbf")), bytesOf(w.data.file("b.dbf")));
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(RecordClipboard, AFilteredDbaseTableGetsTheEnginesInsertAndKeepsItsHiddenRecords) {
  Workbench w;
  tdb::test::makeSample(w.data, "c.dbf", 1);
  rename(w.data, "c.dbf", {"C1"});
  tdb::test::makeSample(w.data, "t.dbf", 4);
  User& u = w.user;
  w.open("c.dbf");
  pick(w, 0, {0});
  u.menu(QStringLiteral("复制"));
  w.open("t.dbf");
  w.query(QStringLiteral("(QTY>2)"));
  u.menu(QStringLiteral("进入编辑状态"));
  u.toolbar(QStringLiteral("首记录"));  // R3
  u.menu(QStringLiteral("粘贴"));
  EXPECT_EQ(w.stored("t.dbf"), "R1 R2 R3 R4 C1 ");
  Stored r2(w, "t.dbf", "R2");
  ASSERT_TRUE(r2.found);
  EXPECT_EQ(r2["QTY"].asNumber(), 2);
}

TEST(RecordClipboard, CuttingFromDbasePacksAtOnceUnlessTheBufferHoldsTheDeletes) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 6);
  User& u = w.user;
  w.open("s.dbf");
  u.menu(QStringLiteral("进入编辑状态"));
  pick(w, 0, {1, 4, 2});
  EXPECT_TRUE(enabled(w, "剪切"));
  u.toolbar(QStringLiteral("剪切"));
  EXPECT_EQ(w.stored("s.dbf"), "R1 R4 R6 ");
  EXPECT_EQ(w.stored("tablelinshi.dbf"), "R2 R5 R3 ");
  EXPECT_EQ(w.engine->activeWindow()->selectedRows, 0);
  EXPECT_EQ(u.grid()->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_FALSE(enabled(w, "复制"));
  EXPECT_TRUE(enabled(w, "粘贴"));
  EXPECT_EQ(currentName(w), QStringLiteral("R1"));
  {
    tdb::Table t;
    tdb::test::point(t, w.data, "s.dbf");
    t.open();
    t.last();
    EXPECT_EQ(t.recNo(), 3);  // gone from the file
  }

  u.menu(QStringLiteral("使用内存缓冲"));
  u.menu(QStringLiteral("进入编辑状态"));
  pick(w, 0, {0, 2});
  u.menu(QStringLiteral("剪切"));
  EXPECT_EQ(w.stored("tablelinshi.dbf"), "R1 R6 ");
  EXPECT_EQ(w.stored("s.dbf"), "R1 R4 R6 ");  // only in the buffer so far
  EXPECT_EQ(u.grid()->model()->rowCount(), 1);
  u.toolbar(QStringLiteral("保存活动表修改"));
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
  w.user.menu(QStringLiteral("进入编辑状态"));
  pick(w, 0, {1, 4, 3});
  w.user.menu(QStringLiteral("剪切"));
  EXPECT_EQ(w.stored("k.db"), "A C F ");
  EXPECT_EQ(w.stored("tablelinshi.db"), "B D E ");  // a keyed clipboard keeps its key order
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(RecordClipboard, AKeyViolationStopsThePasteAndKeepsTheRecordsBefore) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  makeTable(w.data, "k.db", {{"NAME", FieldType::ftString, 10}, {"PRICE", FieldType::ftFloat}},
            {"R2", "X"}, {{"", "NAME", "", tdb::ixPrimary}});
  User& u = w.user;
  w.open("s.dbf");
  pick(w, 0, {0, 1, 2});
  u.menu(QStringLiteral("复制"));
  w.open("k.db");
  u.menu(QStringLiteral("进入编辑状态"));
  u.menu(QStringLiteral("粘贴"));
  EXPECT_EQ(w.dialogs.messages, QStringList{kStopped});
  EXPECT_EQ(w.stored("k.db"), "R1 R2 X ");
  EXPECT_EQ(u.grid()->model()->rowCount(), 3);  // no record left in hand
  Stored r2(w, "k.db", "R2");
  ASSERT_TRUE(r2.found);
  EXPECT_TRUE(r2["PRICE"].isNull());  // the stored R2, not the pasted one
  EXPECT_FALSE(w.window(1).progressPanel()->isVisible());
}

TEST(RecordClipboard, AFailedPostLeavesNoBlankRecordsInTheRoomMadeForTheRest) {
  Workbench w;
  tdb::test::makeSample(w.data, "c.dbf", 3);
  rename(w.data, "c.dbf", {"C1", "C2", "C3"});
  tdb::test::makeSample(w.data, "t.dbf", 4);
  User& u = w.user;
  w.open("c.dbf");
  pick(w, 0, {0, 1, 2});
  u.menu(QStringLiteral("复制"));
  w.open("t.dbf");
  // A store that fails partway: the engine refuses C2.
  w.window(1).table().beforePost = [](tdb::Table& t) {
    if (t.fieldByName("NAME").asString() == "C2") throw tdb::EngineError("refused");
  };
  u.menu(QStringLiteral("进入编辑状态"));
  u.toolbar(QStringLiteral("首记录"));
  u.menu(QStringLiteral("粘贴"));
  EXPECT_EQ(w.dialogs.messages, QStringList{kStopped});
  EXPECT_EQ(w.stored("t.dbf"), "R1 C1 R2 R3 R4 ");
  EXPECT_EQ(u.grid()->model()->rowCount(), 5);
}

TEST(RecordClipboard, AutoincrementTargetsAreNumberedAndRefusedValuesLeftEmpty) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 2);
  // NAME goes into the number, PRICE into the autoincrement field, QTY into the text.
  makeTable(w.data, "a.db",
            {{"NUM", FieldType::ftFloat},
             {"ID", FieldType::ftAutoInc},
             {"NAME", FieldType::ftString, 10}});
  User& u = w.user;
  w.open("s.dbf");
  pick(w, 0, {0, 1});
  u.menu(QStringLiteral("复制"));
  w.open("a.db");
  u.menu(QStringLiteral("进入编辑状态"));
  u.menu(QStringLiteral("粘贴"));
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
  EXPECT_EQ(w.stored("a.db", "NUM"), "  ");
  EXPECT_EQ(w.stored("a.db", "ID"), "1 2 ");
  EXPECT_EQ(w.stored("a.db"), "1 2 ");
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
  User& u = w.user;
  w.engine->viewtable({QString::fromStdString(other.path()), QStringLiteral("S.DBF")});
  pick(w, 0, {0});
  u.menu(QStringLiteral("复制"));
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
  EXPECT_FALSE(enabled(w, "粘贴"));
  u.menu(QStringLiteral("进入编辑状态"));
  EXPECT_TRUE(enabled(w, "粘贴"));

  w.open("o.db");
  pick(w, 2, {0});
  u.menu(QStringLiteral("复制"));
  EXPECT_FALSE(std::filesystem::exists(other.file("tablelinshi.DBF")));  // the old one went
  EXPECT_TRUE(std::filesystem::exists(w.data.file("tablelinshi.db")));

  u.menu(QStringLiteral("退出"));
  EXPECT_FALSE(std::filesystem::exists(w.data.file("tablelinshi.db")));
}

TEST(RecordClipboard, AClipboardThatCannotBeReplacedIsReportedAndNothingIsCopied) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  User& u = w.user;
  w.open("s.dbf");
  pick(w, 0, {0});
  u.menu(QStringLiteral("复制"));
  w.open("tablelinshi.dbf");  // held by a window: it cannot be deleted for the next copy
  pick(w, 1, {0});
  u.menu(QStringLiteral("复制"));
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_EQ(w.dialogs.messages[0], QStringLiteral("这种类型数据表不能复制或剪切!"));
  EXPECT_EQ(w.stored("tablelinshi.dbf"), "R1 ");  // copying it into itself would lose it

  u.chooseWindow(0);
  u.clickCell(1, 0);  // a plain click drops the rows picked before
  pick(w, 0, {2});
  u.menu(QStringLiteral("复制"));
  ASSERT_EQ(w.dialogs.messages.size(), 2);
  EXPECT_TRUE(w.dialogs.messages[1].contains(QStringLiteral("正在被使用")));
  EXPECT_EQ(w.stored("tablelinshi.dbf"), "R1 ");
}

}  // namespace
}  // namespace torvanel
