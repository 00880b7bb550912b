// Opening a project into a window from "打开项目": its pages and columns, the pick lists, the
// auxiliary tables below with each failure on its page caption or in a message, and the checks
// that see a project window's tables.

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QTabWidget>
#include <QTableView>

#include "app/projects/project_panel.h"
#include "app/ui/table_model.h"
#include "app/windows/table_window.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/project_shop.h"

namespace torvanel {
namespace {

using test::Shop;
using test::Workbench;

QStringList tabTexts(const QTabWidget* pages) {
  QStringList out;
  for (int i = 0; i < pages->count(); ++i) out << pages->tabText(i);
  return out;
}

QStringList headerTexts(const QTableView* grid) {
  QStringList out;
  for (int c = 0; c < grid->model()->columnCount(); ++c)
    out << grid->model()->headerData(c, Qt::Horizontal).toString();
  return out;
}

TEST(ProjectWindow, OpensWithItsPagesRedTitlesPickListsAndTheLookupTableBelow) {
  Workbench w;
  Shop shop(w);
  shop.order("A1", 3);
  shop.open();
  ASSERT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join(u'\n').toStdString();
  ASSERT_EQ(w.engine->registry().inUse(), std::vector<int>{0});
  TForm11& win = w.window(0);
  EXPECT_EQ(w.slot(0).kind, 'm');
  EXPECT_EQ(win.windowTitle(),
            QStringLiteral("项目:进货[") + shop.db() + QStringLiteral("]orders.dbf()"));
  EXPECT_EQ(w.listEntries(), QStringList{QStringLiteral("<0> ") + win.windowTitle()});
  EXPECT_EQ(tabTexts(win.upperPages()),
            (QStringList{QStringLiteral("录入"), QStringLiteral("全部")}));

  QTableView* entry = w.slot(0).pagegrids[0];
  EXPECT_EQ(headerTexts(entry), (QStringList{QStringLiteral("编码"), QStringLiteral("数量"),
                                             QStringLiteral("单价"), QStringLiteral("金额")}));
  EXPECT_EQ(entry->model()->headerData(0, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(),
            QColor(Qt::red));
  // A page without fields shows every field under its own name.
  EXPECT_EQ(headerTexts(w.slot(0).pagegrids[1]),
            (QStringList{"CODE", "QTY", "PRICE", "AMOUNT", "NOTE"}));
  // The codes in the goods' own order (by CODE, as bytes), the table left on its first record.
  const auto* model = static_cast<TableModel*>(entry->model());
  EXPECT_EQ(model->columns()[0].pickList, (QStringList{"A1", "B3", "C4", "b2"}));
  EXPECT_TRUE(model->columns()[1].pickList.isEmpty());

  ASSERT_NE(win.lowerPages(), nullptr);
  EXPECT_EQ(tabTexts(win.lowerPages()), QStringList{QStringLiteral("goods.dbf(CODE)")});
  EXPECT_TRUE(win.lowerPages()->isVisible());
  EXPECT_GT(win.upperPages()->height(), 2 * win.lowerPages()->height());
  tdb::Table& goods = *w.slot(0).auxtables[0];
  EXPECT_EQ(goods.fieldByName("CODE").asString(), "A1");

  // The column's drop-down offers the list while a cell is edited.
  w.user.menu(QStringLiteral("进入编辑状态"));
  w.user.doubleClickCell(0, 0);
  auto* drop = qobject_cast<QComboBox*>(QApplication::focusWidget());
  ASSERT_NE(drop, nullptr);
  EXPECT_EQ(drop->count(), 4);
  w.user.press(Qt::Key_Escape);

  // A project window is open: the project settings are refused.
  w.user.menu(QStringLiteral("项目设置(&M)"));
  EXPECT_EQ(w.dialogs.messages,
            QStringList{QStringLiteral("请先关闭已打开的项目，然后再进行项目设置!")});
  EXPECT_FALSE(w.main.projectPanel()->isVisible());
}

TEST(ProjectWindow, AuxiliaryTablesThatFailAreToldOnTheirPagesOrByMessageAndTheWindowOpens) {
  Workbench w;
  Shop shop(w);
  const QString db = shop.db();
  shop.project.auxiliaries = {
      // shown: missing tables, a lookup index the goods lack, a link the goods' index cannot serve
      {db, "none1.dbf", kLookupRelation, "CODE->CODE", kShown, {}},
      {db, "none2.dbf", kIndexRelation, "CODE->CODE", kShown, {}},
      {db, "goods.dbf", kLookupRelation, "CODE->CODE", kShown, "NOSUCH"},
      {db, "goods.dbf", kIndexRelation, "NOSUCH->CODE", kShown, {}},
      // hidden: the same failures come as messages
      {db, "none3.dbf", kLookupRelation, "CODE->CODE", kNotShown, {}},
      {db, "none4.dbf", kIndexRelation, "CODE->CODE", kNotShown, {}},
      {db, "goods.dbf", kLookupRelation, "CODE->CODE", kNotShown, "NOSUCH"},
      {db, "goods.dbf", kIndexRelation, "NOSUCH->CODE", kNotShown, {}},
      // hidden with a good lookup index: no message at all
      {db, "goods.dbf", kLookupRelation, "CODE->CODE", kNotShown, "CODE"},
  };
  shop.project.pages[0].rows << PageColumn{QStringLiteral("GONE"), QStringLiteral("无"), {}};
  shop.open();
  const QString aux = QStringLiteral("辅助数据表[") + db + QStringLiteral("]");
  EXPECT_EQ(w.dialogs.messages,
            (QStringList{aux + QStringLiteral("none3.dbf为非法数据表!"),
                         aux + QStringLiteral("none4.dbf为非法数据表![索引]关系错误!"),
                         aux + QStringLiteral("goods.dbf的索引NOSUCH错误"),
                         aux + QStringLiteral("goods.dbf[索引]关系错误!"),
                         QStringLiteral("数据表中没有[录入]页面的[GONE]字段!")}));
  ASSERT_EQ(w.engine->registry().inUse().size(), 1u);
  const WindowSlot& s = w.slot(0);
  EXPECT_EQ(tabTexts(s.window->lowerPages()),
            (QStringList{QStringLiteral("none1.dbf非法数据表"),
                         QStringLiteral("none2.dbf非法数据表-[索引]关系错误"),
                         QStringLiteral("goods.dbf(NOSUCH)(索引NOSUCH错误)"),
                         QStringLiteral("goods.dbf[索引]关系错误")}));
  // Tables that stayed closed have no grid; the unlinked one is there to be looked at.
  EXPECT_EQ(s.auxgrids[0], nullptr);
  EXPECT_EQ(s.auxgrids[1], nullptr);
  ASSERT_NE(s.auxgrids[3], nullptr);
  EXPECT_EQ(s.auxgrids[3]->model()->rowCount(), 4);
  EXPECT_EQ(s.auxtables[8]->indexFieldNames(), "CODE");
  // The missing field keeps its column, empty; the record view cannot show it.
  EXPECT_EQ(headerTexts(s.pagegrids[0]).last(), QStringLiteral("无"));
  w.dialogs.messages.clear();
  w.user.menu(QStringLiteral("单记录模式显示"));
  EXPECT_EQ(w.dialogs.messages, QStringList{QStringLiteral("数据表[") + db +
                                            QStringLiteral("]orders.dbf中没有字段[GONE]!")});
  EXPECT_EQ(s.window->viewMode(), 0);
}

TEST(ProjectWindow, HiddenTablesLeaveNoLowerPagesAndAnExpressionKeyIsUsedByName) {
  Workbench w;
  Shop shop(w);
  tdb::test::addIndex(w.data, "goods.dbf", {"UPCODE", "", "UPPER(CODE)", tdb::ixExpression});
  shop.project.auxiliaries = {
      {shop.db(), "goods.dbf", kIndexRelation, "UPPER(CODE)->CODE", kNotShown, {}},
      {shop.db(), "goods.dbf", kIndexRelation, "CODE->CODE", kNotShown, {}}};
  shop.open();
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join(u'\n').toStdString();
  const WindowSlot& s = w.slot(0);
  EXPECT_EQ(s.window->lowerPages(), nullptr);
  EXPECT_EQ(s.auxtables[0]->indexName(), "UPCODE");
  EXPECT_EQ(s.auxtables[1]->indexFieldNames(), "CODE");
  EXPECT_EQ(s.auxtables[1]->masterSource(), &s.window->table());
  // The upper pages fill the window.
  EXPECT_GT(s.window->upperPages()->height(), s.window->height() - 60);
}

TEST(ProjectWindow, AnOpenAuxiliaryTableCountsAsOpenElsewhere) {
  Workbench w;
  Shop shop(w);
  shop.open();
  EXPECT_EQ(w.engine->registry().holding(shop.db(), QStringLiteral("goods.dbf")), 0);
  // Even for the window's own slot, whose main table a restructure skips.
  EXPECT_EQ(w.engine->registry().holding(shop.db(), QStringLiteral("goods.dbf"), 0), 0);
  EXPECT_EQ(w.engine->registry().holding(shop.db(), QStringLiteral("orders.dbf"), 0), -1);
}

}  // namespace
}  // namespace torvanel
