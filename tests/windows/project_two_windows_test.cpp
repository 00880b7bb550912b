// Two project windows side by side: each works out its own project's formulas with its own
// lookup table, whichever window is active when its record is stored, and the recalculation
// touches only the active window's project.

#include <gtest/gtest.h>

#include "tests/engine/table_fixture.h"
#include "tests/windows/project_shop.h"

namespace torvanel {
namespace {

TEST(TwoProjectWindows, EachStoresItsOwnProjectsResultsWhicheverWindowIsActive) {
  test::Workbench w;
  test::User& u = w.user;
  // Buffered, so that closing asks, and a record in hand goes into its buffer without its
  // window coming to the front.
  u.menu(QStringLiteral("使用内存缓冲"));
  // The shop's purchases (orders.dbf: PRICE from the goods, AMOUNT = QTY×PRICE) and its sales on
  // a master of their own, priced from a list of their own, with AMOUNT = QTY＋PRICE.
  test::Shop shop(w);
  shop.order("A1", 1);
  shop.makeMaster("sales.dbf");
  shop.order("A1", 1, "sales.dbf");
  w.makeTable("list.dbf",
              {{"CODE", tdb::FieldType::ftString, 6}, {"PRICE", tdb::FieldType::ftFloat, 8, 2}});
  for (auto [code, price] : {std::pair{"B3", 40}, std::pair{"C4", 10}})
    tdb::test::addRecord(w.data, "list.dbf",
                         {{"CODE", tdb::Value::text(code)}, {"PRICE", tdb::Value::number(price)}});
  ProjectDefinition sales = shop.project;
  sales.name = QStringLiteral("销售");
  sales.master = QStringLiteral("[") + shop.db() + QStringLiteral("]sales.dbf");
  sales.auxiliaries[0].table = QStringLiteral("list.dbf");
  sales.formulas[2].formula = shop.ref("list.dbf", "PRICE");
  sales.formulas[3].formula = QStringLiteral("QTY＋PRICE");
  sales.pages[0].rows[0].promptSource = shop.ref("list.dbf", "CODE");
  shop.open({&sales});
  ASSERT_EQ(w.engine->registry().inUse(), (std::vector<int>{0, 1}));
  ASSERT_EQ(w.engine->activeSlot(), 1);

  // A record in hand in each window, the purchases typed last.
  u.menu(QStringLiteral("进入编辑状态"));
  u.clickCell(0, 0);
  u.typeCells({QStringLiteral("C4"), QStringLiteral("5")});
  u.chooseWindow(0);
  u.menu(QStringLiteral("进入编辑状态"));
  u.clickCell(0, 0);
  u.typeCells({QStringLiteral("B3"), QStringLiteral("7")});

  // The sales window recalculates and saves: its own record only, by its own formulas; the
  // purchases' record stays in hand.
  u.chooseWindow(1);
  u.menu(QStringLiteral("按公式重新计算"));
  u.menu(QStringLiteral("保存当前表改变"));
  EXPECT_EQ(w.stored("sales.dbf", "CODE"), "C4 ");
  EXPECT_EQ(w.stored("sales.dbf", "AMOUNT"), "15 ");  // 5 + 10
  EXPECT_EQ(shop.stored("CODE"), "A1 ");
  EXPECT_EQ(shop.stored("AMOUNT"), " ");

  // The sales window active with one more change in hand, closing every window stores both.
  u.clickCell(0, 1);
  u.type(QStringLiteral("2"));
  u.press(Qt::Key_Return);
  w.dialogs.confirmAnswers = {Answer::Yes};
  u.menu(QStringLiteral("关闭全部"));
  EXPECT_EQ(w.dialogs.shown, QStringList{QStringLiteral("confirm: 确认 | 修改数据存盘吗？")});
  EXPECT_TRUE(w.engine->registry().inUse().empty());
  EXPECT_EQ(shop.stored("CODE"), "B3 ");
  EXPECT_EQ(shop.stored("PRICE"), "4 ");
  EXPECT_EQ(shop.stored("AMOUNT"), "28 ");  // 7 × 4
  EXPECT_EQ(w.stored("sales.dbf", "PRICE"), "10 ");
  EXPECT_EQ(w.stored("sales.dbf", "AMOUNT"), "12 ");  // 2 + 10
}

}  // namespace
}  // namespace torvanel
