// "替换字段内容" rewrites every record shown once, whatever the rewrite does to the window's
// order; "字段数据求和" refuses a logical field.

#include <gtest/gtest.h>
#include <QLineEdit>

#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using test::Workbench;

// Runs "替换字段内容" on `field` with `value`, from the menu as a user does.
void replace(Workbench& w, const QString& field, const QString& value) {
  test::User& u = w.user;
  u.menu(QStringLiteral("替换字段内容"));
  u.clickItem(field);
  u.clickInto(u.inGroup(QStringLiteral("输入替换内容:")));
  u.press(Qt::Key_A, Qt::ControlModifier);
  u.type(value);
  u.button(QStringLiteral("替换"));
}

TEST(ReplaceAndSum, ReplacingTheFieldTheWindowIsOrderedByReachesEveryRecord) {
  Workbench w;
  w.makePeople("o.dbf", {"d/1", "b/2", "a/3", "c/4"}, "BYNAME");
  w.open("o.dbf");
  w.user.menu(QStringLiteral("进入编辑状态"));
  replace(w, QStringLiteral("NAME"), QStringLiteral("m"));
  EXPECT_EQ(w.stored("o.dbf"), "m m m m ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(ReplaceAndSum, AKeyedParadoxTableWhoseRecordsMoveIsRewrittenWhole) {
  Workbench w;
  {
    tdb::Table t;
    tdb::test::point(t, w.data, "k.db");
    t.fieldDefs().add("A", tdb::FieldType::ftInteger);
    t.fieldDefs().add("NAME", tdb::FieldType::ftString, 8);
    t.indexDefs().add({"", "A;NAME", "", tdb::ixPrimary});
    t.createTable();
  }
  for (int i = 1; i <= 4; ++i)
    tdb::test::addRecord(w.data, "k.db",
                         {{"A", tdb::Value::integer(i < 4 ? i : 8)},
                          {"NAME", tdb::Value::text("n" + std::to_string(i))}});
  w.open("k.db");
  w.user.menu(QStringLiteral("进入编辑状态"));
  // Each rewritten record moves on in the key order, past records still to come but before the
  // last, and the records between move up.
  replace(w, QStringLiteral("A"), QStringLiteral("5"));
  EXPECT_EQ(w.stored("k.db", "A"), "5 5 5 5 ");
  EXPECT_EQ(w.stored("k.db"), "n1 n2 n3 n4 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
}

TEST(ReplaceAndSum, ALogicalFieldCannotBeSummed) {
  Workbench w;
  test::User& u = w.openSample("s.dbf", 3);
  u.menu(QStringLiteral("字段数据求和"));
  u.clickItem(QStringLiteral("OK"));
  u.button(QStringLiteral("求和"));
  EXPECT_EQ(w.dialogs.messages, QStringList(QStringLiteral("字段[OK]类型不能求和!")));
  auto* sum = qobject_cast<QLineEdit*>(u.inGroup(QStringLiteral("字段统计和为:")));
  ASSERT_NE(sum, nullptr);
  EXPECT_EQ(sum->text(), QStringLiteral("0"));

  // A number field still adds up.
  u.clickItem(QStringLiteral("QTY"));
  u.button(QStringLiteral("求和"));
  EXPECT_EQ(sum->text(), QStringLiteral("6"));
  EXPECT_EQ(w.dialogs.messages.size(), 1);
}

}  // namespace
}  // namespace torvanel
