// The table chooser: databases and tables offered, the preview growing the dialog, the file
// dialog's extension check, and the one action each mode runs on a choice.

#include "app/shell/table_chooser.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QGroupBox>
#include <QTableView>

#include "engine/session.h"
#include "tests/engine/table_fixture.h"
#include "tests/support/scripted_dialogs.h"

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

TEST(TableChooser, AnAliasTableIsPreviewedAndConfirmed) {
  test::ScriptedDialogs d;
  Shop shop;
  TForm01 chooser(nullptr);
  Chosen opened;
  chooser.setAction('n', record(opened));
  QComboBox* databases = chooser.databaseList();
  ASSERT_EQ(databases->count(), 3);
  EXPECT_EQ(databases->itemText(0), QStringLiteral("标准数据表"));
  EXPECT_EQ(databases->itemText(1), QStringLiteral("SHOP"));

  chooser.chooseFor("dk");
  EXPECT_EQ(chooser.windowTitle(), QStringLiteral("打开数据表"));
  EXPECT_FALSE(chooser.tableGroup()->isVisible());
  EXPECT_EQ(chooser.height(), TForm01::kCollapsedHeight);
  databases->setCurrentIndex(1);
  chooser.chooseDatabase();
  EXPECT_TRUE(chooser.tableGroup()->isVisible());
  ASSERT_EQ(chooser.tableList()->count(), 2);
  EXPECT_FALSE(chooser.tableList()->isEditable());
  EXPECT_EQ(chooser.tableList()->currentText(), QStringLiteral("goods.dbf"));
  // The first table is previewed: the dialog grows and the grid shows its rows.
  EXPECT_EQ(chooser.height(), TForm01::kFullHeight);
  EXPECT_EQ(chooser.previewGrid()->model()->rowCount(), 12);
  chooser.tableList()->setCurrentIndex(1);
  EXPECT_EQ(chooser.previewGrid()->model()->rowCount(), 3);

  chooser.confirm();
  EXPECT_FALSE(chooser.isVisible());
  EXPECT_EQ(chooser.height(), TForm01::kCollapsedHeight);
  EXPECT_EQ(opened.calls, 1);
  EXPECT_EQ(opened.ref.text(), QStringLiteral("[SHOP]more.dbf"));
  EXPECT_EQ(TableRef::parse(QStringLiteral("[SHOP]more.dbf")).table, QStringLiteral("more.dbf"));

  // Cancelling, or an alias without tables confirmed empty, runs nothing.
  chooser.chooseFor("dk");
  databases->setCurrentIndex(1);
  chooser.chooseDatabase();
  chooser.cancel();
  databases->setCurrentIndex(2);
  chooser.chooseFor("dk");
  chooser.chooseDatabase();
  EXPECT_EQ(chooser.tableList()->count(), 0);
  EXPECT_EQ(chooser.height(), TForm01::kCollapsedHeight);
  chooser.confirm();
  EXPECT_EQ(opened.calls, 1);
  EXPECT_TRUE(d.messages.isEmpty());
}

TEST(TableChooser, AFileOutsideTheAliasesMustBeATable) {
  test::ScriptedDialogs d;
  Shop shop;
  TForm01 chooser(nullptr);
  Chosen opened;
  chooser.setAction('n', record(opened));
  chooser.chooseFor("dk");
  chooser.databaseList()->setCurrentIndex(0);
  d.fileAnswers = {QString::fromStdString(shop.dir.file("notes.doc")),
                   QString::fromStdString(shop.dir.file("GOODS.DBF"))};
  chooser.chooseDatabase();
  EXPECT_EQ(d.messages, QStringList{QStringLiteral("文件扩展名错误,请重新输入!")});
  ASSERT_EQ(opened.calls, 1);
  EXPECT_EQ(opened.ref.database, QString::fromStdString(shop.dir.path()));
  EXPECT_EQ(opened.ref.table, QStringLiteral("GOODS.DBF"));
  ASSERT_GE(d.shown.size(), 1);
  EXPECT_TRUE(d.shown[0].startsWith(QStringLiteral("open: "))) << d.shown[0].toStdString();
  EXPECT_TRUE(d.shown[0].contains(QStringLiteral("标准数据表"))) << d.shown[0].toStdString();

  // The file under the dialog's cursor is previewed as it moves: one that is no table collapses
  // the chooser, a table grows it. A cancelled dialog ends with nothing chosen.
  d.fileAnswers = {std::nullopt};
  d.fileCursors = {{QString::fromStdString(shop.dir.file("goods.dbf")),
                    QString::fromStdString(shop.dir.file("nothing.dbf"))}};
  chooser.chooseFor("dk");
  chooser.databaseList()->setCurrentIndex(0);
  chooser.chooseDatabase();
  EXPECT_EQ(chooser.height(), TForm01::kCollapsedHeight);
  d.fileAnswers = {std::nullopt};
  d.fileCursors = {{QString::fromStdString(shop.dir.file("nothing.dbf")),
                    QString::fromStdString(shop.dir.file("goods.dbf"))}};
  chooser.chooseDatabase();
  EXPECT_EQ(chooser.height(), TForm01::kFullHeight);
  EXPECT_EQ(chooser.previewGrid()->model()->rowCount(), 12);
  EXPECT_EQ(opened.calls, 1);
}

TEST(TableChooser, ANewTableMustNotExist) {
  test::ScriptedDialogs d;
  Shop shop;
  TForm01 chooser(nullptr);
  Chosen created;
  chooser.setAction('y', record(created));
  chooser.chooseFor("xj");
  EXPECT_EQ(chooser.windowTitle(), QStringLiteral("新建数据表"));
  chooser.databaseList()->setCurrentIndex(1);
  chooser.chooseDatabase();
  EXPECT_TRUE(chooser.tableList()->isEditable());  // an output mode: a new name may be typed
  EXPECT_TRUE(chooser.tableList()->currentText().isEmpty());
  chooser.tableList()->setEditText(QStringLiteral("goods.dbf"));
  chooser.confirm();
  EXPECT_EQ(d.messages, QStringList{QStringLiteral("数据表[SHOP]goods.dbf已经存在,请退出.")});
  EXPECT_EQ(created.calls, 0);

  chooser.chooseFor("xj");
  chooser.chooseDatabase();
  chooser.tableList()->setEditText(QStringLiteral("new.dbf"));
  chooser.confirm();
  EXPECT_EQ(created.calls, 1);
  EXPECT_EQ(created.ref.text(), QStringLiteral("[SHOP]new.dbf"));
}

}  // namespace
}  // namespace torvanel
