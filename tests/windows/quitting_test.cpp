// Quitting with a control that still holds typed text: the text is stored before the windows go,
// and a main window destroyed with its windows open takes them down without a call back into it.

#include <gtest/gtest.h>

#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using test::Workbench;

// Opens s.dbf in the single-record view, in edit state, and types `text` into the memo box of
// its first record without leaving the box.
void typeIntoMemo(Workbench& w, const QString& text) {
  w.open("s.dbf");
  w.user.menu(QStringLiteral("单记录模式显示"));
  w.user.menu(QStringLiteral("进入编辑状态"));
  QWidget* memo = w.user.field(QStringLiteral("NOTE"));
  w.user.clickInto(memo);
  ASSERT_EQ(test::User::focus(), memo);
  w.user.type(text);
}

TEST(Quitting, TextTypedIntoAMemoIsStoredBeforeTheWindowsClose) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 2);
  typeIntoMemo(w, QStringLiteral("kept"));
  w.user.menu(QStringLiteral("退出"));
  EXPECT_FALSE(w.main.isVisible());
  EXPECT_EQ(w.stored("s.dbf", "NOTE"), "kept  ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(Quitting, AMainWindowDestroyedWithItsWindowsOpenIsNotCalledBack) {
  {
    Workbench w;
    tdb::test::makeSample(w.data, "s.dbf", 2);
    typeIntoMemo(w, QStringLiteral("late"));
    // The workbench goes with the window open and the memo focused: the memo loses the focus
    // while the main window is being taken apart.
  }
  SUCCEED();
}

}  // namespace
}  // namespace torvanel
