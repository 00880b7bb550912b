// The index choice of a table window: the panel's entries and place, ordering by a field list or
// by an expression index's name or by none, the caption and window list following, and with the
// memory buffer the question about unsaved changes.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include "app/windows/index_choice_panel.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using test::Workbench;

// s.dbf with NAME R5 .. R1 in record order (QTY 1 .. 5) and the tags BYNAME (NAME), BYQTY (QTY)
// and UPNAME (UPPER(NAME)).
void makeIndexedTable(Workbench& w) {
  tdb::test::makeSample(w.data, "s.dbf", 5);
  tdb::Table t;
  tdb::test::point(t, w.data, "s.dbf");
  t.setExclusive(true);
  t.open();
  for (int i = 0; i < 5; ++i) {
    t.edit();
    t.fieldByName("NAME").setAsString("R" + std::to_string(5 - i));
    t.post();
    t.next();
  }
  t.addIndex({"BYNAME", "NAME", "", 0});
  t.addIndex({"BYQTY", "QTY", "", 0});
  t.addIndex({"UPNAME", "", "UPPER(NAME)", tdb::ixExpression});
}

QStringList entries(const QComboBox* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->itemText(i);
  return out;
}

// NAME of every row the active window's grid shows, in order.
std::string shownNames(Workbench& w) {
  const QAbstractItemModel* rows = w.user.grid()->model();
  std::string out;
  for (int r = 0; r < rows->rowCount(); ++r)
    out += rows->index(r, 0).data().toString().toStdString() + " ";
  return out;
}

struct IndexChoice : ::testing::Test {
  Workbench w;
  test::User& u = w.user;
  void SetUp() override { makeIndexedTable(w); }
  IndexChoicePanel* panel(int slot = 0) { return w.window(slot).indexChoice(); }
  void choose(const QString& entry) { w.chooseIndex(entry); }
  QString caption(int slot = 0) { return w.window(slot).windowTitle(); }
  // Offers an entry for an index the table does not have, as if another program dropped it
  // after the panel was filled, and confirms it.
  void chooseGoneIndex() {
    u.menu(QStringLiteral("选择索引文件"));
    panel()->list()->addItem("GONE[NOSUCH]");
    u.choose(panel()->list(), QStringLiteral("GONE[NOSUCH]"));
    u.click(panel()->confirmButton());
  }
};

TEST_F(IndexChoice, ThePanelListsEveryIndexThenNone) {
  w.open("s.dbf");
  EXPECT_FALSE(panel()->isVisible());
  u.menu(QStringLiteral("选择索引文件"));
  ASSERT_TRUE(panel()->isVisible());
  EXPECT_EQ(entries(panel()->list()),
            QStringList(
                {"BYNAME[NAME]", "BYQTY[QTY]", "UPNAME[UPPER(NAME)]", QStringLiteral("取消索引")}));
  EXPECT_EQ(panel()->list()->currentIndex(), 0);
  EXPECT_EQ(panel()->parentWidget(), &w.window(0));
  EXPECT_EQ(panel()->x(), indexPanelLeft(w.window(0).width(), panel()->width()));
  u.click(panel()->cancelButton());
  EXPECT_FALSE(panel()->isVisible());
  EXPECT_EQ(shownNames(w), "R1 R2 R3 R4 R5 ");

  // Centred while narrower than the window, rounded halves to even; else at the left edge.
  EXPECT_EQ(indexPanelLeft(501, 320), 90);
  EXPECT_EQ(indexPanelLeft(503, 320), 92);
  EXPECT_EQ(indexPanelLeft(320, 320), 0);
  EXPECT_EQ(indexPanelLeft(200, 320), 0);
}

TEST_F(IndexChoice, TheOrderInUseChangesNothingNotEvenTheCaption) {
  w.open("s.dbf");
  ASSERT_TRUE(caption().endsWith(QStringLiteral("s.dbf(NAME)")));
  w.window(0).setWindowTitle(QStringLiteral("unchanged"));
  choose("BYNAME[NAME]");
  EXPECT_FALSE(panel()->isVisible());
  EXPECT_EQ(caption(), QStringLiteral("unchanged"));
  EXPECT_EQ(shownNames(w), "R1 R2 R3 R4 R5 ");

  // The same for the natural order and "取消索引", and for an expression index by its name.
  choose(QStringLiteral("取消索引"));
  w.window(0).setWindowTitle(QStringLiteral("unchanged"));
  choose(QStringLiteral("取消索引"));
  EXPECT_EQ(caption(), QStringLiteral("unchanged"));
  choose("UPNAME[UPPER(NAME)]");
  w.window(0).setWindowTitle(QStringLiteral("unchanged"));
  choose("UPNAME[UPPER(NAME)]");
  EXPECT_EQ(caption(), QStringLiteral("unchanged"));
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST_F(IndexChoice, FieldsOrderByFieldNamesAnExpressionByNameNoneByRecord) {
  w.open("s.dbf");
  w.open("s.dbf");  // slot 1, the active one
  ASSERT_EQ(u.window(), &w.window(1));

  choose("BYQTY[QTY]");
  EXPECT_FALSE(panel(1)->isVisible());
  EXPECT_EQ(shownNames(w), "R5 R4 R3 R2 R1 ");
  EXPECT_TRUE(caption(1).endsWith(QStringLiteral("s.dbf(QTY)")));

  choose("UPNAME[UPPER(NAME)]");
  EXPECT_EQ(shownNames(w), "R1 R2 R3 R4 R5 ");
  EXPECT_EQ(caption(1), QStringLiteral("数据表:[") + w.window(1).databaseName() +
                            QStringLiteral("]s.dbf(UPNAME)"));

  choose(QStringLiteral("取消索引"));
  EXPECT_EQ(shownNames(w), "R5 R4 R3 R2 R1 ");
  EXPECT_TRUE(caption(1).endsWith(QStringLiteral("s.dbf()")));

  // The window's own list entry is replaced and selected; the other window's stays.
  const QStringList list = w.listEntries();
  ASSERT_EQ(list.size(), 2);
  EXPECT_TRUE(list[0].endsWith(QStringLiteral("s.dbf(NAME)")));
  EXPECT_EQ(list[1], QStringLiteral("<1> ") + caption(1));
  EXPECT_EQ(w.main.windowList()->currentIndex(), 1);
  u.chooseWindow(0);
  EXPECT_EQ(shownNames(w), "R1 R2 R3 R4 R5 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST_F(IndexChoice, AnIndexTheEngineCannotUseIsReportedAndThePanelStays) {
  w.open("s.dbf");
  const QString before = caption();
  chooseGoneIndex();
  EXPECT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(panel()->isVisible());
  EXPECT_EQ(shownNames(w), "R1 R2 R3 R4 R5 ");
  EXPECT_EQ(caption(), before);
  u.click(panel()->cancelButton());
}

TEST_F(IndexChoice, WithTheBufferChangesAreSavedOrDroppedFirstOrTheChoiceIsAbandoned) {
  u.menu(QStringLiteral("使用内存缓冲"));
  w.open("s.dbf");
  u.menu(QStringLiteral("进入编辑状态"));
  // R1, the first by name, typed over and left: into the buffer.
  u.clickCell(0, 0);
  u.type(QStringLiteral("X1"));
  u.press(Qt::Key_Return);
  u.clickCell(1, 0);
  ASSERT_TRUE(u.menuEnabled(QStringLiteral("保存当前表改变")));

  // Cancelling the question keeps the order and the change.
  w.dialogs.confirmAnswers.push_back(Answer::Cancel);
  choose("BYQTY[QTY]");
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("confirm: 确认 | 修改数据存盘吗？"));
  EXPECT_FALSE(panel()->isVisible());
  EXPECT_TRUE(u.menuEnabled(QStringLiteral("保存当前表改变")));
  EXPECT_TRUE(caption().endsWith(QStringLiteral("s.dbf(NAME)")));
  EXPECT_EQ(w.stored("s.dbf"), "R5 R4 R3 R2 R1 ");

  // "No" drops the buffered change and goes on.
  w.dialogs.confirmAnswers.push_back(Answer::No);
  choose("BYQTY[QTY]");
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("保存当前表改变")));
  EXPECT_EQ(shownNames(w), "R5 R4 R3 R2 R1 ");
  EXPECT_TRUE(caption().endsWith(QStringLiteral("s.dbf(QTY)")));
  EXPECT_EQ(w.window(0).statusPanel(1)->text(), QStringLiteral("使用缓冲"));

  // A record still in hand goes into the buffer before the question, and "yes" saves it.
  u.clickCell(0, 0);  // R5, the first by QTY
  u.type(QStringLiteral("X5"));
  u.press(Qt::Key_Return);
  w.dialogs.confirmAnswers.push_back(Answer::Yes);
  choose("UPNAME[UPPER(NAME)]");
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("confirm: 确认 | 修改数据存盘吗？"));
  EXPECT_EQ(w.stored("s.dbf"), "X5 R4 R3 R2 R1 ");
  EXPECT_EQ(shownNames(w), "R1 R2 R3 R4 X5 ");
  EXPECT_EQ(w.window(0).statusPanel(1)->text(), QStringLiteral("使用缓冲"));

  // Nothing pending: no question. An index the engine refuses on reopening is reported, and
  // the table comes back in the order it had.
  choose(QStringLiteral("取消索引"));
  EXPECT_EQ(shownNames(w), "X5 R4 R3 R2 R1 ");
  chooseGoneIndex();
  EXPECT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(panel()->isVisible());
  EXPECT_EQ(shownNames(w), "X5 R4 R3 R2 R1 ");
  EXPECT_EQ(w.window(0).statusPanel(1)->text(), QStringLiteral("使用缓冲"));
  EXPECT_TRUE(caption().endsWith(QStringLiteral("s.dbf()")));
}

}  // namespace
}  // namespace torvanel
