// The "实用程序" menu's summary, copies and appends, as a user runs them: menu item, panel or
// table chooser, the file dialog answered; the tables written are read back with cursors of
// their own.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "app/shell/table_chooser.h"
#include "app/tools/summary_panel.h"
#include "tests/engine/folder_snapshot.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using tdb::test::FolderSnapshot;
using test::Workbench;

// The table chooser that a utility opened, answered as the user does for a table file anywhere:
// "标准数据表", "选择数据表", and `file` in the file dialog.
void chooseFile(Workbench& w, const std::string& file) {
  TForm01& chooser = *w.main.tableChooser();
  EXPECT_TRUE(chooser.isVisible());
  w.dialogs.fileAnswers.push_back(QString::fromStdString(file));
  w.user.choose(chooser.databaseList(), TForm01::kFileTables);
  w.user.click(chooser.chooseButton());
}

// The menu item `item`, whose table chooser shows `caption`, answered with `file` as above.
void chooseFromMenu(Workbench& w, const char* item, const char* caption, const std::string& file) {
  w.user.menu(QString::fromUtf8(item));
  EXPECT_EQ(w.main.tableChooser()->windowTitle(), QString::fromUtf8(caption));
  chooseFile(w, file);
}

// The 30 sample records, whose DAY runs 1..28 and then 1, 2 again, indexed by DAY, opened in a
// window in that order.
void openDays(Workbench& w) {
  tdb::test::makeSample(w.data, "s.dbf", 30);
  tdb::test::addIndex(w.data, "s.dbf", {"BYDAY", "DAY", "", 0});
  w.open("s.dbf");
}

QString folder(const Workbench& w) { return QString::fromStdString(w.data.path()); }

// The summary panel opened from the menu with `fields` moved across, `output` typed into its
// box, and "输出" clicked.
void summarize(Workbench& w, QStringList fields, const QString& output) {
  w.user.menu(QStringLiteral("汇总输出"));
  for (const QString& f : fields) {
    w.user.clickItem(f);
    w.user.button(QStringLiteral("->"));
  }
  w.user.replaceText(w.main.summaryPanel()->outputBox(), output);
  w.user.button(QStringLiteral("输出"));
}

// A window on an empty table e.dbf, in which the menu item `item` refuses with `message` and shows
// no panel or chooser.
void refusedOnEmpty(Workbench& w, const char* item, const char* message) {
  tdb::test::makeSample(w.data, "e.dbf", 0);
  w.open("e.dbf");
  w.user.menu(QString::fromUtf8(item));
  EXPECT_EQ(w.dialogs.messages.value(0), QString::fromUtf8(message));
  EXPECT_FALSE(w.main.summaryPanel()->isVisible());
  EXPECT_FALSE(w.main.tableChooser()->isVisible());
}

long count(const Workbench& w, const char* table) {
  tdb::Table t;
  tdb::test::point(t, w.data, table);
  t.open();
  return t.recordCount();
}

TEST(SummaryOutput, FromTheMenuThroughTheChooserInTheWindowsOrder) {
  Workbench w;
  openDays(w);
  w.user.menu(QStringLiteral("[.DBF]文件打开或建立时默认为FoxPro类型"));
  w.user.toolbar(QStringLiteral("尾记录"));
  w.user.menu(QStringLiteral("汇总输出"));
  w.user.clickItem(QStringLiteral("3~DAY"));
  w.user.button(QStringLiteral("->"));
  w.user.button(QStringLiteral("…"));
  EXPECT_EQ(w.main.tableChooser()->windowTitle(), QStringLiteral("选择汇总输出文件"));
  chooseFile(w, w.data.file("汇总.dbf"));
  EXPECT_EQ(w.main.summaryPanel()->outputBox()->text(),
            QStringLiteral("[") + folder(w) + QStringLiteral("]汇总.dbf"));
  w.user.button(QStringLiteral("输出"));

  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('|').toStdString();
  EXPECT_FALSE(w.main.summaryPanel()->isVisible());
  EXPECT_EQ(w.stored("汇总.dbf", "QTY").substr(0, 8), "30 32 3 ");  // days 1 and 2 twice
  EXPECT_EQ(w.stored("汇总.dbf").substr(0, 9), "R1 R2 R3 ");
  EXPECT_EQ(static_cast<unsigned char>(w.data.read("汇总.dbf")[0]), 0xF5);  // FoxPro, as set
  EXPECT_EQ(w.table().position(), 1);  // back on the first record
}

TEST(SummaryOutput, EachRefusalHasItsMessageAndChangesNothing) {
  Workbench w;
  refusedOnEmpty(w, "汇总输出", "数据表没有记录,不能汇总!");

  openDays(w);
  tdb::test::makeSample(w.data, "o.dbf", 2);
  const FolderSnapshot before(w.data.path());
  w.dialogs.messages.clear();
  summarize(w, {}, QStringLiteral("x.dbf"));
  w.user.clickItem(QStringLiteral("0~NAME"));
  w.user.button(QStringLiteral("->"));
  w.user.replaceText(w.main.summaryPanel()->outputBox(), QStringLiteral("  "));
  w.user.button(QStringLiteral("输出"));
  w.user.replaceText(w.main.summaryPanel()->outputBox(), QStringLiteral("[") + folder(w));
  w.user.button(QStringLiteral("输出"));
  // The window's own table, written as it was opened and through another spelling of its folder.
  const QString own = QStringLiteral("[") + folder(w) + QStringLiteral("]s.dbf");
  const QString other = QStringLiteral("[") + folder(w) + QStringLiteral("./]s.dbf");
  for (const QString& name : {own, other}) {
    w.user.replaceText(w.main.summaryPanel()->outputBox(), name);
    w.user.button(QStringLiteral("输出"));
  }
  w.dialogs.confirmAnswers = {Answer::No};
  w.user.replaceText(w.main.summaryPanel()->outputBox(),
                     QStringLiteral("[") + folder(w) + QStringLiteral("]o.dbf"));
  w.user.button(QStringLiteral("输出"));

  EXPECT_EQ(
      w.dialogs.messages,
      (QStringList{
          QStringLiteral("请问你想按哪些字段汇总?"), QStringLiteral("没有输入汇总文件名!"),
          QStringLiteral("不能输出这种文件类型,请重新选择!"),
          QStringLiteral("数据表:") + own + QStringLiteral("\r已在第[1]窗口打开,请关闭后再汇总!"),
          QStringLiteral("数据表:") + other +
              QStringLiteral("\r已在第[1]窗口打开,请关闭后再汇总!")}));
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("confirm: 确认 | 汇总文件已经存在,要覆盖吗?"));
  EXPECT_EQ(FolderSnapshot(w.data.path()).changesSince(before), "");
}

TEST(SummaryOutput, ASumItsFieldCannotHoldStopsWithTheGroupAndLeavesNoOutput) {
  Workbench w;
  w.makeTable("big.dbf",
              {{"KEY", tdb::FieldType::ftString, 2}, {"QTY", tdb::FieldType::ftSmallint}});
  for (const char* key : {"A", "B", "B"})
    tdb::test::addRecord(w.data, "big.dbf",
                         {{"KEY", tdb::Value::text(key)}, {"QTY", tdb::Value::integer(6000)}});
  w.open("big.dbf");
  w.user.toolbar(QStringLiteral("尾记录"));
  summarize(w, {QStringLiteral("0~KEY")}, QStringLiteral("[") + folder(w) + "]sum.dbf");
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  const QStringList lines = w.dialogs.messages[0].split(QLatin1Char('\r'));
  EXPECT_EQ(lines[0], QStringLiteral("汇总没有完成,没有输出汇总文件!"));
  EXPECT_TRUE(lines.value(1).contains(QStringLiteral("第2组(KEY=B)的字段[QTY]")))
      << lines.value(1).toStdString();
  EXPECT_FALSE(std::filesystem::exists(w.data.file("sum.dbf")));
  EXPECT_EQ(w.table().position(), 1);
  EXPECT_FALSE(w.table().controlsDisabled());
}

TEST(CopyOutput, CarriesWhatTheWindowShowsWithItsIndexesAndLeavesATableNamedLssjkbAlone) {
  Workbench w;
  openDays(w);
  tdb::test::makeSample(w.data, "lssjkb.dbf", 1);
  const std::string trial = w.data.read("lssjkb.dbf");
  w.query(QStringLiteral("QTY>26"));
  chooseFromMenu(w, "复制输出", "选择复制输出文件", w.data.file("c.DBF"));
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('|').toStdString();
  EXPECT_EQ(w.stored("c.DBF"), "R29 R30 R27 R28 ");
  EXPECT_FALSE(w.window(0).progressPanel()->isVisible());
  tdb::Table copy;
  tdb::test::point(copy, w.data, "c.DBF");
  copy.open();
  ASSERT_EQ(copy.indexDefs().count(), 1);
  EXPECT_EQ(copy.indexDefs()[0].name, "BYDAY");
  EXPECT_EQ(w.data.read("lssjkb.dbf"), trial);
  EXPECT_FALSE(std::filesystem::exists(w.data.file("lssjkb.mdx")));
}

TEST(CopyOutput, RefusesItsOwnWindowAFormatThatCannotHoldTheFieldsAndKeepsAnAnsweredNo) {
  Workbench w;
  openDays(w);
  tdb::test::makeSample(w.data, "o.dbf", 2);
  const FolderSnapshot before(w.data.path());
  chooseFromMenu(w, "复制输出", "选择复制输出文件", w.data.file("s.dbf"));
  // A memo has no place in a text table.
  chooseFromMenu(w, "复制输出", "选择复制输出文件", w.data.file("memo.txt"));
  w.dialogs.confirmAnswers = {Answer::No};
  chooseFromMenu(w, "复制输出", "选择复制输出文件", w.data.file("o.dbf"));
  ASSERT_EQ(w.dialogs.messages.size(), 2);
  EXPECT_EQ(w.dialogs.messages[0], QStringLiteral("数据表:[") + folder(w) +
                                       QStringLiteral("]s.dbf\r已在第[0]窗口打开,请关闭后再复制!"));
  EXPECT_TRUE(w.dialogs.messages[1].startsWith(
      QStringLiteral("字段类型或索引不适合要复制的数据库表类型!\r")))
      << w.dialogs.messages[1].toStdString();
  EXPECT_EQ(w.dialogs.shown.last(), QStringLiteral("confirm: 确认 | 复制文件已经存在,要覆盖吗?"));
  EXPECT_EQ(FolderSnapshot(w.data.path()).changesSince(before), "");
}

TEST(OrderedOutput, WritesTheWindowsOrderIntoATableWithoutIndexes) {
  Workbench w;
  refusedOnEmpty(w, "按现有顺序输出", "数据表没有记录,不能输出!");

  openDays(w);
  w.query(QStringLiteral("(QTY<3)OR(QTY>28)"));
  chooseFromMenu(w, "按现有顺序输出", "选择输出文件", w.data.file("顺序.db"));
  EXPECT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_EQ(w.stored("顺序.db"), "R1 R29 R2 R30 ");
  EXPECT_FALSE(std::filesystem::exists(w.data.file("顺序.PX")));

  // A text table has no place for the memo: the Part's message with the reason, and no table.
  chooseFromMenu(w, "按现有顺序输出", "选择输出文件", w.data.file("顺序.txt"));
  EXPECT_TRUE(w.dialogs.messages.value(1).startsWith(QStringLiteral("不能输出这种类型数据表!\r")))
      << w.dialogs.messages.value(1).toStdString();
  EXPECT_FALSE(std::filesystem::exists(w.data.file("顺序.txt")));

  // A value the text table cannot hold, met part-way: no table, and the window on its first
  // record.
  w.makeTable("x.dbf", {{"NAME", tdb::FieldType::ftString, 10}});
  for (const char* name : {"a", "b", "c"})
    tdb::test::addRecord(w.data, "x.dbf", {{"NAME", tdb::Value::text(name)}});
  tdb::test::setText(w.data, "x.dbf", 3, "NAME", "two\nlines");
  w.open("x.dbf");
  w.user.toolbar(QStringLiteral("尾记录"));
  chooseFromMenu(w, "按现有顺序输出", "选择输出文件", w.data.file("x.txt"));
  EXPECT_TRUE(w.dialogs.messages.value(2).startsWith(QStringLiteral("不能输出这种类型数据表!\r")))
      << w.dialogs.messages.value(2).toStdString();
  EXPECT_FALSE(std::filesystem::exists(w.data.file("x.txt")));
  EXPECT_EQ(w.table().position(), 1);
  w.user.chooseWindow(1);

  chooseFromMenu(w, "按现有顺序输出", "选择输出文件", w.data.file("s.dbf"));
  EXPECT_EQ(w.dialogs.messages.value(3),
            QStringLiteral("数据表:[") + folder(w) +
                QStringLiteral("]s.dbf\r已在第[1]窗口打开,请关闭后再输出!"));
}

TEST(AppendOutput, AddsTheWindowsRecordsToATableOpenElsewhereAndSaysHowFarAFailureGot) {
  Workbench w;
  tdb::test::makeSample(w.data, "t.dbf", 2);
  w.open("t.dbf");
  refusedOnEmpty(w, "追加输出", "数据表没有记录,不能追加输出!");

  openDays(w);
  w.query(QStringLiteral("QTY>27"));
  chooseFromMenu(w, "追加输出", "选择追加输出文件", w.data.file("t.dbf"));
  EXPECT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_EQ(w.stored("t.dbf"), "R1 R2 R29 R30 R28 ");  // in the window's order

  // A text table cannot hold a line break: the records before the one that has it stay.
  w.makeTable("t.txt", {{"NAME", tdb::FieldType::ftString, 10}});
  tdb::test::makeSample(w.data, "n.dbf", 3);
  tdb::test::setText(w.data, "n.dbf", 3, "NAME", "two\nlines");
  w.open("n.dbf");
  chooseFromMenu(w, "追加输出", "选择追加输出文件", w.data.file("t.txt"));
  ASSERT_EQ(w.dialogs.messages.size(), 2);
  EXPECT_TRUE(w.dialogs.messages[1].contains(QStringLiteral("已追加2条记录")))
      << w.dialogs.messages[1].toStdString();
  EXPECT_EQ(count(w, "t.txt"), 2);
}

TEST(AppendInput, AddsTheChosenTablesRecordsEvenToAnEmptyWindowAndEndsOnItself) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  tdb::test::makeSample(w.data, "e.dbf", 0);
  w.open("e.dbf");
  chooseFromMenu(w, "追加输入", "选择输入文件", w.data.file("s.dbf"));
  EXPECT_EQ(w.stored("e.dbf"), "R1 R2 R3 ");
  EXPECT_EQ(w.table().recordCount(), 3);  // the window shows them

  // Into itself: the records it had when it started, once.
  chooseFromMenu(w, "追加输入", "选择输入文件", w.data.file("e.dbf"));
  EXPECT_EQ(w.stored("e.dbf"), "R1 R2 R3 R1 R2 R3 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty()) << w.dialogs.messages.join('|').toStdString();

  // A text table's window refuses a line break: the message, and how far it got.
  w.makeTable("t.txt", {{"NAME", tdb::FieldType::ftString, 10}});
  tdb::test::setText(w.data, "s.dbf", 2, "NAME", "two\nlines");
  w.open("t.txt");
  chooseFromMenu(w, "追加输入", "选择输入文件", w.data.file("s.dbf"));
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(
      w.dialogs.messages[0].startsWith(QStringLiteral("不能追加输入,请检查索引或字段类型!\r")));
  EXPECT_TRUE(w.dialogs.messages[0].contains(QStringLiteral("已追加1条记录")))
      << w.dialogs.messages[0].toStdString();
  EXPECT_EQ(w.stored("t.txt"), "R1 ");
}

}  // namespace
}  // namespace torvanel
