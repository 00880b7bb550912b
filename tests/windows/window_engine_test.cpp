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

using test::Workbench;

TEST(WindowEngine, SlotsAreReusedLowestFirstAndListedWithTheirNumbers) {
  Workbench w;
  tdb::test::makeSample(w.data, "a.dbf", 3);
  tdb::test::makeSample(w.data, "b.dbf", 120);
  tdb::test::makeSample(w.data, "c.dbf", 2);
  const QString folder = QString::fromStdString(w.data.path());
  w.engine->viewtable(w.ref("a.dbf"));
  w.engine->viewtable(w.ref("b.dbf"));
  EXPECT_EQ(w.engine->registry().size(), 2);
  EXPECT_EQ(w.listEntries(), (QStringList{QStringLiteral("<0> 数据表:[") + folder + "]a.dbf()",
                                          QStringLiteral("<1> 数据表:[") + folder + "]b.dbf()"}));
  EXPECT_EQ(w.main.windowList()->currentIndex(), 1);
  // The window's grid shows every field; its status bar the position and the buffer state.
  EXPECT_EQ(w.engine->registry()[1].pagecaptions, QStringList{QStringLiteral("浏览编辑")});
  EXPECT_EQ(w.engine->registry()[1].pagegrids[0]->model()->rowCount(), 120);
  EXPECT_EQ(w.window(1).statusPanel(0)->text(), QStringLiteral("1/120"));
  EXPECT_EQ(w.window(1).statusPanel(1)->text(), QStringLiteral("未用缓冲"));
  w.window(1).table().moveTo(3);
  EXPECT_EQ(w.window(1).statusPanel(0)->text(), QStringLiteral("3/120"));
  EXPECT_EQ(w.engine->registry()[1].pagegrids[0]->currentIndex().row(), 2);

  w.engine->bringToFront(0);
  ASSERT_EQ(w.engine->activeSlot(), 0);
  EXPECT_TRUE(w.engine->closetable(CloseMode::Close));
  EXPECT_EQ(w.listEntries(), QStringList{QStringLiteral("<1> 数据表:[") + folder + "]b.dbf()"});
  w.engine->viewtable(w.ref("c.dbf"));
  EXPECT_EQ(w.engine->registry().size(), 2);
  EXPECT_EQ(w.engine->registry()[0].kind, 'd');
  EXPECT_EQ(w.window(0).tableName(), QStringLiteral("c.dbf"));
  EXPECT_EQ(w.engine->registry().holding(folder, QStringLiteral("b.dbf")), 1);
  EXPECT_TRUE(w.engine->closeeverytable(CloseMode::Close));
  EXPECT_TRUE(w.listEntries().isEmpty());
  EXPECT_TRUE(w.main.mdiArea()->subWindowList().isEmpty());
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(WindowEngine, ATableThatWillNotOpenLeavesItsSlotFree) {
  Workbench w;
  w.engine->viewtable(w.ref("missing.dbf"));
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
  w.main.action(Command::UseBuffer)->trigger();  // no window open: the setting alone
  ASSERT_TRUE(w.main.settings().useMemoryBuffer);
  w.engine->viewtable(w.ref("keyed.db"));
  EXPECT_TRUE(w.window(0).windowTitle().endsWith(QStringLiteral("keyed.db(ID)")));
  EXPECT_EQ(w.window(0).statusPanel(1)->text(), QStringLiteral("使用缓冲"));
  w.engine->viewtable(w.ref("plain.txt"));
  EXPECT_EQ(w.dialogs.messages,
            QStringList{QStringLiteral("[") + QString::fromStdString(w.data.path()) +
                        QStringLiteral("]plain.txt没有索引不能建立缓冲!")});
  EXPECT_EQ(w.window(1).statusPanel(1)->text(), QStringLiteral("未用缓冲"));
  EXPECT_TRUE(w.window(1).windowTitle().endsWith(QStringLiteral("plain.txt()")));
}

TEST(WindowEngine, ClosingAsksAboutBufferedChanges) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  w.main.action(Command::UseBuffer)->trigger();
  w.engine->viewtable(w.ref("s.dbf"));
  auto change = [&](const char* name) {
    tdb::Table& t = w.window(0).table();
    t.first();
    t.edit();
    t.fieldByName("NAME").setAsString(name);
    t.post();
    ASSERT_TRUE(static_cast<ChildWindows&>(*w.engine).activeWindow()->updatesPending);
  };
  auto stored = [&] {
    tdb::Table t;
    tdb::test::point(t, w.data, "s.dbf");
    t.open();
    return t.fieldByName("NAME").asString();
  };
  change("X1");
  w.dialogs.confirmAnswers = {Answer::Cancel};
  EXPECT_FALSE(w.engine->closetable(CloseMode::Close));
  EXPECT_EQ(w.engine->registry().inUse().size(), 1u);
  EXPECT_TRUE(w.window(0).table().updatesPending());  // the buffer stays
  w.dialogs.confirmAnswers = {Answer::No};
  EXPECT_TRUE(w.engine->closetable(CloseMode::Close));
  EXPECT_EQ(stored(), "R1");  // dropped
  EXPECT_EQ(w.dialogs.shown.filter(QStringLiteral("修改数据存盘吗？")).size(), 2);

  w.engine->viewtable(w.ref("s.dbf"));
  change("X2");
  w.dialogs.confirmAnswers = {Answer::Yes};
  EXPECT_TRUE(w.engine->closeeverytable(CloseMode::Close));
  EXPECT_EQ(stored(), "X2");

  // With AutoSaveOnExit the changes are saved without a question.
  w.main.action(Command::AutoSave)->trigger();
  w.engine->viewtable(w.ref("s.dbf"));
  change("X3");
  const int asked = static_cast<int>(w.dialogs.shown.size());
  EXPECT_TRUE(w.engine->closetable(CloseMode::Close));
  EXPECT_EQ(static_cast<int>(w.dialogs.shown.size()), asked);
  EXPECT_EQ(stored(), "X3");
}

TEST(WindowEngine, TheCloseBoxMinimisesAndTheMenusFollowTheWindowsState) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  EXPECT_FALSE(w.main.action(Command::CloseTable)->isEnabled());
  w.engine->viewtable(w.ref("s.dbf"));
  EXPECT_TRUE(w.main.action(Command::CloseTable)->isEnabled());
  EXPECT_FALSE(w.main.action(Command::AppendRecord)->isEnabled());  // browse state
  QMdiSubWindow* frame = w.main.mdiArea()->subWindowList().front();
  frame->close();  // the close box
  EXPECT_EQ(w.main.mdiArea()->subWindowList().size(), 1);
  EXPECT_TRUE(frame->isMinimized());
  EXPECT_EQ(w.engine->registry().inUse().size(), 1u);

  w.main.action(Command::EnterEdit)->trigger();
  EXPECT_TRUE(w.main.action(Command::AppendRecord)->isEnabled());
  EXPECT_TRUE(w.main.action(Command::DeleteRecord)->isEnabled());
  w.main.action(Command::LeaveEdit)->trigger();
  EXPECT_FALSE(w.main.action(Command::AppendRecord)->isEnabled());
  w.main.action(Command::CloseTable)->trigger();
  EXPECT_TRUE(w.engine->registry().inUse().empty());
  EXPECT_FALSE(w.main.action(Command::CloseTable)->isEnabled());
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
  w.engine->viewtable(w.ref("s.dbf"));
  w.engine->viewtable(w.ref("plain.txt"));
  w.main.action(Command::UseBuffer)->trigger();
  // The text table refuses the buffer, named in the message; the other takes it.
  EXPECT_EQ(w.dialogs.messages,
            QStringList{QStringLiteral("[") + QString::fromStdString(w.data.path()) +
                        QStringLiteral("]plain.txt没有索引不能建立缓冲!")});
  EXPECT_EQ(w.window(0).statusPanel(1)->text(), QStringLiteral("使用缓冲"));
  EXPECT_EQ(w.window(1).statusPanel(1)->text(), QStringLiteral("未用缓冲"));
  EXPECT_TRUE(w.window(0).table().cachedUpdates());

  // Quitting with buffered changes asks; cancelling keeps the program and the buffer.
  tdb::Table& t = w.window(0).table();
  t.edit();
  t.fieldByName("NAME").setAsString("Q");
  t.post();
  w.dialogs.confirmAnswers = {Answer::Cancel};
  EXPECT_FALSE(w.main.close());
  EXPECT_TRUE(t.updatesPending());
  w.dialogs.confirmAnswers = {Answer::Yes};
  EXPECT_TRUE(w.main.close());
  tdb::Table check;
  tdb::test::point(check, w.data, "s.dbf");
  check.open();
  EXPECT_EQ(check.fieldByName("NAME").asString(), "Q");
}

TEST(WindowEngine, SavingPacksABufferedDbaseTableAndCancellingDropsTheBuffer) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 5);
  w.main.action(Command::UseBuffer)->trigger();
  w.engine->viewtable(w.ref("s.dbf"));
  tdb::Table& t = w.window(0).table();
  t.moveTo(2);
  t.deleteRecord();  // buffered
  t.moveTo(3);       // R4
  ASSERT_EQ(t.fieldByName("NAME").asString(), "R4");
  EXPECT_TRUE(w.main.action(Command::SaveTable)->isEnabled());
  w.main.action(Command::SaveTable)->trigger();
  EXPECT_FALSE(t.updatesPending());
  EXPECT_FALSE(w.main.action(Command::SaveTable)->isEnabled());
  EXPECT_EQ(t.position(), 3);  // the same record number after the pack
  EXPECT_EQ(t.fieldByName("NAME").asString(), "R4");
  {
    tdb::Table file;
    tdb::test::point(file, w.data, "s.dbf");
    file.open();
    file.last();
    EXPECT_EQ(file.recNo(), 4);  // the deleted record left the file
  }
  t.first();
  t.edit();
  t.fieldByName("NAME").setAsString("GONE");
  t.post();
  w.main.action(Command::CancelTable)->trigger();
  EXPECT_FALSE(t.updatesPending());
  EXPECT_EQ(t.fieldByName("NAME").asString(), "R1");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

}  // namespace
}  // namespace torvanel
