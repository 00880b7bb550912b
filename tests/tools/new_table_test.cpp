// "新建数据表" through the structure designer, as a user makes a table: names typed into the
// grid, types from the right-click menu, indexes through the index panel, "确认"; the table read
// back from its file.

#include <gtest/gtest.h>
#include <QFile>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "app/tools/field_grid.h"
#include "app/tools/index_panel.h"
#include "app/tools/structure_designer.h"
#include "engine/table.h"
#include "tests/engine/table_fixture.h"
#include "tests/tools/designer_user.h"

namespace torvanel {
namespace {

using FT = tdb::FieldType;

const QString kSameName = QStringLiteral("可能有相同字段名，不能生成表结构，请检查!");
const QString kRefused = QStringLiteral("字段类型或索引可能不适合此表,请修改!");

struct NewTableTest : ::testing::Test {
  test::Workbench w;
  test::DesignerUser d{w};
  test::User& u = w.user;

  // NAME 字符(20), PRICE 实数 required, DAY 日期, and an index BYNAME on NAME.
  void designShop() {
    d.field(0, QStringLiteral("NAME"), "字符", QStringLiteral("20"));
    d.field(1, QStringLiteral("PRICE"), "实数");
    u.clickCell(d.grid(), 1, 4);  // "必须赋值"
    d.field(2, QStringLiteral("DAY"), "日期");
    d.defineIndex(QStringLiteral("BYNAME"), {QStringLiteral("NAME")});
  }
  bool exists(const char* name) const {
    return QFile::exists(QString::fromStdString(w.data.file(name)));
  }
};

TEST_F(NewTableTest, ADbaseTableIsMadeAsDesigned) {
  d.newTable("shop.dbf");
  EXPECT_EQ(d.designer()->windowTitle(), QStringLiteral("新建表结构:[") +
                                             QString::fromStdString(w.data.path()) +
                                             QStringLiteral("]shop.dbf"));
  EXPECT_FALSE(d.designer()->isModal());
  // Over the middle of the main window.
  const QRect main = w.main.frameGeometry();
  const QRect own = d.designer()->frameGeometry();
  EXPECT_NEAR(own.center().x(), main.center().x(), 1);
  EXPECT_NEAR(own.center().y(), main.center().y(), 1);
  EXPECT_FALSE(d.designer()->progressBar()->isVisible());
  designShop();
  EXPECT_EQ(d.grid()->item(1, 4)->text(), QStringLiteral("√"));
  EXPECT_EQ(d.grid()->item(2, 0)->text(), QStringLiteral("3"));
  EXPECT_EQ(d.designer()->indexList()->item(0)->text(), QStringLiteral("BYNAME"));
  u.button(QStringLiteral("确认"));
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('|').toStdString();
  EXPECT_FALSE(d.designer()->isVisible());

  tdb::Table t;
  tdb::test::point(t, w.data, "shop.dbf");
  t.open();
  EXPECT_EQ(t.driverTypeName(), "DBASE");
  ASSERT_EQ(t.fieldDefs().count(), 3);
  EXPECT_EQ(t.fieldDefs()[0].name, "NAME");
  EXPECT_EQ(t.fieldDefs()[0].type, FT::ftString);
  EXPECT_EQ(t.fieldDefs()[0].size, 20);
  EXPECT_EQ(t.fieldDefs()[1].type, FT::ftFloat);
  EXPECT_EQ(t.fieldDefs()[2].type, FT::ftDate);
  ASSERT_EQ(t.indexDefs().count(), 1);
  EXPECT_EQ(t.indexDefs()[0].name, "BYNAME");
  EXPECT_EQ(t.indexDefs()[0].fields, "NAME");
  EXPECT_EQ(t.recordCount(), 0);
}

TEST_F(NewTableTest, TheFoxProDefaultMakesAFoxProTableUnderAChineseName) {
  u.menu(QStringLiteral("[.DBF]文件打开或建立时默认为FoxPro类型"));
  d.newTable("客户.dbf");
  d.field(0, QStringLiteral("客户名"), "字符");
  d.field(1, QStringLiteral("NOTE"), "备注");
  u.button(QStringLiteral("确认"));
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('|').toStdString();

  tdb::Table t;
  tdb::test::point(t, w.data, "客户.dbf", tdb::TableType::ttFoxPro);
  t.open();
  ASSERT_EQ(t.fieldDefs().count(), 2);
  EXPECT_EQ(t.fieldDefs()[0].name, tdb::test::gbk("客户名"));
  EXPECT_EQ(t.fieldDefs()[0].size, 10);
  EXPECT_EQ(t.fieldDefs()[1].type, FT::ftMemo);
  EXPECT_TRUE(exists("客户.fpt") || exists("客户.FPT"));
}

TEST_F(NewTableTest, AParadoxTableTakesAPrimaryKeyOnItsLeadingField) {
  d.newTable("goods.db");
  d.field(0, QStringLiteral("ID"), "自动计数");
  d.field(1, QStringLiteral("NAME"), "字符");
  d.field(2, QStringLiteral("QTY"), "短整数(4位以下)");
  d.defineIndex(QString(), {QStringLiteral("ID")}, {QStringLiteral("主索引(Dbase不用)")});
  EXPECT_EQ(d.designer()->indexList()->item(0)->text(), QStringLiteral("Primindex0"));
  u.button(QStringLiteral("确认"));
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('|').toStdString();

  tdb::Table t;
  tdb::test::point(t, w.data, "goods.db");
  t.open();
  EXPECT_EQ(t.driverTypeName(), "PARADOX");
  ASSERT_EQ(t.fieldDefs().count(), 3);
  EXPECT_EQ(t.fieldDefs()[0].type, FT::ftAutoInc);
  EXPECT_EQ(t.fieldDefs()[2].type, FT::ftSmallint);
  ASSERT_GE(t.indexDefs().count(), 1);
  EXPECT_TRUE(t.indexDefs()[0].options & tdb::ixPrimary);
  EXPECT_EQ(t.indexDefs()[0].fields, "ID");
}

TEST_F(NewTableTest, RefusedStructuresWriteNothingAndKeepTheDesignerOpen) {
  d.newTable("bad.dbf");
  d.field(0, QStringLiteral("NAME"), "字符");
  u.cellMenu(d.grid(), 0, 1, QStringLiteral("增加行"));  // left blank
  u.button(QStringLiteral("确认"));
  EXPECT_EQ(w.dialogs.messages, QStringList{kSameName});

  // The blank row gets a name but no type.
  d.typeInto(1, 1, QStringLiteral("PRICE"));
  u.button(QStringLiteral("确认"));
  ASSERT_EQ(w.dialogs.messages.size(), 2);
  EXPECT_TRUE(w.dialogs.messages[1].startsWith(kRefused + '\n'))
      << w.dialogs.messages[1].toStdString();

  // Six Chinese characters are twelve bytes, more than a dBASE name holds.
  u.cellMenu(d.grid(), 1, 2, QStringLiteral("实数"));
  d.typeInto(0, 1, QStringLiteral("客户名称地址"));
  u.button(QStringLiteral("确认"));
  ASSERT_EQ(w.dialogs.messages.size(), 3);
  EXPECT_TRUE(w.dialogs.messages[2].startsWith(kRefused + '\n'))
      << w.dialogs.messages[2].toStdString();

  EXPECT_TRUE(d.designer()->isVisible());
  EXPECT_FALSE(exists("bad.dbf"));
  // Put right, the same design is made.
  d.typeInto(0, 1, QStringLiteral("客户"));
  u.button(QStringLiteral("确认"));
  EXPECT_EQ(w.dialogs.messages.size(), 3);
  EXPECT_TRUE(exists("bad.dbf"));
}

TEST_F(NewTableTest, ATableThatAppearedWhileTheDesignerWasOpenIsNotReplaced) {
  d.newTable("late.dbf");
  d.field(0, QStringLiteral("NAME"), "字符");
  tdb::test::makeSample(w.data, "late.dbf", 3);
  u.button(QStringLiteral("确认"));
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(w.dialogs.messages[0].endsWith(QStringLiteral("late.dbf已经存在,请退出.")));
  EXPECT_EQ(w.stored("late.dbf"), "R1 R2 R3 ");
}

TEST_F(NewTableTest, ADuplicateIndexNameIsRefusedWithThePanelOpen) {
  d.newTable("dup.dbf");
  designShop();
  d.defineIndex(QStringLiteral("byname"), {QStringLiteral("DAY")});
  EXPECT_EQ(w.dialogs.messages, QStringList{QStringLiteral("索引名重复 'byname'")});
  EXPECT_TRUE(d.designer()->indexPanel()->isVisible());
  u.click(d.designer()->indexPanel()->cancelButton());
  EXPECT_FALSE(d.designer()->indexPanel()->isVisible());
  EXPECT_EQ(d.designer()->indexList()->count(), 1);
  // Defining with no field moved adds nothing; changing and emptying the key removes the index.
  u.button(QStringLiteral("定义索引"));
  u.button(QStringLiteral(" 确认"));
  EXPECT_EQ(d.designer()->indexList()->count(), 1);
  u.clickItem(d.designer()->indexList(), QStringLiteral("BYNAME"));
  u.button(QStringLiteral("修改索引"));
  u.clickItem(d.designer()->indexPanel()->findChild<QListWidget*>(QStringLiteral("keyFields")),
              QStringLiteral("NAME"));
  u.button(QStringLiteral("<<"));
  u.button(QStringLiteral(" 确认"));
  EXPECT_EQ(d.designer()->indexList()->count(), 0);
  EXPECT_FALSE(exists("dup.dbf"));
}

TEST_F(NewTableTest, TheRowMenuInsertsAddsAndDeletesRowsKeepingTheirNumbers) {
  d.newTable("rows.dbf");
  d.field(0, QStringLiteral("A"), "字符");
  d.field(1, QStringLiteral("C"), "逻辑");
  u.cellMenu(d.grid(), 1, 3, QStringLiteral("插入行"));
  d.field(1, QStringLiteral("B"), "实数");
  EXPECT_EQ(d.grid()->names(), (QStringList{"A", "B", "C"}));
  EXPECT_EQ(d.grid()->item(2, 0)->text(), QStringLiteral("3"));
  // The width of a real number takes no typing.
  EXPECT_FALSE(d.grid()->item(1, 3)->flags() & Qt::ItemIsEditable);
  u.cellMenu(d.grid(), 0, 1, QStringLiteral("删除行"));
  EXPECT_EQ(d.grid()->names(), (QStringList{"B", "C"}));
  EXPECT_EQ(d.grid()->item(0, 0)->text(), QStringLiteral("1"));
  u.cellMenu(d.grid(), 0, 4, QStringLiteral("删除行"));
  u.cellMenu(d.grid(), 0, 4, QStringLiteral("删除行"));
  // The only row left is emptied, not removed.
  ASSERT_EQ(d.grid()->rowCount(), 1);
  EXPECT_EQ(d.grid()->rows()[0].type, FT::ftUnknown);
  EXPECT_TRUE(d.grid()->item(0, 1)->text().isEmpty());
  u.button(QStringLiteral("取消"));
  EXPECT_FALSE(d.designer()->isVisible());
  EXPECT_FALSE(exists("rows.dbf"));
}

}  // namespace
}  // namespace torvanel
