// Text typed into a control and not yet stored when the user clicks a command: the command first
// settles the control (the text goes into the record it was typed for, or "取消编辑" drops it),
// then acts. Results are read back from the table file.

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QTableView>

#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using test::User;
using test::Workbench;

// s.dbf of four records in the single-record view, in edit state, with `text` typed over the
// NAME of the current record (moved to first `moves` times with "后一记录") and not yet stored.
QLineEdit* typeName(Workbench& w, const QString& text, int moves = 0) {
  tdb::test::makeSample(w.data, "s.dbf", 4);
  w.open("s.dbf");
  User& u = w.user;
  u.toolbar(QStringLiteral("单记录模式"));
  u.toolbar(QStringLiteral("进入编辑"));
  for (int i = 0; i < moves; ++i) u.toolbar(QStringLiteral("后一记录"));
  auto* name = qobject_cast<QLineEdit*>(u.field(QStringLiteral("NAME")));
  if (!name) return nullptr;
  u.clickInto(name);
  u.press(Qt::Key_A, Qt::ControlModifier);
  u.type(text);
  return name;
}

// Leaves the box for QTY and then the edit state, which would store anything the box still
// held; what the file holds then.
std::string leaveAndRead(Workbench& w) {
  w.user.clickInto(w.user.field(QStringLiteral("QTY")));
  w.user.menu(QStringLiteral("取消编辑状态"));
  return w.stored("s.dbf");
}

TEST(Settling, TextGoesIntoTheRecordItWasTypedForBeforeTheToolbarMoves) {
  Workbench w;
  QLineEdit* name = typeName(w, QStringLiteral("X1"));
  ASSERT_NE(name, nullptr);
  w.user.toolbar(QStringLiteral("后一记录"));
  EXPECT_EQ(name->text(), QStringLiteral("R2"));  // the box shows the record now current
  EXPECT_EQ(w.stored("s.dbf"), "X1 R2 R3 R4 ");
  // Leaving the box later stores nothing into the record now current.
  EXPECT_EQ(leaveAndRead(w), "X1 R2 R3 R4 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(Settling, TheFirstAndLastRecordButtonsLeaveNoTypedTextBehindInTheBox) {
  Workbench w;
  QLineEdit* name = typeName(w, QStringLiteral("X2"), 1);
  ASSERT_NE(name, nullptr);
  w.user.toolbar(QStringLiteral("尾记录"));
  EXPECT_EQ(name->text(), QStringLiteral("R4"));
  w.user.type(QStringLiteral("Y"));  // the box still has the focus: typed after R4
  w.user.toolbar(QStringLiteral("首记录"));
  EXPECT_EQ(name->text(), QStringLiteral("R1"));
  EXPECT_EQ(leaveAndRead(w), "R1 X2 R3 R4Y ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(Settling, LeavingTheEditStateDropsTextNotYetStored) {
  Workbench w;
  QLineEdit* name = typeName(w, QStringLiteral("X1"));
  ASSERT_NE(name, nullptr);
  w.user.toolbar(QStringLiteral("取消编辑"));
  EXPECT_EQ(name->text(), QStringLiteral("R1"));
  EXPECT_TRUE(name->isReadOnly());
  w.user.clickInto(w.user.field(QStringLiteral("QTY")));
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 R4 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(Settling, ClosingTheWindowStoresTheTextFirst) {
  Workbench w;
  ASSERT_NE(typeName(w, QStringLiteral("X3"), 2), nullptr);
  w.user.toolbar(QStringLiteral("关闭活动表"));
  EXPECT_EQ(w.user.window(), nullptr);
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 X3 R4 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(Settling, AnOpenGridCellEditorIsStoredIntoItsOwnRowFirst) {
  Workbench w;
  User& u = w.editSample(4);
  u.clickCell(1, 0);
  u.type(QStringLiteral("G2"));
  ASSERT_TRUE(qobject_cast<QLineEdit*>(User::focus()));
  u.toolbar(QStringLiteral("后一记录"));
  EXPECT_EQ(u.grid()->currentIndex().row(), 2);
  EXPECT_EQ(w.stored("s.dbf"), "R1 G2 R3 R4 ");
  u.type(QStringLiteral("G3"));
  u.toolbar(QStringLiteral("取消编辑"));  // dropped, as in a field
  EXPECT_EQ(w.stored("s.dbf"), "R1 G2 R3 R4 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

}  // namespace
}  // namespace torvanel
