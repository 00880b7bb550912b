// Tables opened into child windows of the main window: slots, captions and the window list, the
// order and the memory buffer a window starts with, and closing with buffered changes.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableView>

#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using test::User;
using test::Workbench;

// Types `name` over the NAME of the grid's row and leaves the row, which stores the record (into
// the buffer when the window has one).
void typeName(User& u, int row, const QString& name) {
  u.clickCell(row, 0);
  u.type(name);
  u.press(Qt::Key_Return);
  u.clickCell(row == 0 ? 1 : 0, 0);
}

TEST(WindowEngine, SlotsAreReusedLowestFirstAndListedWithTheirNumbers) {
  Workbench w;
  tdb::test::makeSample(w.data, "a.dbf", 3);
  tdb::test::makeSample(w.data, "b.dbf", 120);
  tdb::test::makeSample(w.data, "c.dbf", 2);
  const QString folder = QString::fromStdString(w.data.path());
  User& u = w.user;
  w.open("a.dbf");
  w.open("b.dbf");
  EXPECT_EQ(w.engine->registry().size(), 2);
  EXPECT_EQ(w.listEntries(), (QStringList{QStringLiteral("<0> 数据表:[") + folder + "]a.dbf()",
                                          QStringLiteral("<1> 数据表:[") + folder + "]b.dbf()"}));
  EXPECT_EQ(w.main.windowList()->currentIndex(), 1);
  // The window's grid shows every field; its status bar the position and the buffer state.
  EXPECT_EQ(w.slot(1).pagecaptions, QStringList{QStringLiteral("浏览编辑")});
  EXPECT_EQ(u.grid()->model()->rowCount(), 120);
  EXPECT_EQ(w.window(1).statusPanel(0)->text(), QStringLiteral("1/120"));
  EXPECT_EQ(w.window(1).statusPanel(1)->text(), QStringLiteral("未用缓冲"));
  u.clickCell(2, 3);
  EXPECT_EQ(w.window(1).statusPanel(0)->text(), QStringLiteral("3/120"));
  u.toolbar(QStringLiteral("尾记录"));
  EXPECT_EQ(w.window(1).statusPanel(0)->text(), QStringLiteral("120/120"));
  EXPECT_EQ(u.grid()->currentIndex().row(), 119);  // the grid follows the record

  u.chooseWindow(0);
  ASSERT_EQ(u.window(), &w.window(0));
  u.toolbar(QStringLiteral("关闭活动表"));
  EXPECT_EQ(w.listEntries(), QStringList{QStringLiteral("<1> 数据表:[") + folder + "]b.dbf()"});
  w.open("c.dbf");
  EXPECT_EQ(w.engine->registry().size(), 2);
  EXPECT_EQ(w.slot(0).kind, 'd');
  EXPECT_EQ(w.window(0).tableName(), QStringLiteral("c.dbf"));
  EXPECT_EQ(w.engine->registry().holding(folder, QStringLiteral("b.dbf")), 1);
  u.menu(QStringLiteral("关闭全部"));
  EXPECT_TRUE(w.listEntries().isEmpty());
  EXPECT_TRUE(w.main.mdiArea()->subWindowList().isEmpty());
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(WindowEngine, ATableThatWillNotOpenLeavesItsSlotFree) {
  Workbench w;
  w.open("missing.dbf");
  EXPECT_EQ(
      w.dialogs.messages,
      QStringList{QStringLiteral("[") + QString::fromStdString(w.data.path()) +
                  QStringLiteral("]missing.dbf不是有效数据表,不能打开!请检查数据表或索引文件.")});
  EXPECT_TRUE(w.engine->registry().inUse().empty());
  EXPECT_TRUE(w.main.mdiArea()->subWindowList().isEmpty());
  EXPECT_FALSE(static_cast<ChildWindows&>(*w.engine).activeWindow().has_value());
}

TEST(WindowEngine, AKeyedParadoxTableOpensInKeyOrderAndTheBufferIsRefusedWithoutAKey) {
  Workbench w;
  {
    tdb::Table t;
    tdb::test::point(t, w.data, "keyed.db");
    t.fieldDefs().add("ID", tdb::FieldType::ftInteger);
    t.indexDefs().add({"", "ID", "", tdb::ixPrimary});
    t.createTable();
  }
  {
    tdb::Table t;
    tdb::test::point(t, w.data, "plain.txt");
    t.fieldDefs().add("NAME", tdb::FieldType::ftString, 8);
    t.createTable();
  }
  w.user.menu(QStringLiteral("使用内存缓冲"));  // no window open: the setting alone
  ASSERT_TRUE(w.main.settings().useMemoryBuffer);
  w.open("keyed.db");
  EXPECT_TRUE(w.window(0).windowTitle().endsWith(QStringLiteral("keyed.db(ID)")));
  EXPECT_EQ(w.window(0).statusPanel(1)->text(), QStringLiteral("使用缓冲"));
  w.open("plain.txt");
  EXPECT_EQ(w.dialogs.messages,
            QStringList{QStringLiteral("[") + QString::fromStdString(w.data.path()) +
                        QStringLiteral("]plain.txt没有索引不能建立缓冲!")});
  EXPECT_EQ(w.window(1).statusPanel(1)->text(), QStringLiteral("未用缓冲"));
  EXPECT_TRUE(w.window(1).windowTitle().endsWith(QStringLiteral("plain.txt()")));
}

TEST(WindowEngine, ClosingAsksAboutBufferedChanges) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  User& u = w.user;
  u.menu(QStringLiteral("使用内存缓冲"));
  // The name typed into the first record, which is left (its change buffered) unless `inHand`.
  const auto change = [&](const QString& name, bool inHand = false) {
    const std::string before = w.stored("s.dbf");
    w.open("s.dbf");
    u.menu(QStringLiteral("进入编辑状态"));
    if (inHand) {
      u.clickCell(0, 0);
      u.type(name);
      u.press(Qt::Key_Return);
    } else {
      typeName(u, 0, name);
      EXPECT_TRUE(u.toolbarEnabled(QStringLiteral("保存活动表修改")));  // buffered, not saved
    }
    EXPECT_EQ(w.stored("s.dbf"), before);
  };
  change(QStringLiteral("X1"));
  w.dialogs.confirmAnswers = {Answer::Cancel};
  u.toolbar(QStringLiteral("关闭活动表"));
  EXPECT_EQ(w.engine->registry().inUse().size(), 1u);
  EXPECT_TRUE(u.toolbarEnabled(QStringLiteral("保存活动表修改")));  // the buffer stays
  w.dialogs.confirmAnswers = {Answer::No};
  u.toolbar(QStringLiteral("关闭活动表"));
  EXPECT_EQ(u.window(), nullptr);
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 ");  // dropped
  EXPECT_EQ(w.dialogs.shown.filter(QStringLiteral("修改数据存盘吗？")).size(), 2);

  change(QStringLiteral("X2"));
  w.dialogs.confirmAnswers = {Answer::Yes};
  u.menu(QStringLiteral("关闭全部"));
  EXPECT_EQ(w.stored("s.dbf"), "X2 R2 R3 ");

  // A record still in hand, with nothing else buffered, goes into the buffer first: the question
  // covers it, and closing never drops it unasked.
  const struct {
    const char* typed;
    bool all;
    Answer answer;
    const char* after;
  } inHand[] = {{"X4", false, Answer::Yes, "X4 R2 R3 "},
                {"X5", true, Answer::Yes, "X5 R2 R3 "},
                {"X6", true, Answer::No, "X5 R2 R3 "}};
  for (const auto& c : inHand) {
    SCOPED_TRACE(c.typed);
    change(QString::fromLatin1(c.typed), true);
    w.dialogs.shown.clear();
    w.dialogs.confirmAnswers = {c.answer};
    if (c.all)
      u.menu(QStringLiteral("关闭全部"));
    else
      u.toolbar(QStringLiteral("关闭活动表"));
    EXPECT_EQ(w.dialogs.shown, QStringList{QStringLiteral("confirm: 确认 | 修改数据存盘吗？")});
    EXPECT_EQ(u.window(), nullptr);
    EXPECT_EQ(w.stored("s.dbf"), c.after);
  }

  // With AutoSaveOnExit the changes are saved without a question.
  u.menu(QStringLiteral("退出时自动存盘"));
  change(QStringLiteral("X3"));
  const int asked = static_cast<int>(w.dialogs.shown.size());
  u.toolbar(QStringLiteral("关闭活动表"));
  EXPECT_EQ(static_cast<int>(w.dialogs.shown.size()), asked);
  EXPECT_EQ(w.stored("s.dbf"), "X3 R2 R3 ");
}

TEST(WindowEngine, TheCloseBoxMinimisesAndTheMenusFollowTheWindowsState) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  User& u = w.user;
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("关闭当前(表)项目")));
  w.open("s.dbf");
  EXPECT_TRUE(u.menuEnabled(QStringLiteral("关闭当前(表)项目")));
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("增加记录")));  // browse state
  QMdiSubWindow* frame = w.main.mdiArea()->subWindowList().front();
  frame->close();  // the close box
  EXPECT_EQ(w.main.mdiArea()->subWindowList().size(), 1);
  EXPECT_TRUE(frame->isMinimized());
  EXPECT_EQ(w.engine->registry().inUse().size(), 1u);

  u.menu(QStringLiteral("进入编辑状态"));
  EXPECT_TRUE(u.menuEnabled(QStringLiteral("增加记录")));
  EXPECT_TRUE(u.menuEnabled(QStringLiteral("删除记录")));
  u.menu(QStringLiteral("取消编辑状态"));
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("增加记录")));
  u.menu(QStringLiteral("关闭当前(表)项目"));
  EXPECT_TRUE(w.engine->registry().inUse().empty());
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("关闭当前(表)项目")));
}

TEST(WindowEngine, SwitchingTheBufferReopensEveryWindowAndQuittingAsksFirst) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  {
    tdb::Table t;
    tdb::test::point(t, w.data, "plain.txt");
    t.fieldDefs().add("NAME", tdb::FieldType::ftString, 8);
    t.createTable();
  }
  User& u = w.user;
  w.open("s.dbf");
  w.open("plain.txt");
  u.menu(QStringLiteral("使用内存缓冲"));
  // The text table refuses the buffer, named in the message; the other takes it.
  EXPECT_EQ(w.dialogs.messages,
            QStringList{QStringLiteral("[") + QString::fromStdString(w.data.path()) +
                        QStringLiteral("]plain.txt没有索引不能建立缓冲!")});
  EXPECT_EQ(w.window(0).statusPanel(1)->text(), QStringLiteral("使用缓冲"));
  EXPECT_EQ(w.window(1).statusPanel(1)->text(), QStringLiteral("未用缓冲"));

  // Quitting with buffered changes asks; cancelling keeps the program and the buffer.
  u.chooseWindow(0);
  u.menu(QStringLiteral("进入编辑状态"));
  typeName(u, 0, QStringLiteral("Q"));
  w.dialogs.confirmAnswers = {Answer::Cancel};
  u.menu(QStringLiteral("退出"));
  EXPECT_TRUE(w.main.isVisible());
  EXPECT_TRUE(u.toolbarEnabled(QStringLiteral("保存活动表修改")));
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 ");
  w.dialogs.confirmAnswers = {Answer::Yes};
  u.menu(QStringLiteral("退出"));
  EXPECT_FALSE(w.main.isVisible());
  EXPECT_EQ(w.stored("s.dbf"), "Q R2 R3 ");
}

TEST(WindowEngine, SavingPacksABufferedDbaseTableAndCancellingDropsTheBuffer) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 5);
  User& u = w.user;
  u.menu(QStringLiteral("使用内存缓冲"));
  w.open("s.dbf");
  u.menu(QStringLiteral("进入编辑状态"));
  u.clickCell(1, 0);
  u.toolbar(QStringLiteral("删除记录"));  // buffered
  u.clickCell(2, 0);                      // R4
  EXPECT_TRUE(u.menuEnabled(QStringLiteral("保存当前表改变")));
  u.toolbar(QStringLiteral("保存活动表修改"));
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("保存当前表改变")));
  // The same record number after the pack, and the grid on it.
  EXPECT_EQ(w.window(0).statusPanel(0)->text(), QStringLiteral("3/4"));
  EXPECT_EQ(u.grid()->currentIndex().data().toString(), QStringLiteral("R4"));
  EXPECT_EQ(w.stored("s.dbf"), "R1 R3 R4 R5 ");
  {
    tdb::Table file;
    tdb::test::point(file, w.data, "s.dbf");
    file.open();
    file.last();
    EXPECT_EQ(file.recNo(), 4);  // the deleted record left the file
  }
  typeName(u, 0, QStringLiteral("GONE"));
  u.toolbar(QStringLiteral("取消活动表修改"));
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("保存当前表改变")));
  EXPECT_EQ(u.grid()->model()->index(0, 0).data().toString(), QStringLiteral("R1"));
  EXPECT_EQ(w.stored("s.dbf"), "R1 R3 R4 R5 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

}  // namespace
}  // namespace torvanel
