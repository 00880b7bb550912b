// Tables and aliases named in any characters open from the table chooser: file names reach the
// engine as the file system holds them, alias names as the GBK alias file spells them.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QPushButton>
#include <QTableView>

#include "app/shell/table_chooser.h"
#include "engine/session.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

struct ChineseShop {
  tdb::test::TempDir dir;
  ChineseShop() {
    std::filesystem::create_directory(dir.file("资料"));
    tdb::test::makeSample(dir, "资料/客户.dbf", 3);
    tdb::test::makeSample(dir, "资料/naïve 🦊.dbf", 2);
    dir.write("tdbalias.cfg",
              tdb::test::gbk("销售=资料\r\n缺少=没有这个文件夹\r\n文件=资料/客户.dbf\r\n"));
    tdb::Session::setAliasFile(dir.file("tdbalias.cfg"));
  }
  ~ChineseShop() { tdb::Session::setAliasFile(dir.file("none.cfg")); }
};

TEST(TableNames, TablesAndAliasesNamedInAnyCharactersOpenFromTheChooser) {
  ChineseShop shop;
  test::Workbench w;
  test::User& u = w.user;
  TForm01& chooser = *w.main.tableChooser();

  u.toolbar(QStringLiteral("打开数据表"));
  ASSERT_TRUE(chooser.isVisible());
  u.choose(chooser.databaseList(), QStringLiteral("销售"));
  u.click(chooser.chooseButton());
  ASSERT_EQ(chooser.tableList()->count(), 2);
  u.choose(chooser.tableList(), QStringLiteral("客户.dbf"));
  EXPECT_EQ(chooser.previewGrid()->model()->rowCount(), 3);
  u.click(chooser.confirmButton());
  ASSERT_EQ(w.engine->activeSlot(), 0) << w.dialogs.messages.join('\n').toStdString();
  EXPECT_EQ(w.window(0).windowTitle(), QStringLiteral("数据表:[销售]客户.dbf()"));
  EXPECT_EQ(w.slot(0).pagegrids[0]->model()->rowCount(), 3);

  // A file anywhere, named beyond GBK, through the file dialog.
  const QString fox = QString::fromStdString(shop.dir.file("资料/naïve 🦊.dbf"));
  w.dialogs.fileAnswers = {fox};
  u.toolbar(QStringLiteral("打开数据表"));
  u.choose(chooser.databaseList(), TForm01::kFileTables);
  u.click(chooser.chooseButton());
  ASSERT_EQ(w.engine->activeSlot(), 1) << w.dialogs.messages.join('\n').toStdString();
  EXPECT_TRUE(w.window(1).windowTitle().endsWith(QStringLiteral("资料/]naïve 🦊.dbf()")));
  EXPECT_EQ(w.slot(1).pagegrids[0]->model()->rowCount(), 2);
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('\n').toStdString();

  // An alias whose folder is missing, or is a file, says why it lists nothing.
  for (const QString& alias : {QStringLiteral("缺少"), QStringLiteral("文件")}) {
    w.dialogs.messages.clear();
    u.toolbar(QStringLiteral("打开数据表"));
    u.choose(chooser.databaseList(), alias);
    u.click(chooser.chooseButton());
    EXPECT_EQ(chooser.tableList()->count(), 0);
    ASSERT_EQ(w.dialogs.messages.size(), 1) << alias.toStdString();
    EXPECT_TRUE(w.dialogs.messages[0].contains(alias == QStringLiteral("缺少")
                                                   ? QStringLiteral("没有这个文件夹")
                                                   : QStringLiteral("客户.dbf")))
        << w.dialogs.messages[0].toStdString();
  }
}

}  // namespace
}  // namespace torvanel
