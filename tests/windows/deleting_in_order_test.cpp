// Deleting a record of a dBASE table shown in an index order: the pack renumbers the records, and
// the window still lands on the record that followed the deleted one in that order.

#include <gtest/gtest.h>
#include <QTableView>

#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using test::Workbench;

// The grid's current row and the NAME it shows.
std::pair<int, QString> current(test::User& u) {
  const QModelIndex at = u.grid()->currentIndex();
  return {at.row(), at.sibling(at.row(), 0).data().toString()};
}

TEST(DeletingInAnOrder, TheRecordThatFollowedBecomesCurrent) {
  Workbench w;
  // Records 1 to 4 in the file; a b c d in the window.
  w.makePeople("o.dbf", {"d/1", "b/2", "a/3", "c/4"}, "BYNAME");
  w.open("o.dbf");
  test::User& u = w.user;
  u.menu(QStringLiteral("进入编辑状态"));

  u.clickCell(2, 0);  // c, whose follower d lies before it in the file
  u.menu(QStringLiteral("删除记录"));
  EXPECT_EQ(w.stored("o.dbf"), "d b a ");
  EXPECT_EQ(current(u), std::make_pair(2, QStringLiteral("d")));

  u.clickCell(0, 0);  // a, whose follower b lies before it in the file
  u.menu(QStringLiteral("删除记录"));
  EXPECT_EQ(w.stored("o.dbf"), "d b ");
  EXPECT_EQ(current(u), std::make_pair(0, QStringLiteral("b")));

  u.clickCell(1, 0);  // the last: the one before it is left
  u.menu(QStringLiteral("删除记录"));
  EXPECT_EQ(w.stored("o.dbf"), "b ");
  EXPECT_EQ(current(u), std::make_pair(0, QStringLiteral("b")));
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

}  // namespace
}  // namespace torvanel
