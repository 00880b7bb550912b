// Two windows on one table: looking at a window writes nothing, and a record whose edit began
// before the other window stored its change is refused rather than written over that change.

#include <gtest/gtest.h>

#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using test::Workbench;

TEST(SharedTable, AStaleRecordIsNeitherStoredOnActivationNorOverAnotherChange) {
  Workbench w;
  w.makePeople("t.dbf", {"ann/rome", "bob/oslo"});
  w.open("t.dbf");
  w.open("t.dbf");
  test::User& u = w.user;
  u.chooseWindow(0);
  w.typeInto("CITY", QStringLiteral("pisa"));
  u.chooseWindow(1);
  u.chooseWindow(0);
  EXPECT_EQ(w.stored("t.dbf", "CITY"), "rome oslo ");  // looking wrote nothing

  u.chooseWindow(1);
  w.typeInto("NAME", QStringLiteral("anna"));
  u.menu(QStringLiteral("多记录模式显示"));  // stores window 1's record
  ASSERT_EQ(w.stored("t.dbf"), "anna bob ");

  u.chooseWindow(0);
  EXPECT_EQ(w.stored("t.dbf"), "anna bob ");
  EXPECT_EQ(w.stored("t.dbf", "CITY"), "rome oslo ");

  u.menu(QStringLiteral("多记录模式显示"));  // window 0 stores its record: refused
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(w.dialogs.messages[0].contains(QStringLiteral("其他窗口")))
      << w.dialogs.messages[0].toStdString();
  EXPECT_EQ(w.stored("t.dbf"), "anna bob ");
  EXPECT_EQ(w.stored("t.dbf", "CITY"), "rome oslo ");

  // Begun again from the record as it is now, the edit keeps both changes.
  u.menu(QStringLiteral("恢复记录"));
  w.typeInto("CITY", QStringLiteral("pisa"));
  u.menu(QStringLiteral("多记录模式显示"));
  EXPECT_EQ(w.stored("t.dbf"), "anna bob ");
  EXPECT_EQ(w.stored("t.dbf", "CITY"), "pisa oslo ");
  EXPECT_EQ(w.dialogs.messages.size(), 1);
}

}  // namespace
}  // namespace torvanel
