// The record commands of a table window: the physical dBASE insert against the engine's, delete
// with its pack, record moves with their refusals, revert and the edit state.

#include <gtest/gtest.h>
#include <QTableView>

#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using test::Workbench;

TEST(RecordOperations, ADbaseTableWithoutIndexGetsARealInsert) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 5);
  w.open("s.dbf");
  w.engine->firstrecord();
  w.engine->insertrecord();
  EXPECT_EQ(w.table().recNo(), 1);
  EXPECT_TRUE(w.table().fieldByName("NAME").isNull());
  EXPECT_EQ(w.table().state(), tdb::DataSetState::dsBrowse);  // already posted
  EXPECT_FALSE(w.table().cachedUpdates());
  EXPECT_EQ(w.stored("s.dbf"), " R1 R2 R3 R4 R5 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());

  // With an order or the memory buffer the engine inserts instead: the record waits in insert
  // state.
  w.table().setIndexFieldNames("");
  w.table().close();
  w.table().setExclusive(true);
  w.table().open();
  w.table().addIndex({"BYNAME", "NAME", "", 0});
  w.table().setIndexName("BYNAME");
  w.engine->insertrecord();
  EXPECT_EQ(w.table().state(), tdb::DataSetState::dsInsert);
  w.table().cancel();
  w.table().setIndexName("");
  w.table().setCachedUpdates(true);
  w.engine->insertrecord();
  EXPECT_EQ(w.table().state(), tdb::DataSetState::dsInsert);
  w.table().cancel();
  w.table().setCachedUpdates(false);
  // Filtered, the same.
  w.table().setFilter("QTY > 2");
  w.table().setFiltered(true);
  w.engine->insertrecord();
  EXPECT_EQ(w.table().state(), tdb::DataSetState::dsInsert);
  w.table().cancel();
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
  EXPECT_EQ(w.table().indexName(), "UPNAME");
  EXPECT_TRUE(
      w.engine->registry()[0].window->windowTitle().endsWith(QStringLiteral("s.dbf(UPNAME)")));
}

TEST(RecordOperations, DeletingPacksUnlessAnotherWindowHoldsTheTable) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 4);
  w.open("s.dbf");
  QTableView* grid = w.slot(0).pagegrids[0];
  grid->setSelectionMode(QAbstractItemView::MultiSelection);
  grid->selectRow(0);
  grid->selectRow(3);
  w.table().moveTo(2);
  w.engine->delerecord();
  EXPECT_EQ(w.stored("s.dbf"), "R1 R3 R4 ");
  EXPECT_EQ(w.table().fieldByName("NAME").asString(), "R3");  // the record that followed
  EXPECT_EQ(grid->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(w.engine->activeWindow()->selectedRows, 0);
  {
    tdb::Table t;
    tdb::test::point(t, w.data, "s.dbf");
    t.open();
    t.last();
    EXPECT_EQ(t.recNo(), 3);  // gone from the file, not only marked
  }
  w.open("s.dbf");  // a second window on the same table
  w.engine->firstrecord();
  w.engine->delerecord();
  EXPECT_EQ(w.dialogs.messages,
            QStringList{QStringLiteral("请关闭其他窗口打开的本表后才能真正删除!")});
  tdb::Table t;
  tdb::test::point(t, w.data, "s.dbf");
  t.open();
  t.last();
  EXPECT_EQ(t.recNo(), 3);  // still in the file, marked deleted
  EXPECT_EQ(w.stored("s.dbf"), "R3 R4 ");
}

TEST(RecordOperations, RecordsMoveOnlyInEditStateWithoutAnOrder) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  w.open("s.dbf");
  w.engine->recordmove(true);
  EXPECT_EQ(w.dialogs.messages, QStringList{QStringLiteral("编辑时才能使用移动记录!")});
  w.engine->enteredit();
  EXPECT_TRUE(w.engine->activeWindow()->inEditState);
  w.engine->firstrecord();
  w.engine->recordmove(true);  // the first record cannot move up: nothing, no message
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 ");
  w.table().moveTo(2);
  w.engine->recordmove(true);
  EXPECT_EQ(w.stored("s.dbf"), "R2 R1 R3 ");
  EXPECT_EQ(w.table().recNo(), 1);
  EXPECT_EQ(w.table().fieldByName("NAME").asString(), "R2");
  w.engine->lastrecord();
  w.engine->recordmove(false);
  EXPECT_EQ(w.stored("s.dbf"), "R2 R1 R3 ");
  w.engine->outedit();
  EXPECT_FALSE(w.engine->activeWindow()->inEditState);

  {
    tdb::Table k;
    tdb::test::point(k, w.data, "k.db");
    k.fieldDefs().add("NAME", tdb::FieldType::ftString, 5);
    k.indexDefs().add({"", "NAME", "", tdb::ixPrimary});
    k.createTable();
  }
  w.dialogs.messages.clear();
  w.open("k.db");
  w.engine->enteredit();
  w.engine->recordmove(false);
  // The window is ordered by the key, which is refused first.
  EXPECT_EQ(w.dialogs.messages,
            QStringList{QStringLiteral("数据表正在使用索引文件,记录不能移动!")});
  w.table().setIndexFieldNames("");
  w.engine->recordmove(false);
  EXPECT_EQ(w.dialogs.messages.last(), QStringLiteral("数据表有主键索引,记录不能移动"));
}

TEST(RecordOperations, RevertDropsTheCurrentRecordsChange) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 2);
  w.open("s.dbf");
  w.table().edit();
  w.table().fieldByName("NAME").setAsString("X");
  w.engine->revertrecord();
  EXPECT_EQ(w.table().fieldByName("NAME").asString(), "R1");
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 ");
}

}  // namespace
}  // namespace torvanel
