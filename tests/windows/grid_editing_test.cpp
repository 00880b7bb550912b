// Editing in a table window's grid as a user does it: typing into a cell of any row, Enter walking
// across the row, Escape dropping what was typed, new records appearing as rows where they go;
// what the window stored is read back from the file.

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QTableView>

#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using test::User;
using test::Workbench;

// Clicks the grid's row and inserts a record there from the toolbar: it is the current row, one
// more than there were.
void insertAt(User& u, int row) {
  u.clickCell(row, 0);
  const int rows = u.grid()->model()->rowCount();
  u.toolbar(QStringLiteral("插入记录"));
  EXPECT_EQ(u.grid()->model()->rowCount(), rows + 1);
  EXPECT_EQ(u.grid()->currentIndex().row(), row);
}

// Where the grid's current cell is, as "row,column".
std::string cell(const User& u) {
  const QModelIndex at = u.grid()->currentIndex();
  return std::to_string(at.row()) + "," + std::to_string(at.column());
}

TEST(GridEditing, TypingIntoAnyRowStoresThereAndEnterWalksOnFromTheCell) {
  Workbench w;
  User& u = w.editSample(5);
  u.clickCell(2, 0);
  u.type(QStringLiteral("X3"));
  ASSERT_TRUE(qobject_cast<QLineEdit*>(User::focus()));  // the keys went into a cell editor
  u.press(Qt::Key_Return);
  EXPECT_EQ(cell(u), "2,1");  // the value went in, and Enter went on to the next column
  EXPECT_EQ(User::focus(), u.grid());
  u.type(QStringLiteral("9.25"));
  u.press(Qt::Key_Return);
  EXPECT_EQ(cell(u), "2,2");
  // Leaving the edit state stores the record; the current cell stays where it was.
  u.toolbar(QStringLiteral("取消编辑"));
  EXPECT_EQ(cell(u), "2,2");
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 X3 R4 R5 ");
  EXPECT_EQ(w.stored("s.dbf", "PRICE"), "1.5 3 9.25 6 7.5 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(GridEditing, EnterInTheLastColumnStoresTheRecordAndGoesToTheNextOne) {
  Workbench w;
  User& u = w.editSample(4);
  const int last = u.grid()->model()->columnCount() - 1;
  u.doubleClickCell(1, last);  // a double-click opens the editor too
  ASSERT_TRUE(qobject_cast<QLineEdit*>(User::focus()));
  u.press(Qt::Key_A, Qt::ControlModifier);
  u.type(QStringLiteral("note two"));
  u.press(Qt::Key_Return);
  EXPECT_EQ(cell(u), "2,0");
  EXPECT_EQ(w.stored("s.dbf", "NOTE"), " note two memo 3  ");  // stored on leaving the record

  // Escape drops what the editor holds; nothing is stored.
  u.type(QStringLiteral("GONE"));
  u.press(Qt::Key_Escape);
  EXPECT_EQ(cell(u), "2,0");
  u.toolbar(QStringLiteral("取消编辑"));
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 R4 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(GridEditing, ARecordWhoseKeyChangesMovesToItsPlaceAndTheGridFollowsIt) {
  Workbench w;
  User& u = w.editSample(4, true);  // ordered by NAME
  u.clickCell(1, 0);                // R2
  u.type(QStringLiteral("Z2"));
  u.press(Qt::Key_Return);
  u.menu(QStringLiteral("取消编辑状态"));
  EXPECT_EQ(w.stored("s.dbf"), "R1 Z2 R3 R4 ");
  // The row went to the end of the order, with the current cell on it.
  EXPECT_EQ(cell(u), "3,1");
  EXPECT_EQ(u.grid()->model()->rowCount(), 4);
  EXPECT_EQ(u.grid()->model()->index(3, 0).data().toString(), QStringLiteral("Z2"));
  EXPECT_EQ(u.grid()->model()->index(1, 0).data().toString(), QStringLiteral("R3"));
}

TEST(GridEditing, AnAppendedRecordIsTheCurrentRowAtTheEndAndTakesWhatIsTyped) {
  Workbench w;
  User& u = w.editSample(3);
  u.clickCell(1, 0);
  u.menu(QStringLiteral("增加记录"));
  EXPECT_EQ(u.grid()->model()->rowCount(), 4);
  EXPECT_EQ(cell(u), "3,0");
  u.type(QStringLiteral("NEW"));
  u.press(Qt::Key_Return);
  u.menu(QStringLiteral("取消编辑状态"));
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 NEW ");
  EXPECT_EQ(u.grid()->model()->rowCount(), 4);
  EXPECT_EQ(cell(u), "3,1");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(GridEditing, AnInsertedRecordIsTheCurrentRowWhereItGoes) {
  // In an index order the engine inserts: the record in hand shows as a row before the current
  // one until it is stored, then takes its place in the order.
  Workbench w;
  User& u = w.editSample(3, true);
  insertAt(u, 1);
  EXPECT_EQ(u.grid()->model()->index(2, 0).data().toString(), QStringLiteral("R2"));
  u.typeCells({QStringLiteral("R15"), QStringLiteral("8")});
  u.menu(QStringLiteral("取消编辑状态"));
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 R15 ");  // the file holds it last
  EXPECT_EQ(w.stored("s.dbf", "PRICE"), "1.5 3 4.5 8 ");
  EXPECT_EQ(cell(u), "1,2");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(GridEditing, AnInsertedDbaseRecordIsAStoredBlankRowThatTypingFills) {
  // Without an index a dBASE table makes room in the file: the blank record is stored at once.
  Workbench w;
  User& u = w.editSample(3);
  insertAt(u, 1);
  EXPECT_EQ(w.stored("s.dbf"), "R1  R2 R3 ");
  u.type(QStringLiteral("NEW"));
  u.press(Qt::Key_Return);
  u.menu(QStringLiteral("取消编辑状态"));
  EXPECT_EQ(w.stored("s.dbf"), "R1 NEW R2 R3 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(GridEditing, CancellingANewRecordTakesItsRowAwayAgain) {
  Workbench w;
  User& u = w.editSample(3, true);
  insertAt(u, 2);
  u.type(QStringLiteral("NEW"));
  u.press(Qt::Key_Return);
  ASSERT_EQ(u.grid()->model()->rowCount(), 4);
  u.menu(QStringLiteral("恢复记录"));
  EXPECT_EQ(u.grid()->model()->rowCount(), 3);
  EXPECT_EQ(u.grid()->currentIndex().row(), 2);
  EXPECT_EQ(u.grid()->model()->index(2, 0).data().toString(), QStringLiteral("R3"));
  u.menu(QStringLiteral("取消编辑状态"));
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

}  // namespace
}  // namespace torvanel
