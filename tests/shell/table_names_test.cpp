// Tables and aliases named in any characters open from the table chooser: file names reach the
// engine as the file system holds them, alias names as the GBK alias file spells them.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolBar>

#include "app/shell/main_window.h"
#include "app/shell/table_chooser.h"
#include "engine/session.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

void clickToolbar(TForm0& main, Command c) {
  for (QToolBar* bar : main.findChildren<QToolBar*>()) {
    if (QWidget* button = bar->widgetForAction(main.button(c))) {
      QTest::mouseClick(button, Qt::LeftButton);
      return;
    }
  }
  FAIL() << "no toolbar button";
}

// Picks the entry of a drop-down list by stepping down to it, as the arrow keys do.
void pick(QComboBox* list, const QString& text) {
  const int target = list->findText(text);
  ASSERT_GE(target, 0) << text.toStdString();
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Home);
  for (int i = 0; i < target; ++i) QTest::keyClick(list, Qt::Key_Down);
  ASSERT_EQ(list->currentIndex(), target);
}

struct ChineseShop {
  tdb::test::TempDir dir;
  ChineseShop() {
    std::filesystem::create_directory(dir.file("资料"));
    tdb::test::makeSample(dir, "资料/客户.dbf", 3);
    tdb::test::makeSample(dir, "资料/naïve 🦊.dbf", 2);
    dir.write("tdbalias.cfg", tdb::test::gbk("销售=资料\r\n缺少=没有这个文件夹\r\n"));
    tdb::Session::setAliasFile(dir.file("tdbalias.cfg"));
  }
  ~ChineseShop() { tdb::Session::setAliasFile(dir.file("none.cfg")); }
};

TEST(TableNames, TablesAndAliasesNamedInAnyCharactersOpenFromTheChooser) {
  ChineseShop shop;
  test::Workbench w;
  TForm01& chooser = *w.main.tableChooser();

  clickToolbar(w.main, Command::OpenTable);
  ASSERT_TRUE(chooser.isVisible());
  pick(chooser.databaseList(), QStringLiteral("销售"));
  QTest::mouseClick(chooser.chooseButton(), Qt::LeftButton);
  ASSERT_EQ(chooser.tableList()->count(), 2);
  pick(chooser.tableList(), QStringLiteral("客户.dbf"));
  EXPECT_EQ(chooser.previewGrid()->model()->rowCount(), 3);
  QTest::mouseClick(chooser.confirmButton(), Qt::LeftButton);
  ASSERT_EQ(w.engine->activeSlot(), 0) << w.dialogs.messages.join('\n').toStdString();
  EXPECT_EQ(w.window(0).windowTitle(), QStringLiteral("数据表:[销售]客户.dbf()"));
  EXPECT_EQ(w.slot(0).pagegrids[0]->model()->rowCount(), 3);

  // A file anywhere, named beyond GBK, through the file dialog.
  const QString fox = QString::fromStdString(shop.dir.file("资料/naïve 🦊.dbf"));
  w.dialogs.fileAnswers = {fox};
  clickToolbar(w.main, Command::OpenTable);
  pick(chooser.databaseList(), TForm01::kFileTables);
  QTest::mouseClick(chooser.chooseButton(), Qt::LeftButton);
  ASSERT_EQ(w.engine->activeSlot(), 1) << w.dialogs.messages.join('\n').toStdString();
  EXPECT_TRUE(w.window(1).windowTitle().endsWith(QStringLiteral("资料/]naïve 🦊.dbf()")));
  EXPECT_EQ(w.slot(1).pagegrids[0]->model()->rowCount(), 2);
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('\n').toStdString();

  // An alias whose folder is missing says why it lists nothing.
  clickToolbar(w.main, Command::OpenTable);
  pick(chooser.databaseList(), QStringLiteral("缺少"));
  QTest::mouseClick(chooser.chooseButton(), Qt::LeftButton);
  EXPECT_EQ(chooser.tableList()->count(), 0);
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(w.dialogs.messages[0].contains(QStringLiteral("没有这个文件夹")))
      << w.dialogs.messages[0].toStdString();
}

}  // namespace
}  // namespace torvanel
