// The record commands of a table window, run from the menus and the toolbar: the physical dBASE
// insert against the engine's, delete with its pack, record moves with their refusals, revert and
// the edit state. Results are read back from the files.

#include <gtest/gtest.h>
#include <QLabel>
#include <QTableView>

#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using test::User;
using test::Workbench;

TEST(RecordOperations, ADbaseTableWithoutIndexGetsARealInsert) {
  Workbench w;
  User& u = w.editSample(5);
  u.toolbar(QStringLiteral("首记录"));
  u.toolbar(QStringLiteral("插入记录"));
  // Already in the file, blank, before the five: no record waits to be stored.
  EXPECT_EQ(w.stored("s.dbf"), " R1 R2 R3 R4 R5 ");
  EXPECT_EQ(w.window(0).statusPanel(0)->text(), QStringLiteral("1/6"));
  EXPECT_FALSE(w.window(0).progressPanel()->isVisible());
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(RecordOperations, AnOrderTheBufferOrAFilterGetTheEnginesInsertInstead) {
  // The new record waits in hand, shown as a row of its own: the file keeps its five records.
  const auto insert = [](Workbench& w) {
    User& u = w.user;
    u.menu(QStringLiteral("进入编辑状态"));
    u.toolbar(QStringLiteral("首记录"));
    const int rows = u.grid()->model()->rowCount();
    u.toolbar(QStringLiteral("插入记录"));
    EXPECT_EQ(u.grid()->model()->rowCount(), rows + 1);
    EXPECT_EQ(u.grid()->currentIndex().row(), 0);
    EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 R4 R5 ");
  };
  {
    Workbench w;
    tdb::test::makeSample(w.data, "s.dbf", 5);
    w.indexByName("s.dbf");
    w.open("s.dbf");
    insert(w);
  }
  {
    Workbench w;
    tdb::test::makeSample(w.data, "s.dbf", 5);
    w.user.menu(QStringLiteral("使用内存缓冲"));
    w.open("s.dbf");
    insert(w);
  }
  {
    Workbench w;
    tdb::test::makeSample(w.data, "s.dbf", 5);
    w.open("s.dbf");
    w.query(QStringLiteral("(QTY>2)"));
    insert(w);
  }
}

TEST(RecordOperations, AnExpressionIndexFirstOrdersTheWindowByItsName) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  {
    tdb::Table t;
    tdb::test::point(t, w.data, "s.dbf");
    t.setExclusive(true);
    t.open();
    t.addIndex({"UPNAME", "", "UPPER(NAME)", tdb::ixExpression});
  }
  w.open("s.dbf");
  EXPECT_TRUE(w.window(0).windowTitle().endsWith(QStringLiteral("s.dbf(UPNAME)")));
}

TEST(RecordOperations, DeletingPacksUnlessAnotherWindowHoldsTheTable) {
  Workbench w;
  User& u = w.editSample(4);
  u.ctrlClickRows({0, 3});
  u.clickCell(1, 0, Qt::ControlModifier);  // the current record is R2, with three rows picked
  ASSERT_EQ(w.engine->activeWindow()->selectedRows, 3);
  u.ctrlClickRows({1});  // R2 dropped again, still current
  u.toolbar(QStringLiteral("删除记录"));
  EXPECT_EQ(w.stored("s.dbf"), "R1 R3 R4 ");
  // The record that followed is current, and the picked rows are gone with the selection mode.
  EXPECT_EQ(u.grid()->currentIndex().row(), 1);
  EXPECT_EQ(u.grid()->currentIndex().data().toString(), QStringLiteral("R3"));
  EXPECT_EQ(u.grid()->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("复制")));
  {
    tdb::Table t;
    tdb::test::point(t, w.data, "s.dbf");
    t.open();
    t.last();
    EXPECT_EQ(t.recNo(), 3);  // gone from the file, not only marked
  }
  w.open("s.dbf");  // a second window on the same table
  u.menu(QStringLiteral("进入编辑状态"));
  u.toolbar(QStringLiteral("首记录"));
  u.menu(QStringLiteral("删除记录"));
  EXPECT_EQ(w.dialogs.messages,
            QStringList{QStringLiteral("请关闭其他窗口打开的本表后才能真正删除!")});
  tdb::Table t;
  tdb::test::point(t, w.data, "s.dbf");
  t.open();
  t.last();
  EXPECT_EQ(t.recNo(), 3);  // still in the file, marked deleted
  EXPECT_EQ(w.stored("s.dbf"), "R3 R4 ");
}

TEST(RecordOperations, DeletingTheLastRecordLeavesAnEmptyTable) {
  Workbench w;
  User& u = w.editSample(1);
  u.toolbar(QStringLiteral("删除记录"));
  EXPECT_EQ(w.stored("s.dbf"), "");
  EXPECT_EQ(u.grid()->model()->rowCount(), 0);
  u.toolbar(QStringLiteral("删除记录"));  // nothing to delete: nothing happens
  EXPECT_EQ(u.grid()->model()->rowCount(), 0);
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(RecordOperations, RecordsMoveOnlyInEditStateWithoutAnOrder) {
  Workbench w;
  User& u = w.sample(3);
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("记录向上移动")));  // only in edit state
  EXPECT_FALSE(u.toolbarEnabled(QStringLiteral("记录上移")));
  u.menu(QStringLiteral("进入编辑状态"));
  EXPECT_TRUE(w.engine->activeWindow()->inEditState);
  u.toolbar(QStringLiteral("首记录"));
  u.toolbar(QStringLiteral("记录上移"));  // the first record cannot move up: nothing, no message
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 ");
  u.clickCell(1, 0);
  u.toolbar(QStringLiteral("记录上移"));
  EXPECT_EQ(w.stored("s.dbf"), "R2 R1 R3 ");
  EXPECT_EQ(w.window(0).statusPanel(0)->text(), QStringLiteral("1/3"));
  EXPECT_EQ(u.grid()->currentIndex().row(), 0);
  EXPECT_EQ(u.grid()->currentIndex().data().toString(), QStringLiteral("R2"));
  u.toolbar(QStringLiteral("尾记录"));
  u.toolbar(QStringLiteral("记录下移"));
  EXPECT_EQ(w.stored("s.dbf"), "R2 R1 R3 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
  u.menu(QStringLiteral("取消编辑状态"));
  EXPECT_FALSE(w.engine->activeWindow()->inEditState);

  // A keyed Paradox table: ordered by its key, which is refused first; in the natural order
  // the key itself refuses.
  {
    tdb::Table k;
    tdb::test::point(k, w.data, "k.db");
    k.fieldDefs().add("NAME", tdb::FieldType::ftString, 5);
    k.indexDefs().add({"", "NAME", "", tdb::ixPrimary});
    k.createTable();
  }
  w.open("k.db");
  u.menu(QStringLiteral("进入编辑状态"));
  u.menu(QStringLiteral("记录向下移动"));
  EXPECT_EQ(w.dialogs.messages,
            QStringList{QStringLiteral("数据表正在使用索引文件,记录不能移动!")});
  w.chooseIndex(QStringLiteral("取消索引"));
  u.menu(QStringLiteral("记录向下移动"));
  EXPECT_EQ(w.dialogs.messages.last(), QStringLiteral("数据表有主键索引,记录不能移动"));
}

TEST(RecordOperations, RevertDropsTheCurrentRecordsChange) {
  Workbench w;
  User& u = w.editSample(2);
  u.clickCell(0, 0);
  u.type(QStringLiteral("X"));
  u.press(Qt::Key_Return);
  EXPECT_EQ(u.grid()->model()->index(0, 0).data().toString(), QStringLiteral("X"));
  u.menu(QStringLiteral("恢复记录"));
  EXPECT_EQ(u.grid()->model()->index(0, 0).data().toString(), QStringLiteral("R1"));
  u.menu(QStringLiteral("取消编辑状态"));
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 ");
}

}  // namespace
}  // namespace torvanel
