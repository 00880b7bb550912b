// The designer's formula and page overlays as a user works them, and what "确认" refuses.

#include <gtest/gtest.h>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>

#include "app/projects/formula_editor.h"
#include "app/projects/page_editor.h"
#include "app/projects/project_designer.h"
#include "app/projects/prompt_panel.h"
#include "tests/projects/project_user.h"

namespace torvanel {
namespace {

using FT = tdb::FieldType;

QStringList itemsOf(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

QStringList columnOf(const QTableWidget* grid, int column) {
  QStringList out;
  for (int r = 0; r < grid->rowCount(); ++r) out << grid->item(r, column)->text();
  return out;
}

struct OverlaysTest : test::ProjectTest {
  OverlaysTest() {
    w.makeTable("orders.dbf",
                {{"CUST", FT::ftString, 8}, {"QTY", FT::ftFloat, 10}, {"PRICE", FT::ftFloat, 10}});
  }
  FormulaEditor* formulas() const { return p.designer()->formulaEditor(); }
  PageEditor* pages() const { return p.designer()->pageEditor(); }
  void clickTab(int i) {
    QTabBar* bar = pages()->tabs();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(i).center());
  }
  QStringList tabs() const {
    QStringList out;
    for (int i = 0; i < pages()->tabs()->count(); ++i) out << pages()->tabs()->tabText(i);
    return out;
  }
};

TEST_F(OverlaysTest, FormulasAreBuiltFromButtonsAndReferences) {
  // A hand-edited project: an auxiliary table without its database, which cannot be offered.
  w.program.write(p.projectFileOf("orders.dbf"), test::gbkLines("|cust.dbf||||\n" + p.folder() +
                                                                "|cust.dbf||||\n"
                                                                "====================辅助表项\n"
                                                                "====================字段公式项\n"
                                                                "1\n@0|第0页\n||\n"
                                                                "********************结束\n"));
  p.newProject([&] {
    p.designerButton(QStringLiteral("设置字段公式"));
    EXPECT_EQ(w.dialogs.messages,
              QStringList{QStringLiteral("项目主数据表没有设置,不能设置公式!")});
    EXPECT_FALSE(formulas()->isVisible());
    p.chooseMaster("orders.dbf");
    p.rowMenu(1, QStringLiteral("增加辅助表行"));  // an empty row is not offered either
    p.designerButton(QStringLiteral("设置字段公式"));
    ASSERT_TRUE(formulas()->isVisible());
    EXPECT_EQ(itemsOf(formulas()->tableList()),
              (QStringList{p.folder() + "/orders.dbf", p.folder() + "/cust.dbf"}));
    EXPECT_EQ(itemsOf(formulas()->fieldList()), (QStringList{"CUST", "QTY", "PRICE"}));

    u.clickItem(formulas()->grid(), QStringLiteral("2"));
    for (const char* op : {"＋", "－", "×", "÷"}) u.button(QString::fromUtf8(op));
    EXPECT_EQ(formulas()->grid()->item(1, 2)->text(), QStringLiteral("＋－×÷"));
    u.button(QStringLiteral("清除公式"));
    EXPECT_EQ(formulas()->grid()->item(1, 2)->text(), QString());
    // A table in a folder is listed with the folder's "/" and still gives its fields.
    u.clickItem(formulas()->tableList(), p.folder() + "/cust.dbf");
    EXPECT_EQ(itemsOf(formulas()->fieldList()), (QStringList{"NAME", "CITY"}));
    u.clickItem(formulas()->fieldList(), QStringLiteral("CITY"));
    u.button(QStringLiteral("加入公式"));
    u.clickInto(formulas()->memo());
    u.type(QStringLiteral("＋(1)"));
    // A pasted line break does not come along: the formula is one line.
    QApplication::clipboard()->setText(QStringLiteral("×\r\n2"));
    u.press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(formulas()->grid()->item(1, 2)->text(), "[" + p.folder() + "/cust.dbf]CITY＋(1)×2");

    // Another row shows its own formula; "全清" empties every row.
    u.clickItem(formulas()->grid(), QStringLiteral("3"));
    EXPECT_EQ(formulas()->memo()->text(), QString());
    u.clickItem(formulas()->tableList(), p.folder() + "/orders.dbf");
    u.clickItem(formulas()->fieldList(), QStringLiteral("QTY"));
    u.button(QStringLiteral("加入公式"));
    EXPECT_EQ(formulas()->grid()->item(2, 2)->text(), QStringLiteral("QTY"));
    u.button(QStringLiteral("全清"));
    EXPECT_EQ(columnOf(formulas()->grid(), 2), (QStringList{"", "", ""}));
    u.button(QStringLiteral("退出"));
    EXPECT_FALSE(formulas()->isVisible());
    p.designerButton(QStringLiteral("确认"));
  });
  // "全清" then "确认": no formula section lines.
  EXPECT_TRUE(
      p.programFile(p.projectFileOf("orders.dbf"))
          .contains("\r\n====================\xd7\xd6\xb6\xce\xb9\xab\xca\xbd\xcf\xee\r\n1"));
}

TEST_F(OverlaysTest, FieldsMoveOnOffAndAlongAPage) {
  p.newProject([&] {
    p.designerButton(QStringLiteral("显示页面设置"));
    EXPECT_EQ(w.dialogs.messages,
              QStringList{QStringLiteral("项目主数据表没有设置,不能设置显示页面!")});
    p.chooseMaster("orders.dbf");
    p.designerButton(QStringLiteral("显示页面设置"));
    ASSERT_TRUE(pages()->isVisible());
    QTableWidget* grid = pages()->grid();
    EXPECT_EQ(pages()->pageName()->text(), QStringLiteral("第0页"));
    EXPECT_EQ(itemsOf(pages()->fieldList()), (QStringList{"CUST", "QTY", "PRICE"}));
    // Without fields the display name takes no typing.
    EXPECT_FALSE(grid->item(0, 2)->flags() & Qt::ItemIsEditable);

    u.button(QStringLiteral(">>"));
    EXPECT_EQ(columnOf(grid, 1), (QStringList{"CUST", "QTY", "PRICE"}));
    EXPECT_EQ(columnOf(grid, 2), (QStringList{"CUST", "QTY", "PRICE"}));
    EXPECT_EQ(pages()->fieldList()->count(), 0);
    u.clickCell(grid, 0, 1);
    u.button(QStringLiteral("<-"));
    EXPECT_EQ(columnOf(grid, 0), (QStringList{"1", "2"}));
    EXPECT_EQ(columnOf(grid, 1), (QStringList{"QTY", "PRICE"}));
    u.clickCell(grid, 1, 1);
    u.button(QStringLiteral("<-"));
    // Back at the end of the list, not in the table's order.
    EXPECT_EQ(itemsOf(pages()->fieldList()), (QStringList{"CUST", "PRICE"}));
    u.clickItem(pages()->fieldList(), QStringLiteral("PRICE"));
    u.button(QStringLiteral("->"));
    u.clickCell(grid, 1, 2);
    u.type(QStringLiteral("单价"));
    u.press(Qt::Key_Return);

    // Moving carries the display name and the prompt; the numbers stay.
    u.clickCell(grid, 1, 1);
    u.button(QStringLiteral("∧上移"));
    EXPECT_EQ(columnOf(grid, 1), (QStringList{"PRICE", "QTY"}));
    EXPECT_EQ(columnOf(grid, 2), (QStringList{"单价", "QTY"}));
    EXPECT_EQ(grid->currentRow(), 0);
    u.button(QStringLiteral("∧上移"));
    EXPECT_EQ(columnOf(grid, 1), (QStringList{"PRICE", "QTY"}));
    u.button(QStringLiteral("∨下移"));
    u.button(QStringLiteral("∨下移"));
    EXPECT_EQ(columnOf(grid, 1), (QStringList{"QTY", "PRICE"}));
    EXPECT_EQ(columnOf(grid, 0), (QStringList{"1", "2"}));

    EXPECT_EQ(w.dialogs.messages.size(), 1);
    u.button(QStringLiteral("设置提示字段"));
    EXPECT_EQ(w.dialogs.messages.last(), QStringLiteral("没有辅助数据表,不能设置提示字段!"));
    u.button(QStringLiteral("<<"));
    EXPECT_EQ(columnOf(grid, 1), QStringList{""});
    EXPECT_EQ(itemsOf(pages()->fieldList()), (QStringList{"CUST", "QTY", "PRICE"}));
    u.button(QStringLiteral("设置提示字段"));
    EXPECT_EQ(w.dialogs.messages.last(), QStringLiteral("没有页面字段,不能设置提示字段!"));
    u.button(QStringLiteral("退  出"));
    EXPECT_FALSE(pages()->isVisible());
    p.designerButton(QStringLiteral("取消"));
  });
}

TEST_F(OverlaysTest, PagesAreAddedInsertedRenamedAndDeleted) {
  p.newProject([&] {
    p.chooseMaster("orders.dbf");
    p.chooseAuxiliary(0, "cust.dbf");
    p.designerButton(QStringLiteral("显示页面设置"));
    u.button(QStringLiteral("->"));  // CUST on page 0
    u.button(QStringLiteral("设置提示字段"));
    PromptPanel* prompt = pages()->promptPanel();
    ASSERT_TRUE(prompt->isVisible());
    EXPECT_EQ(itemsOf(prompt->tableList()), QStringList{p.folder() + "/cust.dbf"});
    u.clickItem(prompt->fieldList(), QStringLiteral("CITY"));
    p.buttonIn(prompt, QStringLiteral("确认"));
    EXPECT_EQ(pages()->grid()->item(0, 3)->text(), "[" + p.folder() + "/cust.dbf]CITY");

    u.button(QStringLiteral("增加页面"));
    EXPECT_EQ(tabs(), (QStringList{"第0页", "第1页"}));
    EXPECT_EQ(pages()->tabs()->currentIndex(), 1);
    EXPECT_EQ(pages()->grid()->item(0, 1)->text(), QString());
    u.replaceText(pages()->pageName(), QStringLiteral("明细"));
    EXPECT_EQ(tabs(), (QStringList{"第0页", "明细"}));

    // Inserting before page 0 moves every page up with its caption and rows.
    clickTab(0);
    u.button(QStringLiteral("插入页面"));
    EXPECT_EQ(tabs(), (QStringList{"第0页", "第0页", "明细"}));
    EXPECT_EQ(pages()->tabs()->currentIndex(), 0);
    EXPECT_EQ(pages()->grid()->item(0, 1)->text(), QString());
    clickTab(1);
    EXPECT_EQ(pages()->grid()->item(0, 1)->text(), QStringLiteral("CUST"));
    EXPECT_EQ(itemsOf(pages()->fieldList()), (QStringList{"QTY", "PRICE"}));

    u.button(QStringLiteral("删除当前页面"));
    EXPECT_EQ(tabs(), (QStringList{"第0页", "明细"}));
    EXPECT_EQ(pages()->tabs()->currentIndex(), 0);
    u.button(QStringLiteral("删除当前页面"));
    u.button(QStringLiteral("删除当前页面"));
    EXPECT_EQ(tabs(), QStringList{"第0页"});
    EXPECT_EQ(pages()->grid()->item(0, 1)->text(), QString());
    p.designerButton(QStringLiteral("取消"));
  });
}

TEST_F(OverlaysTest, ConfirmRefusesTextThatWouldBreakTheFiles) {
  p.newProject([&] {
    p.chooseMaster("orders.dbf");
    p.designerButton(QStringLiteral("显示页面设置"));
    u.button(QStringLiteral("->"));
    u.clickCell(pages()->grid(), 0, 2);
    u.type(QStringLiteral("客户|名"));
    u.press(Qt::Key_Return);
    u.replaceText(p.designer()->nameEdit(), QStringLiteral("进---货"));
    p.designerButton(QStringLiteral("确认"));
    ASSERT_EQ(w.dialogs.messages.size(), 1);
    EXPECT_TRUE(w.dialogs.messages[0].contains(QStringLiteral("项目名称")));
    EXPECT_TRUE(p.designer()->isVisible());
    u.replaceText(p.designer()->nameEdit(), QStringLiteral("进货"));
    p.designerButton(QStringLiteral("确认"));
    ASSERT_EQ(w.dialogs.messages.size(), 2);
    EXPECT_TRUE(w.dialogs.messages[1].contains(QStringLiteral("显示名称")));
    EXPECT_TRUE(p.designer()->isVisible());
    u.clickCell(pages()->grid(), 0, 2);
    u.type(QStringLiteral("客户"));
    u.press(Qt::Key_Return);
    p.designerButton(QStringLiteral("确认"));
    EXPECT_EQ(w.dialogs.messages.size(), 2);
  });
  EXPECT_TRUE(
      p.programFile(p.projectFileOf("orders.dbf")).contains(test::gbkLines("CUST|客户|\n")));
}

}  // namespace
}  // namespace torvanel
