// The input aids of a table window: Enter across a grid's row, Ctrl+click selecting rows, Enter
// and the page keys through the single-record view's fields, and typing into a writable grid.

#include <gtest/gtest.h>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include "app/ui/field_controls.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using test::Workbench;

TEST(InputAids, EnterWalksAcrossTheGridRowAndOnToTheNextRecord) {
  Workbench w;
  test::User& u = w.sample(2);
  QTableView* grid = u.grid();
  u.clickCell(0, 4);
  u.press(Qt::Key_Return);
  EXPECT_EQ(grid->currentIndex().column(), 5);
  u.press(Qt::Key_Return);  // the last column: the next record, the first column
  EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 0));
  EXPECT_EQ(w.window(0).statusPanel(0)->text(), QStringLiteral("2/2"));
  u.clickCell(1, 5);
  u.press(Qt::Key_Return);  // and on the last record it stays there
  EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, 0));
  EXPECT_EQ(w.window(0).statusPanel(0)->text(), QStringLiteral("2/2"));
}

TEST(InputAids, CtrlClickSelectsRowsAndAPlainClickDropsThem) {
  Workbench w;
  test::User& u = w.sample(5);
  u.ctrlClickRows({0, 2});
  EXPECT_EQ(w.engine->activeWindow()->selectedRows, 2);
  EXPECT_TRUE(u.menuEnabled(QStringLiteral("复制")));
  u.clickCell(3, 0);
  EXPECT_EQ(w.engine->activeWindow()->selectedRows, 0);
  EXPECT_EQ(u.grid()->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("复制")));
}
TEST(InputAids, OnlyTheRowsCtrlClickedArePickedAndCutAndCopyFollowThem) {
  Workbench w;
  test::User& u = w.editSample(5);
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
  test::User& u = w.sample(2);
  u.menu(QStringLiteral("单记录模式显示"));
  QWidget* name = u.field(QStringLiteral("NAME"));
  QWidget* price = u.field(QStringLiteral("PRICE"));
  u.clickInto(name);
  u.press(Qt::Key_Return);
  EXPECT_EQ(test::User::focus(), price);
  u.press(Qt::Key_PageUp);
  EXPECT_EQ(test::User::focus(), name);
  u.press(Qt::Key_PageUp);  // the first field: nowhere to go
  EXPECT_EQ(test::User::focus(), name);
  u.clickInto(u.field(QStringLiteral("OK")));
  u.press(Qt::Key_PageDown);  // the last edit field: on to the memo
  EXPECT_EQ(test::User::focus(), u.field(QStringLiteral("NOTE")));
}

TEST(InputAids, AWritableGridTakesWhatIsTypedAndRefusesWhatTheFieldCannotHold) {
  Workbench w;
  test::User& u = w.editSample(3);
  u.clickCell(1, 0);
  u.type(QStringLiteral("TYPED"));
  u.press(Qt::Key_Return);
  EXPECT_EQ(u.grid()->model()->index(1, 0).data().toString(), QStringLiteral("TYPED"));
  // A value the field cannot take is refused with the engine's message.
  u.clickCell(1, 2);
  u.type(QStringLiteral("many"));
  u.press(Qt::Key_Return);
  EXPECT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_EQ(u.grid()->model()->index(1, 2).data().toString(), QStringLiteral("2"));
  u.toolbar(QStringLiteral("后一记录"));  // leaving the record stores it
  EXPECT_EQ(w.stored("s.dbf"), "R1 TYPED R3 ");
  EXPECT_EQ(w.stored("s.dbf", "QTY"), "1 2 3 ");
}

}  // namespace
}  // namespace torvanel
