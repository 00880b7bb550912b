// The index choice of a table window: the panel's entries and place, ordering by a field list or
// by an expression index's name or by none, the caption and window list following, and with the
// memory buffer the question about unsaved changes.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/shell/commands.h"
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

std::string visibleNames(tdb::Table& t) {
  std::string out;
  for (t.first(); !t.eof(); t.next()) out += t.fieldByName("NAME").asString() + " ";
  t.first();
  return out;
}

struct IndexChoice : ::testing::Test {
  Workbench w;
  void SetUp() override { makeIndexedTable(w); }
  IndexChoicePanel* panel(int slot = 0) { return w.window(slot).indexChoice(); }
  // Shows the panel of the active window and confirms the entry `text`.
  void choose(const QString& text) {
    w.engine->selectindex();
    IndexChoicePanel* p = w.window(w.engine->activeSlot()).indexChoice();
    const int at = p->list()->findText(text);
    ASSERT_GE(at, 0) << text.toStdString();
    p->list()->setCurrentIndex(at);
    p->confirmButton()->click();
  }
  QString caption(int slot = 0) { return w.window(slot).windowTitle(); }
};

TEST_F(IndexChoice, ThePanelListsEveryIndexThenNone) {
  w.open("s.dbf");
  EXPECT_FALSE(panel()->isVisible());
  w.main.action(Command::SelectIndex)->trigger();
  ASSERT_TRUE(panel()->isVisible());
  EXPECT_EQ(entries(panel()->list()),
            QStringList(
                {"BYNAME[NAME]", "BYQTY[QTY]", "UPNAME[UPPER(NAME)]", QStringLiteral("取消索引")}));
  EXPECT_EQ(panel()->list()->currentIndex(), 0);
  EXPECT_EQ(panel()->parentWidget(), &w.window(0));
  EXPECT_EQ(panel()->x(), indexPanelLeft(w.window(0).width(), panel()->width()));
  panel()->cancelButton()->click();
  EXPECT_FALSE(panel()->isVisible());
  EXPECT_EQ(w.table().indexFieldNames(), "NAME");

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
  EXPECT_EQ(w.table().indexFieldNames(), "NAME");

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
  ASSERT_EQ(w.engine->activeSlot(), 1);
  tdb::Table& t = w.window(1).table();

  choose("BYQTY[QTY]");
  EXPECT_FALSE(panel(1)->isVisible());
  EXPECT_EQ(t.indexFieldNames(), "QTY");
  EXPECT_EQ(t.indexName(), "");
  EXPECT_EQ(visibleNames(t), "R5 R4 R3 R2 R1 ");
  EXPECT_TRUE(caption(1).endsWith(QStringLiteral("s.dbf(QTY)")));

  choose("UPNAME[UPPER(NAME)]");
  EXPECT_EQ(t.indexName(), "UPNAME");
  EXPECT_EQ(t.indexFieldNames(), "");
  EXPECT_EQ(visibleNames(t), "R1 R2 R3 R4 R5 ");
  EXPECT_EQ(caption(1), QStringLiteral("数据表:[") + w.window(1).databaseName() +
                            QStringLiteral("]s.dbf(UPNAME)"));

  choose(QStringLiteral("取消索引"));
  EXPECT_EQ(t.indexName(), "");
  EXPECT_EQ(t.indexFieldNames(), "");
  EXPECT_EQ(visibleNames(t), "R5 R4 R3 R2 R1 ");
  EXPECT_TRUE(caption(1).endsWith(QStringLiteral("s.dbf()")));

  // The window's own list entry is replaced and selected; the other window's stays.
  const QStringList list = w.listEntries();
  ASSERT_EQ(list.size(), 2);
  EXPECT_TRUE(list[0].endsWith(QStringLiteral("s.dbf(NAME)")));
  EXPECT_EQ(list[1], QStringLiteral("<1> ") + caption(1));
  EXPECT_EQ(w.main.windowList()->currentIndex(), 1);
  EXPECT_EQ(w.window(0).table().indexFieldNames(), "NAME");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST_F(IndexChoice, AnIndexTheEngineCannotUseIsReportedAndThePanelStays) {
  w.open("s.dbf");
  w.engine->selectindex();
  // An entry for an index the table no longer has.
  panel()->list()->addItem("GONE[NOSUCH]");
  panel()->list()->setCurrentIndex(panel()->list()->count() - 1);
  const QString before = caption();
  panel()->confirmButton()->click();
  EXPECT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(panel()->isVisible());
  EXPECT_EQ(w.table().indexFieldNames(), "NAME");
  EXPECT_EQ(caption(), before);
  panel()->cancelButton()->click();
}

TEST_F(IndexChoice, WithTheBufferChangesAreSavedOrDroppedFirstOrTheChoiceIsAbandoned) {
  w.main.action(Command::UseBuffer)->trigger();
  w.open("s.dbf");
  tdb::Table& t = w.table();
  ASSERT_TRUE(t.cachedUpdates());
  w.engine->enteredit();
  t.edit();
  t.fieldByName("NAME").setAsString("X1");  // R1, the first by name
  t.post();
  ASSERT_TRUE(t.updatesPending());

  // Cancelling the question keeps the order and the change.
  w.dialogs.confirmAnswers.push_back(Answer::Cancel);
  choose("BYQTY[QTY]");
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("confirm: 确认 | 修改数据存盘吗？"));
  EXPECT_FALSE(panel()->isVisible());
  EXPECT_EQ(t.indexFieldNames(), "NAME");
  EXPECT_TRUE(t.updatesPending());
  EXPECT_TRUE(caption().endsWith(QStringLiteral("s.dbf(NAME)")));
  EXPECT_EQ(w.stored("s.dbf"), "R5 R4 R3 R2 R1 ");

  // "No" drops the buffered change and goes on.
  w.dialogs.confirmAnswers.push_back(Answer::No);
  choose("BYQTY[QTY]");
  EXPECT_EQ(t.indexFieldNames(), "QTY");
  EXPECT_TRUE(t.active());
  EXPECT_TRUE(t.cachedUpdates());
  EXPECT_FALSE(t.updatesPending());
  EXPECT_EQ(visibleNames(t), "R5 R4 R3 R2 R1 ");
  EXPECT_TRUE(caption().endsWith(QStringLiteral("s.dbf(QTY)")));

  // A record still in hand goes into the buffer before the question, and "yes" saves it.
  t.edit();
  t.fieldByName("NAME").setAsString("X5");  // R5, the first by QTY
  w.dialogs.confirmAnswers.push_back(Answer::Yes);
  choose("UPNAME[UPPER(NAME)]");
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("confirm: 确认 | 修改数据存盘吗？"));
  EXPECT_EQ(w.stored("s.dbf"), "X5 R4 R3 R2 R1 ");
  EXPECT_EQ(t.indexName(), "UPNAME");
  EXPECT_EQ(visibleNames(t), "R1 R2 R3 R4 X5 ");
  EXPECT_EQ(w.window(0).statusPanel(1)->text(), QStringLiteral("使用缓冲"));

  // Nothing pending: no question. An index the engine refuses on reopening is reported, and
  // the table comes back in the order it had.
  choose(QStringLiteral("取消索引"));
  EXPECT_EQ(t.indexFieldNames(), "");
  w.engine->selectindex();
  panel()->list()->addItem("GONE[NOSUCH]");
  panel()->list()->setCurrentIndex(panel()->list()->count() - 1);
  panel()->confirmButton()->click();
  EXPECT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(panel()->isVisible());
  EXPECT_TRUE(t.active());
  EXPECT_EQ(t.indexFieldNames(), "");
  EXPECT_EQ(t.indexName(), "");
  EXPECT_TRUE(t.cachedUpdates());
  EXPECT_TRUE(caption().endsWith(QStringLiteral("s.dbf()")));
}

}  // namespace
}  // namespace torvanel
