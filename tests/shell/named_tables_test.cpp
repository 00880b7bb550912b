// Tables named on the workbench's command line open after start-up, each in its own window as
// "打开数据表" opens it; one that cannot be opened is refused and the others still open.

#include <gtest/gtest.h>

#include <QDir>
#include <QTableView>
#include <filesystem>

#include "app/shell/named_tables.h"
#include "engine/session.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

// Runs the test in `folder`, as a program started there, and goes back afterwards.
class InFolder {
 public:
  explicit InFolder(const std::string& folder) : old_(QDir::currentPath()) {
    QDir::setCurrent(QString::fromStdString(folder));
  }
  ~InFolder() { QDir::setCurrent(old_); }

 private:
  QString old_;
};

// A folder of tables with an alias on its sub-folder, the current folder of the program.
struct Shop {
  test::Workbench w;
  QString here = QString::fromStdString(w.data.path());
  InFolder in{w.data.path()};
  Shop() {
    std::filesystem::create_directory(w.data.file("资料"));
    tdb::test::makeSample(w.data, "资料/客户 名单.dbf", 3);
    tdb::test::makeSample(w.data, "资料/naïve 🦊.dbf", 2);
    tdb::test::makeSample(w.data, "a:b.dbf", 4);
    w.data.write("tdbalias.cfg", tdb::test::gbk("销售=资料\r\n"));
    tdb::Session::setAliasFile(w.data.file("tdbalias.cfg"));
  }
  ~Shop() { tdb::Session::setAliasFile(w.data.file("none.cfg")); }
  int rows(int slot) { return w.slot(slot).pagegrids[0]->model()->rowCount(); }
};

QString refused(const QString& table) {
  return table + QStringLiteral("不是有效数据表,不能打开!请检查数据表或索引文件.");
}

TEST(NamedTables, EachOpensInOrderAndAMissingOneIsRefusedWithoutStoppingTheRest) {
  Shop shop;
  openNamedTables(shop.w.main, {"资料/客户 名单.dbf", "没有这个表.dbf", "销售:naïve 🦊.dbf"});

  EXPECT_EQ(shop.w.listEntries(),
            QStringList({QStringLiteral("<0> 数据表:[") + shop.here +
                             QStringLiteral("资料/]客户 名单.dbf()"),
                         QStringLiteral("<1> 数据表:[销售]naïve 🦊.dbf()")}));
  EXPECT_EQ(
      shop.w.dialogs.messages,
      QStringList({refused(QStringLiteral("[") + shop.here + QStringLiteral("]没有这个表.dbf"))}));
  EXPECT_EQ(shop.w.engine->activeSlot(), 1);
  EXPECT_EQ(shop.rows(0), 3);
  EXPECT_EQ(shop.rows(1), 2);
  // The windows are the chooser's: the user browses on in the last one.
  shop.w.user.toolbar(QStringLiteral("尾记录"));
  EXPECT_EQ(shop.w.user.grid()->currentIndex().row(), 1);
}

TEST(NamedTables, ArgumentsThatNameNoTableAreRefusedAndAColonInAFileNameIsAFile) {
  Shop shop;
  openNamedTables(shop.w.main, {});
  EXPECT_TRUE(shop.w.listEntries().isEmpty());
  EXPECT_TRUE(shop.w.dialogs.messages.isEmpty());

  openNamedTables(shop.w.main,
                  {"", "资料/", "销售:", "a:b.dbf", "./资料/../资料/naïve 🦊.dbf"});
  EXPECT_EQ(shop.w.dialogs.messages,
            QStringList({refused(QString()), refused(QStringLiteral("资料/")),
                         refused(QStringLiteral("销售:"))}));
  EXPECT_EQ(shop.w.listEntries(),
            QStringList({QStringLiteral("<0> 数据表:[") + shop.here + QStringLiteral("]a:b.dbf()"),
                         QStringLiteral("<1> 数据表:[") + shop.here +
                             QStringLiteral("资料/]naïve 🦊.dbf()")}));
  EXPECT_EQ(shop.rows(0), 4);
}

}  // namespace
}  // namespace torvanel
