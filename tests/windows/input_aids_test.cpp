// The input aids of a table window: Enter across a grid's row, Ctrl+click selecting rows, Enter
// and the page keys through the single-record view's fields, and typing into a writable grid.

#include <gtest/gtest.h>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "app/ui/field_controls.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using test::Workbench;

TEST(InputAids, EnterWalksAcrossTheGridRowAndOnToTheNextRecord) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 2);
  w.open("s.dbf");
  QTableView* grid = w.slot(0).pagegrids[0];
  grid->setCurrentIndex(grid->model()->index(0, 4));
  QTest::keyClick(grid, Qt::Key_Return);
  EXPECT_EQ(grid->currentIndex().column(), 5);
  QTest::keyClick(grid, Qt::Key_Return);  // the last column: the next record, the first column
  EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 0));
  EXPECT_EQ(w.window(0).table().recNo(), 2);
  grid->setCurrentIndex(grid->model()->index(1, 5));
  QTest::keyClick(grid, Qt::Key_Return);  // and on the last record it stays there
  EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 0));
  EXPECT_EQ(w.window(0).table().recNo(), 2);
}

TEST(InputAids, CtrlClickSelectsRowsAndAPlainClickDropsThem) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 5);
  w.open("s.dbf");
  QTableView* grid = w.slot(0).pagegrids[0];
  auto click = [&](int row, Qt::KeyboardModifiers modifiers) {
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, cell.center());
  };
  click(0, Qt::ControlModifier);
  click(2, Qt::ControlModifier);
  EXPECT_EQ(w.engine->activeWindow()->selectedRows, 2);
  click(3, Qt::NoModifier);
  EXPECT_EQ(w.engine->activeWindow()->selectedRows, 0);
  EXPECT_EQ(grid->selectionMode(), QAbstractItemView::SingleSelection);
}

TEST(InputAids, OnlyTheRowsCtrlClickedArePickedAndCutAndCopyFollowThem) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 5);
  w.open("s.dbf");
  test::User& u = w.user;
  u.menu(QStringLiteral("进入编辑状态"));
  u.clickCell(0, 0);  // the current row is not picked by the first Ctrl+click
  u.ctrlClickRows({2});
  EXPECT_TRUE(u.menuEnabled(QStringLiteral("复制")));
  u.ctrlClickRows({2});  // picked again: dropped, and nothing is left to copy
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("复制")));
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("剪切")));
  u.ctrlClickRows({3, 1});
  ASSERT_TRUE(u.menuEnabled(QStringLiteral("剪切")));
  u.menu(QStringLiteral("剪切"));
  EXPECT_EQ(w.stored("s.dbf"), "R1 R3 R5 ");
  EXPECT_EQ(w.stored("tablelinshi.dbf"), "R4 R2 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(InputAids, EnterAndThePageKeysWalkThroughTheFields) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 2);
  w.open("s.dbf");
  w.engine->smodal();
  const auto& edits = w.slot(0).edits[0];
  ASSERT_EQ(edits.size(), 5u);
  edits[0]->setFocus();
  QTest::keyClick(edits[0], Qt::Key_Return);
  EXPECT_EQ(w.slot(0).window->focusWidget(), edits[1]);
  QTest::keyClick(edits[1], Qt::Key_PageUp);
  EXPECT_EQ(w.slot(0).window->focusWidget(), edits[0]);
  QTest::keyClick(edits[0], Qt::Key_PageUp);  // the first field: nowhere to go
  EXPECT_EQ(w.slot(0).window->focusWidget(), edits[0]);
  edits[4]->setFocus();
  QTest::keyClick(edits[4], Qt::Key_PageDown);  // the last edit field: on to the memo
  EXPECT_EQ(w.slot(0).window->focusWidget(), w.slot(0).memos[0][0]);
}

TEST(InputAids, AWritableGridTakesWhatIsTyped) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  w.open("s.dbf");
  QAbstractItemModel* model = w.slot(0).pagegrids[0]->model();
  w.engine->enteredit();
  ASSERT_TRUE(model->setData(model->index(1, 0), QStringLiteral("TYPED")));
  EXPECT_EQ(w.window(0).table().state(), tdb::DataSetState::dsEdit);
  EXPECT_EQ(model->data(model->index(1, 0)).toString(), QStringLiteral("TYPED"));
  // A value the field cannot take is refused with the engine's message.
  EXPECT_FALSE(model->setData(model->index(1, 2), QStringLiteral("many")));
  EXPECT_EQ(w.dialogs.messages.size(), 1);
  w.engine->nextrecord();  // leaving the record stores it
  tdb::Table t;
  tdb::test::point(t, w.data, "s.dbf");
  t.open();
  t.next();
  EXPECT_EQ(t.fieldByName("NAME").asString(), "TYPED");
}

}  // namespace
}  // namespace torvanel
