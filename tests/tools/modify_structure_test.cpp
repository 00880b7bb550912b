// "修改表结构" on a table window, as a user does it: the checks before the designer opens, the
// structure changed in the grid, "确认" and the questions answered; the table read back from its
// files with a cursor of its own.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QTimer>
#include <set>

#include "app/tools/field_grid.h"
#include "app/tools/structure_designer.h"
#include "engine/table.h"
#include "tests/engine/table_fixture.h"
#include "tests/tools/designer_user.h"

namespace torvanel {
namespace {

using FT = tdb::FieldType;

const QString kQuestion = QStringLiteral("修改结构可能部分数据会丢失,继续吗?");

QByteArray bytesOf(const std::string& file) {
  QFile f(QString::fromStdString(file));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct ModifyTest : ::testing::Test {
  test::Workbench w;
  test::DesignerUser d{w};
  test::User& u = w.user;

  QString caption(const char* table, const char* order) const {
    return QStringLiteral("数据表:[") + QString::fromStdString(w.data.path()) +
           QStringLiteral("]") + QString::fromUtf8(table) + QStringLiteral("(") +
           QString::fromUtf8(order) + QStringLiteral(")");
  }
  // p.dbf: NAME and CITY, C(8), two people; PRICE N(10,2) and QTY N(8,0) added when `numbers`.
  void people() { w.makePeople("p.dbf", {"张三/北京", "李四/上海"}); }
};

TEST_F(ModifyTest, ARenamedFieldKeepsItsValuesAndANewFieldAndIndexArriveInAChineseNamedTable) {
  w.makePeople("客户.dbf", {"张三/北京", "李四/上海"});
  w.open("客户.dbf");
  w.dialogs.confirmAnswers = {Answer::Yes};
  d.modify([&] {
    EXPECT_TRUE(d.designer()->isModal());
    EXPECT_EQ(d.designer()->windowTitle(), QStringLiteral("修改表结构:[") +
                                               QString::fromStdString(w.data.path()) +
                                               QStringLiteral("]客户.dbf"));
    EXPECT_EQ(d.grid()->names(), (QStringList{"NAME", "CITY"}));
    d.typeInto(0, 1, QStringLiteral("FULLNAME"));
    d.field(2, QStringLiteral("AGE"), "短整数(4位以下)");
    d.defineIndex(QStringLiteral("BYCITY"), {QStringLiteral("CITY")});
    u.button(QStringLiteral("确认"));
  });
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('|').toStdString();
  EXPECT_EQ(w.dialogs.shown.filter(kQuestion).size(), 1);
  EXPECT_FALSE(d.designer()->isVisible());

  tdb::Table t;
  tdb::test::point(t, w.data, "客户.dbf");
  t.open();
  ASSERT_EQ(t.fieldDefs().count(), 3);
  EXPECT_EQ(t.fieldDefs()[0].name, "FULLNAME");
  EXPECT_EQ(t.fieldDefs()[2].name, "AGE");
  ASSERT_EQ(t.indexDefs().count(), 1);
  EXPECT_EQ(t.indexDefs()[0].name, "BYCITY");
  EXPECT_EQ(w.stored("客户.dbf", "FULLNAME"), tdb::test::gbk("张三 李四 "));
  EXPECT_EQ(w.stored("客户.dbf", "CITY"), tdb::test::gbk("北京 上海 "));
  // The backup holds the old table.
  EXPECT_EQ(w.stored("修改结构备份.dbf", "NAME"), tdb::test::gbk("张三 李四 "));
  // The window shows the new structure in the first index's order.
  EXPECT_EQ(w.table().fieldCount(), 3);
  EXPECT_EQ(w.user.window()->windowTitle(), caption("客户.dbf", "CITY"));
  EXPECT_EQ(w.listEntries(), QStringList{QStringLiteral("<0> ") + caption("客户.dbf", "CITY")});
}

TEST_F(ModifyTest, RecordsAreCarriedInTheOrderTheWindowShows) {
  w.makePeople("o.dbf", {"bob/oslo", "ann/rome", "cy/nice"}, "BYNAME");
  w.open("o.dbf");  // ordered by BYNAME
  u.menu(QStringLiteral("进入编辑状态"));
  w.dialogs.confirmAnswers = {Answer::Yes};
  d.modify([&] {
    d.field(2, QStringLiteral("AGE"), "短整数(4位以下)");
    u.button(QStringLiteral("确认"));
  });
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('|').toStdString();
  EXPECT_EQ(w.stored("o.dbf"), "ann bob cy ");  // read in the file's own order
  EXPECT_EQ(w.table().fieldCount(), 3);
}

TEST_F(ModifyTest, UntouchedRowsKeepTheirExactDefinitionsAndValues) {
  w.makeTable("n.dbf", {{"PRICE", FT::ftFloat, 10, 2, false}, {"QTY", FT::ftInteger, 8, 0, false}});
  tdb::test::addRecord(
      w.data, "n.dbf",
      {{"PRICE", tdb::Value::number(1979.75)}, {"QTY", tdb::Value::integer(12345678)}});
  w.open("n.dbf");
  u.menu(QStringLiteral("单记录模式显示"));
  w.dialogs.confirmAnswers = {Answer::Yes};
  d.modify([&] {
    EXPECT_EQ(d.grid()->item(1, 2)->text(), QStringLiteral("其他"));
    d.field(2, QStringLiteral("NOTE"), "字符");
    u.button(QStringLiteral("确认"));
  });
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('|').toStdString();
  // Back in the page view, which shows the new field.
  EXPECT_EQ(u.window()->viewMode(), 1);
  EXPECT_NE(u.field(QStringLiteral("NOTE")), nullptr);
  tdb::Table t;
  tdb::test::point(t, w.data, "n.dbf");
  t.open();
  ASSERT_EQ(t.fieldDefs().count(), 3);
  EXPECT_EQ(t.fieldDefs()[0].size, 10);
  EXPECT_EQ(t.fieldDefs()[0].precision, 2);
  EXPECT_EQ(t.fieldDefs()[1].type, FT::ftInteger);
  EXPECT_EQ(t.fieldDefs()[1].size, 8);
  EXPECT_EQ(t.fieldByName("PRICE").asNumber(), 1979.75);
  EXPECT_EQ(t.fieldByName("QTY").asNumber(), 12345678);
}

TEST_F(ModifyTest, NoAtEitherQuestionLeavesTheTableAsItWas) {
  people();
  const QByteArray before = bytesOf(w.data.file("p.dbf"));
  w.open("p.dbf");
  // "否" to the first question: the designer stays with the edits.
  w.dialogs.confirmAnswers = {Answer::No, Answer::Yes, Answer::No};
  d.modify([&] {
    d.typeInto(0, 1, QStringLiteral("FULLNAME"));
    u.button(QStringLiteral("确认"));
    EXPECT_TRUE(d.designer()->isVisible());
    EXPECT_EQ(d.grid()->names(), (QStringList{"FULLNAME", "CITY"}));
    // A date cannot hold a city: the second question says so, and "否" gives up.
    u.cellMenu(d.grid(), 1, 2, QStringLiteral("日期"));
    u.button(QStringLiteral("确认"));
    EXPECT_TRUE(d.designer()->isVisible());
    u.button(QStringLiteral("取消"));
  });
  ASSERT_EQ(w.dialogs.shown.filter(QStringLiteral("confirm")).size(), 3);
  EXPECT_TRUE(w.dialogs.shown[2].contains(QStringLiteral("2个值")))
      << w.dialogs.shown[2].toStdString();
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('|').toStdString();
  EXPECT_EQ(bytesOf(w.data.file("p.dbf")), before);
  EXPECT_EQ(w.table().fieldCount(), 2);
  EXPECT_EQ(w.stored("p.dbf", "NAME"), tdb::test::gbk("张三 李四 "));
}

TEST_F(ModifyTest, AFoxProTableStaysFoxProWhateverTheDefault) {
  {
    tdb::Table t;
    tdb::test::point(t, w.data, "f.dbf", tdb::TableType::ttFoxPro);
    t.fieldDefs().add("NAME", FT::ftString, 8);
    t.fieldDefs().add("NOTE", FT::ftMemo);
    t.createTable();
  }
  tdb::test::addRecord(w.data, "f.dbf", {{"NOTE", tdb::Value::text("memo text")}},
                       tdb::TableType::ttFoxPro);
  const char flavour = bytesOf(w.data.file("f.dbf")).at(0);
  w.open("f.dbf");  // the default type is dBASE
  w.dialogs.confirmAnswers = {Answer::Yes};
  d.modify([&] {
    d.field(2, QStringLiteral("DAY"), "日期");
    u.button(QStringLiteral("确认"));
  });
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('|').toStdString();
  EXPECT_EQ(bytesOf(w.data.file("f.dbf")).at(0), flavour);
  EXPECT_TRUE(QFile::exists(QString::fromStdString(w.data.file("f.fpt"))));
  EXPECT_FALSE(QFile::exists(QString::fromStdString(w.data.file("f.dbt"))));
  EXPECT_EQ(w.stored("f.dbf", "NOTE"), "memo text ");
}

TEST_F(ModifyTest, AStructureTheFormatRefusesChangesNothing) {
  people();
  const QByteArray before = bytesOf(w.data.file("p.dbf"));
  w.open("p.dbf");
  d.modify([&] {
    d.typeInto(0, 1, QStringLiteral("ABCDEFGHIJK"));  // 11 bytes
    u.button(QStringLiteral("确认"));
    u.button(QStringLiteral("取消"));
  });
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(
      w.dialogs.messages[0].startsWith(QStringLiteral("字段类型或索引可能不适合此表,请修改!\n")));
  EXPECT_TRUE(w.dialogs.shown.filter(kQuestion).isEmpty());
  EXPECT_EQ(bytesOf(w.data.file("p.dbf")), before);
}

TEST_F(ModifyTest, ARecordTheNewStructureRefusesLeavesTheTableAsItWasAndOpen) {
  w.makePeople("p.db", {"张三/北京", "李四/北京"});
  const QByteArray before = bytesOf(w.data.file("p.db"));
  w.open("p.db");
  w.dialogs.confirmAnswers = {Answer::Yes};
  d.modify([&] {
    d.defineIndex(QStringLiteral("BYCITY"), {QStringLiteral("CITY")}, {QStringLiteral("唯一值")});
    u.button(QStringLiteral("确认"));
    EXPECT_TRUE(d.designer()->isVisible());
    u.button(QStringLiteral("取消"));
  });
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(w.dialogs.messages[0].startsWith(
      QStringLiteral("因索引或字段赋值问题引起错误,不能完成此次操作!\n")))
      << w.dialogs.messages[0].toStdString();
  EXPECT_EQ(bytesOf(w.data.file("p.db")), before);
  // The window has its table back, and the backup stays.
  EXPECT_TRUE(w.table().active());
  EXPECT_EQ(w.table().recordCount(), 2);
  EXPECT_EQ(w.stored("修改结构备份.db", "NAME"), tdb::test::gbk("张三 李四 "));
}

TEST_F(ModifyTest, AnotherHolderOfTheTableStopsTheRebuild) {
  people();
  const QByteArray before = bytesOf(w.data.file("p.dbf"));
  w.open("p.dbf");
  tdb::Table other;
  tdb::test::point(other, w.data, "p.dbf");
  other.open();
  w.dialogs.confirmAnswers = {Answer::Yes};
  d.modify([&] {
    d.field(2, QStringLiteral("AGE"), "短整数(4位以下)");
    u.button(QStringLiteral("确认"));
    u.button(QStringLiteral("取消"));
  });
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(w.dialogs.messages[0].startsWith(
      QStringLiteral("可能在其他地方已打开此数据表或其他原因,不能完成此次操作!")))
      << w.dialogs.messages[0].toStdString();
  other.close();
  EXPECT_EQ(bytesOf(w.data.file("p.dbf")), before);
  EXPECT_TRUE(w.table().active());
  EXPECT_EQ(w.table().fieldCount(), 2);
}

TEST_F(ModifyTest, TheProgressBarMovesWhileTheRecordsAreCarried) {
  w.sample(5000);
  std::set<int> seen;  // the bar's values while it was shown, sampled as it paints
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (d.designer()->progressBar()->isVisible()) seen.insert(d.designer()->progressBar()->value());
  });
  watch.start(0);
  w.dialogs.confirmAnswers = {Answer::Yes};
  d.modify([&] {
    d.typeInto(0, 1, QStringLiteral("TITLE"));
    u.button(QStringLiteral("确认"));
  });
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('|').toStdString();
  EXPECT_GE(seen.size(), 3u);
  EXPECT_FALSE(d.designer()->progressBar()->isVisible());
  EXPECT_EQ(w.table().recordCount(), 5000);
}

TEST_F(ModifyTest, ATableOpenTwiceOrFilteredIsNotRestructured) {
  people();
  w.open("p.dbf");
  w.open("p.dbf");
  u.menu(QStringLiteral("修改表结构"));
  EXPECT_EQ(w.dialogs.messages,
            QStringList{QStringLiteral("数据表:[") + QString::fromStdString(w.data.path()) +
                        QStringLiteral("]p.dbf\n已在第[0]窗口打开,请关闭后再修改结构!")});
  u.menu(QStringLiteral("关闭当前(表)项目"));
  w.query(QStringLiteral("NAME='张三'"));
  u.menu(QStringLiteral("修改表结构"));
  ASSERT_EQ(w.dialogs.messages.size(), 2);
  EXPECT_EQ(w.dialogs.messages[1], QStringLiteral("请退出查询再修改数据表结构!"));
  EXPECT_FALSE(d.designer()->isVisible());
}

TEST_F(ModifyTest, BufferedChangesTheUserDoesNotSaveAreDroppedAndNotCarriedOver) {
  people();
  u.menu(QStringLiteral("使用内存缓冲"));
  w.open("p.dbf");
  w.typeInto("NAME", QStringLiteral("王五"));
  u.windowButton(QStringLiteral("后一记录"));  // into the buffer
  w.dialogs.confirmAnswers = {Answer::No};
  d.modify([&] { u.button(QStringLiteral("取消")); });
  EXPECT_TRUE(w.dialogs.shown[0].contains(QStringLiteral("修改数据存盘吗？")));
  // "否" gave the change up, whether or not the structure is changed after all.
  EXPECT_FALSE(w.table().updatesPending());

  w.dialogs.confirmAnswers = {Answer::Yes};
  d.modify([&] {
    d.field(2, QStringLiteral("AGE"), "短整数(4位以下)");
    u.button(QStringLiteral("确认"));
  });
  EXPECT_EQ(w.stored("p.dbf", "NAME"), tdb::test::gbk("张三 李四 "));
  EXPECT_EQ(w.table().fieldCount(), 3);
}

TEST_F(ModifyTest, ARecordStillInHandIsSavedWhenTheUserSaysSo) {
  people();
  u.menu(QStringLiteral("使用内存缓冲"));
  w.open("p.dbf");
  w.typeInto("NAME", QStringLiteral("王五"));  // in hand, not yet in the buffer
  w.dialogs.confirmAnswers = {Answer::Yes, Answer::Yes};
  d.modify([&] {
    d.field(2, QStringLiteral("AGE"), "短整数(4位以下)");
    u.button(QStringLiteral("确认"));
  });
  ASSERT_FALSE(w.dialogs.shown.isEmpty());
  EXPECT_TRUE(w.dialogs.shown[0].contains(QStringLiteral("修改数据存盘吗？")));
  EXPECT_EQ(w.stored("p.dbf", "NAME"), tdb::test::gbk("王五 李四 "));
}

TEST_F(ModifyTest, ABufferedWindowWhoseTableLosesItsKeyShowsItUnbuffered) {
  w.makePeople("k.db", {"ann/rome", "bob/oslo"}, "", tdb::ixPrimary);
  u.menu(QStringLiteral("使用内存缓冲"));
  w.open("k.db");
  w.dialogs.confirmAnswers = {Answer::Yes};
  d.modify([&] {
    u.clickItem(d.designer()->indexList(), QStringLiteral("PRIMINDEX"));
    u.button(QStringLiteral("修改索引"));
    u.clickItem(d.designer()->findChild<QListWidget*>(QStringLiteral("keyFields")),
                QStringLiteral("NAME"));
    u.button(QStringLiteral("<<"));
    u.button(QStringLiteral(" 确认"));
    u.button(QStringLiteral("确认"));
  });
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(w.dialogs.messages[0].endsWith(QStringLiteral("没有索引不能建立缓冲!")))
      << w.dialogs.messages[0].toStdString();
  ASSERT_TRUE(w.table().active());
  EXPECT_FALSE(w.table().cachedUpdates());
  EXPECT_EQ(w.table().recordCount(), 2);
  EXPECT_EQ(u.window()->statusPanel(1)->text(), QStringLiteral("未用缓冲"));
}

TEST_F(ModifyTest, ASaveThatFailsStopsBeforeTheDesigner) {
  w.makePeople("u.dbf", {"ann/rome", "bob/oslo"}, "BYNAME", tdb::ixUnique);
  w.open("u.dbf");
  w.typeInto("NAME", QStringLiteral("bob"));
  u.menu(QStringLiteral("修改表结构"));
  EXPECT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_FALSE(d.designer()->isVisible());
  EXPECT_EQ(w.stored("u.dbf"), "ann bob ");
}

}  // namespace
}  // namespace torvanel
