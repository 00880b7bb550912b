// The user-level harness on real table windows: every helper does what a user's click or key
// does, and what it changes is read back from the table file.

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>

#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using test::Workbench;

TEST(UserActions, TheRecordViewsFieldsAreFoundByTheirLabelsAndTakeKeys) {
  Workbench w;
  test::User& u = w.sample(3);
  u.toolbar(QStringLiteral("单记录模式"));
  auto* name = qobject_cast<QLineEdit*>(u.field(QStringLiteral("NAME")));
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->text(), QStringLiteral("R1"));
  u.windowButton(QStringLiteral("后一记录"));
  EXPECT_EQ(name->text(), QStringLiteral("R2"));
  EXPECT_TRUE(qobject_cast<QPlainTextEdit*>(u.field(QStringLiteral("NOTE"))));

  u.toolbar(QStringLiteral("进入编辑"));
  u.clickInto(name);
  EXPECT_EQ(test::User::focus(), name);
  u.press(Qt::Key_A, Qt::ControlModifier);
  u.type(QStringLiteral("张三"));
  u.press(Qt::Key_Return);  // on to the next field, storing this one
  EXPECT_NE(test::User::focus(), name);
  u.toolbar(QStringLiteral("多记录模式"));  // the grid view again posts the record
  EXPECT_EQ(w.stored("s.dbf"), "R1 " + tdb::test::gbk("张三") + " R3 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(UserActions, RowsPickedWithCtrlClickAreCopiedFromTheMenu) {
  Workbench w;
  test::User& u = w.sample(4);
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("复制")));
  u.ctrlClickRows({1, 3});
  EXPECT_TRUE(u.menuEnabled(QStringLiteral("复制")));
  u.menu(QStringLiteral("复制"));
  EXPECT_EQ(w.stored("tablelinshi.dbf"), "R2 R4 ");
}

TEST(UserActions, APopUpMenuItemIsPickedByItsCaption) {
  Workbench w;
  test::User& u = w.sample(3);
  u.menu(QStringLiteral("单记录模式显示"));
  u.menu(QStringLiteral("进入编辑状态"));
  u.menu(QStringLiteral("尾记录"));  // R3, the one with a memo
  u.contextMenu(u.field(QStringLiteral("NOTE")), QStringLiteral("清除备注字段"));
  EXPECT_EQ(w.stored("s.dbf", "NOTE"), "   ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(UserActions, TheWindowListBringsAWindowToTheFront) {
  Workbench w;
  tdb::test::makeSample(w.data, "a.dbf", 2);
  tdb::test::makeSample(w.data, "b.dbf", 2);
  w.open("a.dbf");
  w.open("b.dbf");
  test::User& u = w.user;
  ASSERT_EQ(u.window()->tableName(), QStringLiteral("b.dbf"));
  u.chooseWindow(0);
  EXPECT_EQ(u.window()->tableName(), QStringLiteral("a.dbf"));
  u.doubleClickCell(1, 0);  // browse state: no editor opens
  EXPECT_EQ(test::User::focus(), u.grid());
  EXPECT_EQ(u.grid()->currentIndex().row(), 1);
}

}  // namespace
}  // namespace torvanel
