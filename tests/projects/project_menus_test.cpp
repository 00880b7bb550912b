// Projects made, changed, listed, opened and deleted from the menus, as a user does it: tables
// chosen in the chooser over the modal designer, relations and formulas and pages through the
// right-click menu and the overlays, "确认"; the project file and the list read back byte for byte.

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

#include "app/projects/auxiliary_grid.h"
#include "app/projects/formula_editor.h"
#include "app/projects/page_editor.h"
#include "app/projects/project_designer.h"
#include "app/projects/project_panel.h"
#include "app/projects/prompt_panel.h"
#include "app/projects/relation_panel.h"
#include "tests/projects/project_user.h"

namespace torvanel {
namespace {

using FT = tdb::FieldType;

struct ProjectMenusTest : test::ProjectTest {
  ProjectMenusTest() {
    w.makeTable("orders.dbf", {{"CUST", FT::ftString, 8},
                               {"QTY", FT::ftFloat, 10},
                               {"PRICE", FT::ftFloat, 10},
                               {"AMOUNT", FT::ftFloat, 12}});
  }

  // The project 进货 on orders.dbf: cust.dbf twice, by index (shown) and for lookups, AMOUNT
  // worked out from QTY and PRICE, and CUST on the page as 客户 with prompts from cust.dbf.
  void designShop() {
    u.replaceText(p.designer()->nameEdit(), QStringLiteral("进货"));
    p.chooseMaster("orders.dbf");
    p.chooseAuxiliary(0, "cust.dbf");
    p.rowMenu(0, QStringLiteral("设置关系类型"), QStringLiteral("[索引]关系"));
    p.rowMenu(0, QStringLiteral("设置关系字段"));
    RelationPanel* relation = p.designer()->relationPanel();
    u.clickItem(relation->leftList(), QStringLiteral("NAME"));
    u.clickItem(relation->rightList(), QStringLiteral("CUST"));
    u.click(relation->confirmButton());
    p.rowMenu(0, QStringLiteral("是否显示"), QStringLiteral("显示"));
    p.rowMenu(0, QStringLiteral("增加辅助表行"));
    p.chooseAuxiliary(1, "cust.dbf");
    p.rowMenu(1, QStringLiteral("设置关系类型"), QStringLiteral("[查找]关系"));
    p.rowMenu(1, QStringLiteral("选择辅助表索引"));
    u.clickItem(p.designer()->lookupIndexList(), QStringLiteral("NAME"));

    p.designerButton(QStringLiteral("设置字段公式"));
    FormulaEditor* f = p.designer()->formulaEditor();
    u.clickItem(f->grid(), QStringLiteral("4"));
    u.clickItem(f->fieldList(), QStringLiteral("QTY"));
    u.button(QStringLiteral("加入公式"));
    u.button(QStringLiteral("×"));
    u.clickItem(f->fieldList(), QStringLiteral("PRICE"));
    u.button(QStringLiteral("加入公式"));

    p.designerButton(QStringLiteral("显示页面设置"));
    PageEditor* pages = p.designer()->pageEditor();
    u.clickItem(pages->fieldList(), QStringLiteral("CUST"));
    u.button(QStringLiteral("->"));
    u.clickCell(pages->grid(), 0, 2);
    u.type(QStringLiteral("客户"));
    u.press(Qt::Key_Return);
    u.button(QStringLiteral("设置提示字段"));
    EXPECT_TRUE(pages->promptPanel()->isVisible());
    EXPECT_EQ(pages->promptPanel()->fieldList()->count(), 2);
    p.buttonIn(pages->promptPanel(), QStringLiteral("确认"));
    EXPECT_FALSE(pages->promptPanel()->isVisible());
    EXPECT_EQ(pages->grid()->item(0, 3)->text(), "[" + p.folder() + "/cust.dbf]NAME");
  }

  QByteArray shopFile() const {
    const QString d = p.folder();
    return test::gbkLines(d + "|cust.dbf|[索引]关系|NAME->CUST|√|\n" + d +
                          "|cust.dbf|[查找]关系|||NAME\n"
                          "====================辅助表项\n"
                          "AMOUNT|QTY×PRICE\n"
                          "====================字段公式项\n"
                          "1\n"
                          "@0|第0页\n"
                          "CUST|客户|[" +
                          d +
                          "/cust.dbf]NAME\n"
                          "********************结束\n");
  }
  QByteArray listLine(const QString& name) const {
    return test::gbkLines(name + QStringLiteral("---[") + p.folder() + "]orders.dbf\n");
  }
};

TEST_F(ProjectMenusTest, ANewProjectIsWrittenAsDesigned) {
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("打开项目")));
  p.newProject([&] {
    EXPECT_EQ(p.designer()->windowTitle(), QStringLiteral("新增项目设置"));
    designShop();
    EXPECT_EQ(p.designer()->masterLabel()->text(), "[" + p.folder() + "]orders.dbf");
    EXPECT_EQ(p.grid()->text(0, AuxiliaryGrid::kShown), QStringLiteral("√"));
    EXPECT_EQ(p.designer()->formulaEditor()->memo()->text(), QStringLiteral("QTY×PRICE"));
    p.designerButton(QStringLiteral("确认"));
  });
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('|').toStdString();
  EXPECT_EQ(p.programFile(p.projectFileOf("orders.dbf")), shopFile())
      << p.programFile(p.projectFileOf("orders.dbf")).toStdString();
  EXPECT_EQ(p.programFile(QStringLiteral("datatools.tsm")), listLine(QStringLiteral("进货")));
  // The first project enables the project commands.
  EXPECT_TRUE(u.menuEnabled(QStringLiteral("打开项目")));
  EXPECT_TRUE(u.menuEnabled(QStringLiteral("项目设置(&M)")));
}

TEST_F(ProjectMenusTest, CancellingTheDesignerWritesNothing) {
  p.newProject([&] {
    designShop();
    p.designerButton(QStringLiteral("取消"));
  });
  EXPECT_TRUE(p.programFile(p.projectFileOf("orders.dbf")).isEmpty());
  EXPECT_TRUE(p.programFile(QStringLiteral("datatools.tsm")).isEmpty());
}

TEST_F(ProjectMenusTest, AProjectIsChangedListedAndDeleted) {
  p.newProject([&] {
    designShop();
    p.designerButton(QStringLiteral("确认"));
  });
  p.newProject([&] {
    u.replaceText(p.designer()->nameEdit(), QStringLiteral("另一个"));
    // The master's project file fills the designer.
    p.chooseMaster("orders.dbf");
    EXPECT_EQ(p.grid()->text(0, AuxiliaryGrid::kRelation), QStringLiteral("NAME->CUST"));
    p.designerButton(QStringLiteral("确认"));
  });
  EXPECT_EQ(p.programFile(QStringLiteral("datatools.tsm")),
            listLine(QStringLiteral("进货")) + listLine(QStringLiteral("另一个")));

  // Changing the name of the second line replaces that line only; the file stays as it was.
  p.manage(1, QStringLiteral("修  改"), [&] {
    EXPECT_EQ(p.designer()->windowTitle(), QStringLiteral("修改项目设置"));
    EXPECT_EQ(p.designer()->nameEdit()->text(), QStringLiteral("另一个"));
    EXPECT_EQ(p.grid()->text(1, AuxiliaryGrid::kLookup), QStringLiteral("NAME"));
    u.replaceText(p.designer()->nameEdit(), QStringLiteral("销售"));
    p.designerButton(QStringLiteral("确认"));
  });
  EXPECT_EQ(p.programFile(QStringLiteral("datatools.tsm")),
            listLine(QStringLiteral("进货")) + listLine(QStringLiteral("销售")));
  EXPECT_EQ(p.programFile(p.projectFileOf("orders.dbf")), shopFile());

  // Deleting is in memory until "退  出"; the last line gone takes the list file with it, never
  // the project file.
  u.menu(QStringLiteral("项目设置(&M)"));
  ProjectPanel* panel = w.main.projectPanel();
  EXPECT_EQ(panel->title()->text(), QStringLiteral("项目设置"));
  ASSERT_EQ(panel->lines()->count(), 2);
  u.clickItem(panel->lines(), panel->lines()->item(1)->text());
  u.button(QStringLiteral("删  除"));
  EXPECT_EQ(panel->lines()->count(), 1);
  EXPECT_EQ(p.programFile(QStringLiteral("datatools.tsm")).count('\n'), 2);
  u.button(QStringLiteral("删  除"));
  EXPECT_EQ(panel->lines()->count(), 0);
  u.button(QStringLiteral("退  出"));
  EXPECT_FALSE(panel->isVisible());
  EXPECT_FALSE(QFile::exists(w.program.file(QStringLiteral("datatools.tsm"))));
  EXPECT_EQ(p.programFile(p.projectFileOf("orders.dbf")), shopFile());
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("打开项目")));
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("项目设置(&M)")));
}

TEST_F(ProjectMenusTest, AFailedWriteKeepsTheDesignerOpenAndASecondTryAddsOneLine) {
  // A folder where the project file belongs: it cannot be replaced.
  const QString blocked = w.program.file(p.projectFileOf("orders.dbf"));
  ASSERT_TRUE(QDir().mkdir(blocked));
  p.newProject([&] {
    designShop();  // the folder cannot be read as the master's project either: one message
    w.dialogs.messages.clear();
    p.designerButton(QStringLiteral("确认"));
    EXPECT_EQ(w.dialogs.messages.size(), 1);
    EXPECT_TRUE(p.designer()->isVisible());
    ASSERT_TRUE(QDir().rmdir(blocked));
    p.designerButton(QStringLiteral("确认"));
  });
  EXPECT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_EQ(p.programFile(p.projectFileOf("orders.dbf")), shopFile());
  EXPECT_EQ(p.programFile(QStringLiteral("datatools.tsm")), listLine(QStringLiteral("进货")));
}

TEST_F(ProjectMenusTest, AListThatCannotBeWrittenBackKeepsThePanelAndItsLines) {
  w.program.write(QStringLiteral("datatools.tsm"),
                  listLine(QStringLiteral("甲")) + listLine(QStringLiteral("乙")));
  w.main.menuset();
  u.menu(QStringLiteral("项目设置(&M)"));
  ProjectPanel* panel = w.main.projectPanel();
  u.button(QStringLiteral("删  除"));
  const QString list = w.program.file(QStringLiteral("datatools.tsm"));
  ASSERT_TRUE(QFile::remove(list));
  ASSERT_TRUE(QDir().mkdir(list));
  u.button(QStringLiteral("退  出"));
  EXPECT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(panel->lines()->count(), 1);
  ASSERT_TRUE(QDir().rmdir(list));
  u.button(QStringLiteral("退  出"));
  EXPECT_FALSE(panel->isVisible());
  EXPECT_EQ(p.programFile(QStringLiteral("datatools.tsm")), listLine(QStringLiteral("乙")));
}

TEST_F(ProjectMenusTest, OpeningAProjectReadsItIntoAProjectWindow) {
  p.newProject([&] {
    designShop();
    p.designerButton(QStringLiteral("确认"));
  });
  u.toolbar(QStringLiteral("打开项目"));
  ProjectPanel* panel = w.main.projectPanel();
  EXPECT_EQ(panel->title()->text(), QStringLiteral("打开项目"));
  EXPECT_EQ(panel->lines()->currentRow(), 0);
  u.button(QStringLiteral("打 开"));
  EXPECT_FALSE(panel->isVisible());
  EXPECT_EQ(p.designer()->definition().formulas.size(), 4);
  EXPECT_EQ(p.designer()->definition().formulas[3].formula, QStringLiteral("QTY×PRICE"));
  ASSERT_EQ(w.engine->registry().inUse().size(), 1u);
  EXPECT_EQ(w.slot(0).kind, 'm');
  EXPECT_TRUE(w.window(0).windowTitle().startsWith(QStringLiteral("项目:进货[")));
}

TEST_F(ProjectMenusTest, AHandEditedLineWithoutAMasterIsRefused) {
  w.program.write(QStringLiteral("datatools.tsm"), test::gbkLines("只有名字\n"));
  w.main.menuset();
  u.toolbar(QStringLiteral("打开项目"));
  u.button(QStringLiteral("打 开"));
  EXPECT_EQ(w.dialogs.messages, QStringList{QStringLiteral("此项目行没有主数据表,不能打开!")});
  u.button(QStringLiteral("退 出"));
  // The open mode writes nothing back.
  EXPECT_EQ(p.programFile(QStringLiteral("datatools.tsm")), test::gbkLines("只有名字\n"));
}

TEST_F(ProjectMenusTest, ProjectSettingsAreRefusedWhileAProjectWindowIsOpen) {
  w.program.write(QStringLiteral("datatools.tsm"), listLine(QStringLiteral("进货")));
  w.main.menuset();
  const int slot = w.engine->registry().take('m');
  u.menu(QStringLiteral("项目设置(&M)"));
  EXPECT_EQ(w.dialogs.messages,
            QStringList{QStringLiteral("请先关闭已打开的项目，然后再进行项目设置!")});
  EXPECT_FALSE(w.main.projectPanel()->isVisible());
  w.engine->registry().free(slot);
  u.menu(QStringLiteral("项目设置(&M)"));
  EXPECT_TRUE(w.main.projectPanel()->isVisible());
}

}  // namespace
}  // namespace torvanel
