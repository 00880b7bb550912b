// The designer's auxiliary grid as a user works it: the right-click menu's rows, relation types,
// tables chosen in the chooser over the modal designer, the relation panel and the lookup index
// list with their refusals, and the master table chosen anew.

#include <gtest/gtest.h>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/projects/auxiliary_grid.h"
#include "app/projects/formula_editor.h"
#include "app/projects/project_designer.h"
#include "app/projects/relation_panel.h"
#include "app/shell/table_chooser.h"
#include "tests/projects/project_user.h"

namespace torvanel {
namespace {

using FT = tdb::FieldType;
using C = AuxiliaryGrid::Column;

struct DesignerGridTest : test::ProjectTest {
  DesignerGridTest() {
    w.makeTable("orders.dbf", {{"CUST", FT::ftString, 8}, {"QTY", FT::ftFloat, 10}});
  }
  QString cell(int row, C column) const { return p.grid()->text(row, column); }
  QStringList column(C c) const {
    QStringList out;
    for (int r = 0; r < p.grid()->rowCount(); ++r) out << cell(r, c);
    return out;
  }
  // "设置关系字段" with the left and right items clicked (none when empty), then "确认".
  void relate(int row, const QString& left, const QString& right) {
    p.rowMenu(row, QStringLiteral("设置关系字段"));
    RelationPanel* panel = p.designer()->relationPanel();
    ASSERT_TRUE(panel->isVisible());
    if (!left.isEmpty()) u.clickItem(panel->leftList(), left);
    if (!right.isEmpty()) u.clickItem(panel->rightList(), right);
    u.click(panel->confirmButton());
  }
  QString refusalOf(const std::function<void()>& step) {
    w.dialogs.messages.clear();
    step();
    return w.dialogs.messages.join('|');
  }
};

TEST_F(DesignerGridTest, RowsAreInsertedAddedAndDeletedFromTheRowMenu) {
  p.newProject([&] {
    EXPECT_EQ(column(C::kNumber), QStringList{"1"});
    p.rowMenu(0, QStringLiteral("增加辅助表行"));
    p.rowMenu(1, QStringLiteral("增加辅助表行"));
    p.chooseAuxiliary(1, "cust.dbf");
    p.rowMenu(1, QStringLiteral("插入辅助表行"));
    EXPECT_EQ(column(C::kNumber), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(column(C::kTable), (QStringList{"", "", "cust.dbf", ""}));
    p.rowMenu(2, QStringLiteral("删除辅助表行"));
    EXPECT_EQ(column(C::kNumber), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(column(C::kTable), (QStringList{"", "", ""}));
    p.rowMenu(0, QStringLiteral("删除辅助表行"));
    p.rowMenu(0, QStringLiteral("删除辅助表行"));
    // The only row is emptied, never removed.
    p.chooseAuxiliary(0, "cust.dbf");
    p.rowMenu(0, QStringLiteral("是否显示"), QStringLiteral("不显示"));
    EXPECT_EQ(cell(0, C::kShown), QStringLiteral("Ｘ"));
    p.rowMenu(0, QStringLiteral("删除辅助表行"));
    EXPECT_EQ(column(C::kNumber), QStringList{"1"});
    EXPECT_EQ(column(C::kTable), QStringList{""});
    EXPECT_EQ(column(C::kShown), QStringList{""});

    // No menu over the row numbers.
    AuxiliaryGrid* g = p.grid();
    const QPoint at = g->visualRect(g->model()->index(0, C::kNumber)).center();
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, g->viewport()->mapToGlobal(at));
    QApplication::sendEvent(g->viewport(), &request);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    p.designerButton(QStringLiteral("取消"));
  });
}

TEST_F(DesignerGridTest, TheRelationPanelRefusesUntilTheRowIsReady) {
  p.newProject([&] {
    const QString menu = QStringLiteral("设置关系字段");
    EXPECT_EQ(refusalOf([&] { p.rowMenu(0, menu); }),
              QStringLiteral("项目主数据表没有设置,不能设置关系!"));
    p.chooseMaster("orders.dbf");
    EXPECT_EQ(refusalOf([&] { p.rowMenu(0, menu); }),
              QStringLiteral("本项辅助数据表没有设置,不能建立关系!"));
    p.chooseAuxiliary(0, "cust.dbf");
    EXPECT_EQ(refusalOf([&] { p.rowMenu(0, menu); }),
              QStringLiteral("本项关系类型没有设置,不能设置关系!"));
    EXPECT_FALSE(p.designer()->relationPanel()->isVisible());

    // A lookup relation pairs fields; one side alone is stored as it is.
    p.rowMenu(0, QStringLiteral("设置关系类型"), QStringLiteral("[查找]关系"));
    p.rowMenu(0, menu);
    RelationPanel* panel = p.designer()->relationPanel();
    EXPECT_EQ(panel->findChildren<QLabel*>()[0]->text(), QStringLiteral("辅表:cust.dbf"));
    EXPECT_EQ(panel->findChildren<QLabel*>()[1]->text(), QStringLiteral("主表:orders.dbf"));
    EXPECT_EQ(panel->leftList()->count(), 2);   // NAME, CITY
    EXPECT_EQ(panel->rightList()->count(), 2);  // CUST, QTY
    EXPECT_TRUE(panel->leftList()->selectedItems().isEmpty());
    u.click(panel->findChildren<QPushButton*>()[1]);  // "取消"
    EXPECT_EQ(cell(0, C::kRelation), QString());
    relate(0, QStringLiteral("CITY"), {});
    EXPECT_EQ(cell(0, C::kRelation), QStringLiteral("CITY->"));
    relate(0, QStringLiteral("NAME"), QStringLiteral("CUST"));
    EXPECT_EQ(cell(0, C::kRelation), QStringLiteral("NAME->CUST"));
    p.designerButton(QStringLiteral("取消"));
  });
}

TEST_F(DesignerGridTest, RelationTypesAndTablesClearWhatNoLongerFits) {
  p.newProject([&] {
    p.chooseMaster("orders.dbf");
    p.chooseAuxiliary(0, "cust.dbf");
    p.rowMenu(0, QStringLiteral("设置关系类型"), QStringLiteral("[查找]关系"));
    relate(0, QStringLiteral("NAME"), QStringLiteral("CUST"));
    p.rowMenu(0, QStringLiteral("选择辅助表索引"));
    u.clickItem(p.designer()->lookupIndexList(), QStringLiteral("NAME"));
    EXPECT_FALSE(p.designer()->lookupIndexList()->isVisible());
    EXPECT_EQ(cell(0, C::kLookup), QStringLiteral("NAME"));

    // The same type again, and the same table again, keep the relation.
    p.rowMenu(0, QStringLiteral("设置关系类型"), QStringLiteral("[查找]关系"));
    p.chooseAuxiliary(0, "cust.dbf");
    EXPECT_EQ(cell(0, C::kRelation), QStringLiteral("NAME->CUST"));
    // Another table loses the relation only.
    p.rowMenu(0, QStringLiteral("是否显示"), QStringLiteral("显示"));
    p.chooseAuxiliary(0, "orders.dbf");
    EXPECT_EQ(cell(0, C::kTable), QStringLiteral("orders.dbf"));
    EXPECT_EQ(cell(0, C::kRelation), QString());
    EXPECT_EQ(cell(0, C::kType), QStringLiteral("[查找]关系"));
    EXPECT_EQ(cell(0, C::kShown), QStringLiteral("√"));
    EXPECT_EQ(cell(0, C::kLookup), QStringLiteral("NAME"));

    p.chooseAuxiliary(0, "cust.dbf");
    relate(0, QStringLiteral("NAME"), QStringLiteral("CUST"));
    // An index relation drops the lookup index too; the index panel lists the indexes.
    p.rowMenu(0, QStringLiteral("设置关系类型"), QStringLiteral("[索引]关系"));
    EXPECT_EQ(cell(0, C::kRelation), QString());
    EXPECT_EQ(cell(0, C::kLookup), QString());
    relate(0, QStringLiteral("NAME"), QStringLiteral("CUST"));
    EXPECT_EQ(cell(0, C::kRelation), QStringLiteral("NAME->CUST"));
    p.rowMenu(0, QStringLiteral("设置关系类型"), QStringLiteral("清除关系类型"));
    EXPECT_EQ(cell(0, C::kType), QString());
    EXPECT_EQ(cell(0, C::kRelation), QString());
    p.designerButton(QStringLiteral("取消"));
  });
}

TEST_F(DesignerGridTest, IndexesAreOfferedOnlyWhereTheyCanBeUsed) {
  p.newProject([&] {
    p.chooseMaster("orders.dbf");
    const QString lookup = QStringLiteral("选择辅助表索引");
    EXPECT_EQ(refusalOf([&] { p.rowMenu(0, lookup); }),
              QStringLiteral("本项辅助数据表没有设置,不能选择索引!"));
    // orders.dbf has no index.
    p.chooseAuxiliary(0, "orders.dbf");
    p.rowMenu(0, QStringLiteral("设置关系类型"), QStringLiteral("[索引]关系"));
    EXPECT_EQ(refusalOf([&] { p.rowMenu(0, QStringLiteral("设置关系字段")); }),
              QStringLiteral("辅表:orders.dbf没有索引,不能建立索引关系!"));
    EXPECT_FALSE(p.designer()->relationPanel()->isVisible());
    EXPECT_EQ(refusalOf([&] { p.rowMenu(0, lookup); }),
              QStringLiteral("本项关系类型为[索引]关系,不能选择索引!"));
    p.rowMenu(0, QStringLiteral("设置关系类型"), QStringLiteral("清除关系类型"));
    EXPECT_EQ(refusalOf([&] { p.rowMenu(0, lookup); }),
              "[" + p.folder() + QStringLiteral("]orders.dbf数据表没有索引,不能选择!"));
    EXPECT_FALSE(p.designer()->lookupIndexList()->isVisible());

    p.chooseAuxiliary(0, "gone.dbf");
    EXPECT_EQ(refusalOf([&] { p.rowMenu(0, lookup); }),
              "[" + p.folder() + QStringLiteral("]gone.dbf数据表不能打开!"));

    p.chooseAuxiliary(0, "cust.dbf");
    p.rowMenu(0, lookup);
    QListWidget* list = p.designer()->lookupIndexList();
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("清除当前辅助表索引"));
    EXPECT_EQ(list->currentRow(), 0);
    u.clickItem(list, QStringLiteral("NAME"));
    EXPECT_EQ(cell(0, C::kLookup), QStringLiteral("NAME"));
    p.rowMenu(0, lookup);
    u.clickItem(list, QStringLiteral("清除当前辅助表索引"));
    EXPECT_EQ(cell(0, C::kLookup), QString());
    p.designerButton(QStringLiteral("取消"));
  });
}

TEST_F(DesignerGridTest, ChoosingAnotherMasterStartsAfreshAndTheSameOneChangesNothing) {
  p.newProject([&] {
    TForm01& chooser = *w.main.tableChooser();
    p.designerButton(QStringLiteral("选择主数据表"));
    EXPECT_EQ(chooser.windowTitle(), QStringLiteral("选择项目主表"));
    // Over the waiting designer, the chooser is the window that takes the user's input.
    EXPECT_EQ(QApplication::activeModalWidget(), &chooser);
    chooser.close();  // its close box: nothing is chosen
    EXPECT_FALSE(chooser.isVisible());
    p.chooseAuxiliary(0, "cust.dbf");
    EXPECT_EQ(chooser.windowTitle(), QStringLiteral("选择项目辅助表"));
    p.chooseMaster("orders.dbf");
    EXPECT_EQ(cell(0, C::kTable), QString());
    p.chooseAuxiliary(0, "cust.dbf");
    p.designerButton(QStringLiteral("设置字段公式"));
    p.chooseMaster("orders.dbf");
    EXPECT_EQ(cell(0, C::kTable), QStringLiteral("cust.dbf"));
    EXPECT_TRUE(p.designer()->formulaEditor()->isVisible());
    p.chooseMaster("cust.dbf");
    EXPECT_EQ(cell(0, C::kTable), QString());
    EXPECT_FALSE(p.designer()->formulaEditor()->isVisible());
    EXPECT_EQ(p.designer()->masterLabel()->text(), "[" + p.folder() + "]cust.dbf");
    p.designerButton(QStringLiteral("取消"));
  });
  // The chooser serves other callers without blocking them again.
  u.toolbar(QStringLiteral("打开数据表"));
  EXPECT_EQ(w.main.tableChooser()->windowModality(), Qt::NonModal);
}

}  // namespace
}  // namespace torvanel
