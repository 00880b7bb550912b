// Enter in the table chooser's table list confirms the table the list shows, whether picked from
// the list or typed as a new name; it does not run "选择数据表" again.

#include <gtest/gtest.h>
#include <QComboBox>

#include "app/shell/table_chooser.h"
#include "engine/session.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

// An alias SHOP naming a folder with a.dbf and b.dbf; in force before the workbench lists it.
struct Shop {
  tdb::test::TempDir dir;
  Shop() {
    tdb::test::makeSample(dir, "a.dbf", 1);
    tdb::test::makeSample(dir, "b.dbf", 2);
    dir.write("tdbalias.cfg", "SHOP=" + dir.path() + "\r\n");
    tdb::Session::setAliasFile(dir.file("tdbalias.cfg"));
  }
  ~Shop() { tdb::Session::setAliasFile(dir.file("none.cfg")); }
};

// Shows the chooser from the toolbar button `hint` and lists the tables of SHOP.
void listShop(test::User& u, const QString& hint) {
  u.toolbar(hint);
  u.choose(qobject_cast<QComboBox*>(u.inGroup(QStringLiteral("请选择链接别名:"))),
           QStringLiteral("SHOP"));
  u.button(QStringLiteral("选择数据表"));
}

TEST(ChooserKeys, EnterConfirmsTheTablePickedOrTyped) {
  Shop shop;
  test::Workbench w;
  test::User& u = w.user;
  listShop(u, QStringLiteral("打开数据表"));
  u.choose(qobject_cast<QComboBox*>(u.inGroup(QStringLiteral("请选择数据表 ："))),
           QStringLiteral("b.dbf"));
  u.press(Qt::Key_Return);
  ASSERT_NE(u.window(), nullptr);
  EXPECT_EQ(u.window()->tableName(), QStringLiteral("b.dbf"));
  EXPECT_FALSE(w.main.tableChooser()->isVisible());

  // A new table's name is typed; an existing one is refused, which shows that it was taken.
  listShop(u, QStringLiteral("新建数据表"));
  u.type(QStringLiteral("a.dbf"));
  u.press(Qt::Key_Return);
  EXPECT_EQ(w.dialogs.messages, QStringList(QStringLiteral("数据表[SHOP]a.dbf已经存在,请退出.")));
  EXPECT_FALSE(w.main.tableChooser()->isVisible());
}

}  // namespace
}  // namespace torvanel
