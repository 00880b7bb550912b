// A save that fails (a key the table already holds) stops what asked for it: the window, its
// buffer and every other window's changes stay, and only quitting goes on.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>

#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using test::Workbench;

// u.dbf, whose NAME is unique, gets a buffered change that repeats a NAME; b.dbf a valid one.
// Both windows are open with the memory buffer on, u.dbf in window 0.
void bufferAGoodAndABadChange(Workbench& w) {
  w.makePeople("u.dbf", {"ann/rome", "bob/oslo"}, "BYNAME", tdb::ixUnique);
  w.makePeople("b.dbf", {"ann/rome", "bob/oslo"});
  w.user.menu(QStringLiteral("使用内存缓冲"));
  w.open("u.dbf");
  w.open("b.dbf");
  w.typeInto("NAME", QStringLiteral("amy"));
  w.user.windowButton(QStringLiteral("后一记录"));  // into the buffer
  w.user.chooseWindow(0);
  w.typeInto("NAME", QStringLiteral("bob"));
  w.user.windowButton(QStringLiteral("后一记录"));
  ASSERT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('\n').toStdString();
}

TEST(FailedSaves, ClosingAWindowWhoseRecordCannotBeStoredKeepsItOpen) {
  Workbench w;
  w.makePeople("u.dbf", {"ann/rome", "bob/oslo"}, "BYNAME", tdb::ixUnique);
  w.open("u.dbf");
  w.typeInto("NAME", QStringLiteral("bob"));
  w.user.menu(QStringLiteral("关闭当前(表)项目"));
  EXPECT_EQ(w.dialogs.messages.size(), 1);
  ASSERT_NE(w.user.window(), nullptr);
  EXPECT_EQ(w.listEntries().size(), 1);
  EXPECT_EQ(w.stored("u.dbf"), "ann bob ");

  // Put right, the record is stored as the window closes.
  w.typeInto("NAME", QStringLiteral("amy"));
  w.user.toolbar(QStringLiteral("关闭活动表"));
  EXPECT_EQ(w.user.window(), nullptr);
  EXPECT_EQ(w.stored("u.dbf"), "amy bob ");
  EXPECT_EQ(w.dialogs.messages.size(), 1);
}

TEST(FailedSaves, CloseAllSwitchingTheBufferAndTheIndexChoiceStopAndKeepEveryChange) {
  Workbench w;
  bufferAGoodAndABadChange(w);
  test::User& u = w.user;

  w.dialogs.confirmAnswers = {Answer::Yes};
  u.menu(QStringLiteral("关闭全部"));
  EXPECT_EQ(w.dialogs.messages.size(), 1);
  ASSERT_EQ(w.listEntries().size(), 2);

  w.dialogs.confirmAnswers = {Answer::Yes};
  u.menu(QStringLiteral("取消内存缓冲"));
  EXPECT_EQ(w.dialogs.messages.size(), 2);
  EXPECT_TRUE(w.program.read("setfile.tsm").startsWith("true\r\n"));
  EXPECT_EQ(u.window()->statusPanel(1)->text(), QStringLiteral("使用缓冲"));

  // The index choice would close the table to change its order: it is abandoned.
  u.menu(QStringLiteral("选择索引文件"));
  u.choose(qobject_cast<QComboBox*>(u.field(QStringLiteral("请选择索引文件"))),
         QStringLiteral("取消索引"));
  w.dialogs.confirmAnswers = {Answer::Yes};
  u.windowButton(QStringLiteral("确认"));
  EXPECT_EQ(w.dialogs.messages.size(), 3);
  EXPECT_TRUE(u.window()->windowTitle().endsWith(QStringLiteral("u.dbf(NAME)")));
  EXPECT_EQ(w.stored("u.dbf") + w.stored("b.dbf"), "ann bob ann bob ");

  // Without the change that cannot be stored, the other window's change is still there to save.
  u.menu(QStringLiteral("取消当前表修改"));
  w.dialogs.confirmAnswers = {Answer::Yes};
  u.menu(QStringLiteral("关闭全部"));
  EXPECT_TRUE(w.listEntries().isEmpty());
  EXPECT_EQ(w.stored("u.dbf"), "ann bob ");
  EXPECT_EQ(w.stored("b.dbf"), "amy bob ");
  EXPECT_EQ(w.dialogs.messages.size(), 3);
}

TEST(FailedSaves, QuittingGoesOnAndSavesEveryOtherWindow) {
  Workbench w;
  bufferAGoodAndABadChange(w);
  w.dialogs.confirmAnswers = {Answer::Yes};
  w.user.menu(QStringLiteral("退出"));
  EXPECT_FALSE(w.main.isVisible());
  EXPECT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_EQ(w.stored("u.dbf"), "ann bob ");
  EXPECT_EQ(w.stored("b.dbf"), "amy bob ");
}

}  // namespace
}  // namespace torvanel
