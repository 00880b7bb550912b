// The table chooser: databases and tables offered, the preview growing the dialog, the file
// dialog's extension check, and the one action each mode runs on a choice.

#include "app/shell/table_chooser.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTableView>

#include "engine/session.h"
#include "tests/engine/table_fixture.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

// A folder with two tables and an alias file naming it SHOP (and EMPTY, a folder without tables).
struct Shop {
  tdb::test::TempDir dir;
  tdb::test::TempDir empty;
  Shop() {
    tdb::test::makeSample(dir, "goods.dbf", 12);
    tdb::test::makeSample(dir, "more.dbf", 3);
    dir.write("tdbalias.cfg", "SHOP=" + dir.path() + "\r\nEMPTY=" + empty.path() + "\r\n");
    tdb::Session::setAliasFile(dir.file("tdbalias.cfg"));
  }
  ~Shop() { tdb::Session::setAliasFile(dir.file("none.cfg")); }
};

struct Chosen {
  int calls = 0;
  TableRef ref;
};

TForm01::Action record(Chosen& c) {
  return [&c](const TableRef& r) {
    ++c.calls;
    c.ref = r;
  };
}

// The main window with its chooser on the SHOP aliases; what the chooser runs on a choice is
// recorded instead of opening or creating the table.
struct ChooserTest : ::testing::Test {
  Shop shop;  // before the main window: the chooser reads the aliases when it is made
  test::Workbench w;
  test::User& u = w.user;
  TForm01& chooser = *w.main.tableChooser();
  Chosen chosen;
  // Shows the chooser from the toolbar button `hint` and picks `database` with "选择数据表".
  void open(const char* hint, const QString& database) {
    u.toolbar(QString::fromUtf8(hint));
    u.choose(chooser.databaseList(), database);
    u.click(chooser.chooseButton());
  }
};

TEST_F(ChooserTest, AnAliasTableIsPreviewedAndConfirmed) {
  chooser.setAction('n', record(chosen));
  QComboBox* databases = chooser.databaseList();
  ASSERT_EQ(databases->count(), 3);
  EXPECT_EQ(databases->itemText(0), QStringLiteral("标准数据表"));
  EXPECT_EQ(databases->itemText(1), QStringLiteral("SHOP"));

  u.toolbar(QStringLiteral("打开数据表"));
  EXPECT_EQ(chooser.windowTitle(), QStringLiteral("打开数据表"));
  EXPECT_FALSE(chooser.tableGroup()->isVisible());
  EXPECT_EQ(chooser.height(), TForm01::kCollapsedHeight);
  u.choose(databases, QStringLiteral("SHOP"));
  u.click(chooser.chooseButton());
  EXPECT_TRUE(chooser.tableGroup()->isVisible());
  ASSERT_EQ(chooser.tableList()->count(), 2);
  EXPECT_FALSE(chooser.tableList()->isEditable());
  EXPECT_EQ(chooser.tableList()->currentText(), QStringLiteral("goods.dbf"));
  // The first table is previewed: the dialog grows and the grid shows its rows.
  EXPECT_EQ(chooser.height(), TForm01::kFullHeight);
  EXPECT_EQ(chooser.previewGrid()->model()->rowCount(), 12);
  u.choose(chooser.tableList(), QStringLiteral("more.dbf"));
  EXPECT_EQ(chooser.previewGrid()->model()->rowCount(), 3);

  u.click(chooser.confirmButton());
  EXPECT_FALSE(chooser.isVisible());
  EXPECT_EQ(chooser.height(), TForm01::kCollapsedHeight);
  EXPECT_EQ(chosen.calls, 1);
  EXPECT_EQ(chosen.ref.text(), QStringLiteral("[SHOP]more.dbf"));
  EXPECT_EQ(TableRef::parse(QStringLiteral("[SHOP]more.dbf")).table, QStringLiteral("more.dbf"));

  // Cancelling, or an alias without tables, runs nothing.
  open("打开数据表", QStringLiteral("SHOP"));
  u.click(chooser.cancelButton());
  EXPECT_FALSE(chooser.isVisible());
  open("打开数据表", QStringLiteral("EMPTY"));
  EXPECT_EQ(chooser.tableList()->count(), 0);
  EXPECT_EQ(chooser.height(), TForm01::kCollapsedHeight);
  u.click(chooser.confirmButton());  // an empty list: nothing to confirm
  EXPECT_EQ(chosen.calls, 1);
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST_F(ChooserTest, AFileOutsideTheAliasesMustBeATable) {
  chooser.setAction('n', record(chosen));
  w.dialogs.fileAnswers = {QString::fromStdString(shop.dir.file("notes.doc")),
                           QString::fromStdString(shop.dir.file("GOODS.DBF"))};
  open("打开数据表", TForm01::kFileTables);
  EXPECT_EQ(w.dialogs.messages, QStringList{QStringLiteral("文件扩展名错误,请重新输入!")});
  ASSERT_EQ(chosen.calls, 1);
  EXPECT_EQ(chosen.ref.database, QString::fromStdString(shop.dir.path()));
  EXPECT_EQ(chosen.ref.table, QStringLiteral("GOODS.DBF"));
  ASSERT_GE(w.dialogs.shown.size(), 1);
  EXPECT_TRUE(w.dialogs.shown[0].startsWith(QStringLiteral("open: ")))
      << w.dialogs.shown[0].toStdString();
  EXPECT_TRUE(w.dialogs.shown[0].contains(QStringLiteral("标准数据表")))
      << w.dialogs.shown[0].toStdString();

  // The file under the dialog's cursor is previewed as it moves: one that is no table collapses
  // the chooser, a table grows it. A cancelled dialog ends with nothing chosen.
  w.dialogs.fileAnswers = {std::nullopt};
  w.dialogs.fileCursors = {{QString::fromStdString(shop.dir.file("goods.dbf")),
                            QString::fromStdString(shop.dir.file("nothing.dbf"))}};
  open("打开数据表", TForm01::kFileTables);
  EXPECT_EQ(chooser.height(), TForm01::kCollapsedHeight);
  w.dialogs.fileAnswers = {std::nullopt};
  w.dialogs.fileCursors = {{QString::fromStdString(shop.dir.file("nothing.dbf")),
                            QString::fromStdString(shop.dir.file("goods.dbf"))}};
  u.click(chooser.chooseButton());
  EXPECT_EQ(chooser.height(), TForm01::kFullHeight);
  EXPECT_EQ(chooser.previewGrid()->model()->rowCount(), 12);
  EXPECT_EQ(chosen.calls, 1);
}

TEST_F(ChooserTest, ANewTableMustNotExist) {
  chooser.setAction('y', record(chosen));
  open("新建数据表", QStringLiteral("SHOP"));
  EXPECT_EQ(chooser.windowTitle(), QStringLiteral("新建数据表"));
  EXPECT_TRUE(chooser.tableList()->isEditable());  // an output mode: a new name may be typed
  EXPECT_TRUE(chooser.tableList()->currentText().isEmpty());
  u.replaceText(chooser.tableList(), QStringLiteral("goods.dbf"));
  u.click(chooser.confirmButton());
  EXPECT_EQ(w.dialogs.messages,
            QStringList{QStringLiteral("数据表[SHOP]goods.dbf已经存在,请退出.")});
  EXPECT_EQ(chosen.calls, 0);

  u.toolbar(QStringLiteral("新建数据表"));
  u.click(chooser.chooseButton());
  u.replaceText(chooser.tableList(), QStringLiteral("new.dbf"));
  u.click(chooser.confirmButton());
  EXPECT_EQ(chosen.calls, 1);
  EXPECT_EQ(chosen.ref.text(), QStringLiteral("[SHOP]new.dbf"));
}

}  // namespace
}  // namespace torvanel
