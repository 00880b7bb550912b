// Enter in a memo box of the single-record view walks on to the next memo box, then to
// "增加记录"; what was typed stays in its memo, without the Enter.

#include <gtest/gtest.h>
#include <QPushButton>

#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using test::Workbench;

TEST(MemoKeys, EnterWalksThroughTheMemosToAppend) {
  Workbench w;
  w.makeTable("m.dbf", {{"NAME", tdb::FieldType::ftString, 8},
                        {"FIRST", tdb::FieldType::ftMemo},
                        {"SECOND", tdb::FieldType::ftMemo}});
  w.open("m.dbf");
  test::User& u = w.user;
  u.menu(QStringLiteral("单记录模式显示"));
  const auto memo = [&u](const char* label) { return u.field(QString::fromUtf8(label)); };

  // In browse state "增加记录" cannot take the focus: the last memo keeps it.
  u.clickInto(memo("SECOND"));
  u.press(Qt::Key_Return);
  EXPECT_EQ(test::User::focus(), memo("SECOND"));

  u.menu(QStringLiteral("进入编辑状态"));
  u.windowButton(QStringLiteral("增加记录"));
  u.clickInto(memo("FIRST"));
  u.type(QStringLiteral("x"));
  u.press(Qt::Key_Return);
  EXPECT_EQ(test::User::focus(), memo("SECOND"));
  u.type(QStringLiteral("y"));
  u.press(Qt::Key_Return, Qt::ShiftModifier);  // a line break of the memo's own
  u.type(QStringLiteral("z"));
  u.press(Qt::Key_Return);
  EXPECT_EQ(test::User::focus(), u.window()->appendButton());

  u.menu(QStringLiteral("多记录模式显示"));
  EXPECT_EQ(w.stored("m.dbf", "FIRST"), "x ");
  EXPECT_EQ(w.stored("m.dbf", "SECOND"), "y\nz ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

}  // namespace
}  // namespace torvanel
