// A project window at work: the formulas run at every store and show at Enter, typing a lookup
// key moves the lookup table along, "按公式重新计算" stores every record again, and closing
// stores an auxiliary grid's edit first.

#include <gtest/gtest.h>
#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>

#include "app/ui/field_controls.h"
#include "app/windows/table_window.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/project_shop.h"

namespace torvanel {
namespace {

using test::Shop;
using test::Workbench;

// The shop's project on its own tables, and the user at the workbench.
struct ProjectFormulas : ::testing::Test {
  Workbench w;
  Shop shop{w};
  test::User& u = w.user;

  // kinds.db keyed by CODE, holding K1 and K2: a second K1 cannot be stored.
  void makeKinds() {
    tdb::Table kinds;
    tdb::test::point(kinds, w.data, "kinds.db");
    kinds.fieldDefs().add("CODE", tdb::FieldType::ftString, 6);
    kinds.indexDefs().add({"", "CODE", "", tdb::ixPrimary});
    kinds.createTable();
    for (const char* code : {"K1", "K2"})
      tdb::test::addRecord(w.data, "kinds.db", {{"CODE", tdb::Value::text(code)}});
  }
};

QString shown(QWidget* control) {
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
  return qobject_cast<QComboBox*>(control)->currentText();
}

TEST_F(ProjectFormulas, TypingIntoTheGridStoresTheLookedUpAndComputedValues) {
  shop.order("A1", 1);
  shop.open();
  u.menu(QStringLiteral("进入编辑状态"));
  u.clickCell(0, 0);
  u.typeCells({QStringLiteral("B3"), QStringLiteral("7")});
  u.toolbar(QStringLiteral("取消编辑"));  // stores the record in hand
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join(u'\n').toStdString();
  EXPECT_EQ(shop.stored("CODE"), "B3 ");
  EXPECT_EQ(shop.stored("PRICE"), "4 ");
  EXPECT_EQ(shop.stored("AMOUNT"), "28 ");
}

TEST_F(ProjectFormulas, EnterAndThePageKeysShowTheResultsAtOnceWithoutStoring) {
  shop.order("A1", 2);
  shop.open();
  u.menu(QStringLiteral("进入编辑状态"));
  u.menu(QStringLiteral("单记录模式显示"));
  u.clickInto(u.field(QStringLiteral("数量")));
  u.press(Qt::Key_A, Qt::ControlModifier);
  u.type(QStringLiteral("4"));
  u.press(Qt::Key_Return);
  // 2.5 × 4, stored in N(10,1) and shown in the control and the grid at once.
  EXPECT_EQ(shown(u.field(QStringLiteral("金额"))), QStringLiteral("10"));
  EXPECT_EQ(shown(u.field(QStringLiteral("单价"))), QStringLiteral("2.5"));
  const QTableView* grid = w.slot(0).pagegrids[0];
  EXPECT_EQ(grid->model()->index(0, 3).data().toString(), QStringLiteral("10"));
  EXPECT_EQ(shop.stored("AMOUNT"), " ");  // nothing stored yet

  // PageUp works them out again too, after the code changed.
  u.clickInto(u.field(QStringLiteral("编码")));
  u.press(Qt::Key_A, Qt::ControlModifier);
  u.type(QStringLiteral("C4"));
  u.press(Qt::Key_PageUp);
  // 1.99 × 4 = 7.96, which N(10,1) holds as 8.
  EXPECT_EQ(shown(u.field(QStringLiteral("金额"))), QStringLiteral("8"));
  EXPECT_EQ(shop.stored("AMOUNT"), " ");
  u.toolbar(QStringLiteral("取消编辑"));
  EXPECT_EQ(shop.stored("CODE"), "C4 ");
  EXPECT_EQ(shop.stored("AMOUNT"), "8 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join(u'\n').toStdString();
}

TEST_F(ProjectFormulas, TypingALookupKeyMovesTheLookupTableToTheFirstKeyBeginningSoInAnyCase) {
  shop.order("A1", 2);
  shop.project.pages[0].rows[0].promptSource.clear();  // a plain edit box this time
  shop.open();
  u.menu(QStringLiteral("进入编辑状态"));
  u.menu(QStringLiteral("单记录模式显示"));
  const WindowSlot& s = w.slot(0);
  tdb::Table& goods = *s.auxtables[0];
  u.clickInto(u.field(QStringLiteral("编码")));
  u.press(Qt::Key_A, Qt::ControlModifier);
  u.type(QStringLiteral("b"));
  // In the order by CODE, B3 comes before b2.
  EXPECT_EQ(goods.fieldByName("CODE").asString(), "B3");
  u.type(QStringLiteral("2"));
  EXPECT_EQ(goods.fieldByName("CODE").asString(), "b2");
  EXPECT_EQ(s.auxgrids[0]->currentIndex().row(), 3);
  u.type(QStringLiteral("x"));  // a miss leaves it where it was
  EXPECT_EQ(goods.fieldByName("CODE").asString(), "b2");
  EXPECT_EQ(s.window->lowerPages()->currentWidget(), s.auxsheets[0]);
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST_F(ProjectFormulas, RecalculationStoresEveryRecordAgainAndNeedsTheEditState) {
  shop.order("A1", 2);
  shop.order("B3", 3);
  shop.open();
  u.menu(QStringLiteral("按公式重新计算"));
  EXPECT_EQ(w.dialogs.messages, QStringList{QStringLiteral("在编辑状态下才能计算!")});
  EXPECT_EQ(shop.stored("AMOUNT"), "  ");
  w.dialogs.messages.clear();
  u.menu(QStringLiteral("进入编辑状态"));
  u.toolbar(QStringLiteral("尾记录"));
  u.menu(QStringLiteral("按公式重新计算"));
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join(u'\n').toStdString();
  EXPECT_EQ(shop.stored("PRICE"), "2.5 4 ");
  EXPECT_EQ(shop.stored("AMOUNT"), "5 12 ");
  EXPECT_FALSE(w.window(0).progressPanel()->isVisible());
  EXPECT_EQ(w.table().position(), 1);
}

TEST_F(ProjectFormulas, ANoToTheLookupQuestionEndsTheRecalculation) {
  shop.order("A1", 2);
  shop.order("B3", 3);
  // The goods have no field WHAT: positioning them fails and the user is asked.
  shop.project.auxiliaries[0].relationText = QStringLiteral("WHAT->CODE");
  shop.open();
  u.menu(QStringLiteral("进入编辑状态"));
  w.dialogs.confirmAnswers = {Answer::No};
  u.menu(QStringLiteral("按公式重新计算"));
  ASSERT_EQ(w.dialogs.shown.size(), 1);
  EXPECT_TRUE(w.dialogs.shown[0].startsWith(QStringLiteral("confirm: 确认 | ")))
      << w.dialogs.shown[0].toStdString();
  EXPECT_FALSE(w.window(0).progressPanel()->isVisible());
}

TEST_F(ProjectFormulas, ClosingStoresAnAuxiliaryGridsEditFirst) {
  shop.open();
  QTableView* goods = w.slot(0).auxgrids[0];
  u.clickCell(goods, 0, 1);
  u.type(QStringLiteral("青苹果"));
  u.press(Qt::Key_Return);
  u.menu(QStringLiteral("关闭当前(表)项目"));
  EXPECT_TRUE(w.engine->registry().inUse().empty());
  EXPECT_EQ(w.stored("goods.dbf", "NAME"), tdb::test::gbk("青苹果 面包 香蕉 牛奶 "));
}

TEST_F(ProjectFormulas, AnAuxiliaryEditThatCannotBeStoredKeepsTheWindowOpen) {
  makeKinds();
  shop.project.auxiliaries = {{shop.db(), "kinds.db", kLookupRelation, {}, kShown, {}}};
  shop.open();
  u.clickCell(w.slot(0).auxgrids[0], 1, 0);
  u.type(QStringLiteral("K1"));
  u.press(Qt::Key_Return);
  w.dialogs.messages.clear();
  u.menu(QStringLiteral("关闭当前(表)项目"));
  EXPECT_EQ(w.engine->registry().inUse().size(), 1u);
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(w.dialogs.messages[0].startsWith(QStringLiteral("键值重复")))
      << w.dialogs.messages[0].toStdString();
  EXPECT_EQ(w.stored("kinds.db", "CODE"), "K1 K2 ");
}

TEST_F(ProjectFormulas, QuittingKeepsTheRecordInHandWhenAnAuxiliaryEditCannotBeStored) {
  // Buffered, with a master record in hand and a kinds edit that repeats a key: quitting goes on
  // past the refused edit, and the record in hand still reaches the buffer the question covers.
  u.menu(QStringLiteral("使用内存缓冲"));
  makeKinds();
  shop.order("A1", 1);
  shop.project.auxiliaries.append({shop.db(), "kinds.db", kLookupRelation, {}, kShown, {}});
  shop.open();
  u.menu(QStringLiteral("进入编辑状态"));
  u.clickCell(0, 0);
  u.typeCells({QStringLiteral("B3"), QStringLiteral("7")});
  u.clickCell(w.slot(0).auxgrids[1], 1, 0);
  u.type(QStringLiteral("K1"));
  u.press(Qt::Key_Return);
  w.dialogs.confirmAnswers = {Answer::Yes};
  u.menu(QStringLiteral("退出"));
  EXPECT_FALSE(w.main.isVisible());
  EXPECT_EQ(w.stored("kinds.db", "CODE"), "K1 K2 ");
  EXPECT_EQ(shop.stored("CODE"), "B3 ");
  EXPECT_EQ(shop.stored("AMOUNT"), "28 ");  // 7 × 4
}

TEST(ProjectNames, AChineseNamedMasterOpensAndComputes) {
  Workbench w;
  Shop shop(w, "进货单.dbf");
  shop.order("b2", 2);
  shop.open();
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join(u'\n').toStdString();
  EXPECT_TRUE(w.window(0).windowTitle().endsWith(QStringLiteral("]进货单.dbf()")));
  test::User& u = w.user;
  u.menu(QStringLiteral("进入编辑状态"));
  u.menu(QStringLiteral("按公式重新计算"));
  EXPECT_EQ(shop.stored("AMOUNT"), "6.3 ");  // 3.15 × 2
}

}  // namespace
}  // namespace torvanel

namespace torvanel {
namespace {

TEST(ProjectRecalculation, AStoreThatFailsIsToldAndEndsTheWalkWithThePanelHidden) {
  struct Case {
    const char* formula;
    const char* after;
  };
  // (#sB3): the first record already cannot be stored. (#sZZ): A1 becomes ZZ and moves behind
  // B3, which must still be visited, and cannot take ZZ too.
  for (const Case& c : {Case{"(#sB3)", "A1 B3 "}, Case{"(#sZZ)", "B3 ZZ "}}) {
    SCOPED_TRACE(c.formula);
    test::Workbench w;
    test::Shop shop(w, "orders.db");
    shop.order("A1", 2);
    shop.order("B3", 3);
    shop.project.formulas[0].formula = QString::fromLatin1(c.formula);
    shop.open();
    w.user.menu(QStringLiteral("进入编辑状态"));
    w.user.menu(QStringLiteral("按公式重新计算"));
    ASSERT_EQ(w.dialogs.messages.size(), 1);
    EXPECT_TRUE(w.dialogs.messages[0].startsWith(QStringLiteral("键值重复")))
        << w.dialogs.messages[0].toStdString();
    EXPECT_FALSE(w.window(0).progressPanel()->isVisible());
    EXPECT_EQ(shop.stored("CODE"), c.after);
  }
}

}  // namespace
}  // namespace torvanel
