// Deleting every record a window shows, and writing the current record to a text file.

#include <gtest/gtest.h>
#include <QFile>
#include <QTableView>

#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using tdb::test::gbk;
using test::Workbench;

long storedRecords(Workbench& w, const char* table) {
  tdb::Table t;
  tdb::test::point(t, w.data, table);
  t.open();
  return static_cast<long>(t.recordCount());
}

// Physical records in the file, deleted ones included: the dBASE header's count.
uint32_t fileRecords(Workbench& w, const char* table) {
  QFile f(QString::fromStdString(w.data.path()) + QLatin1String(table));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray head = f.read(8);
  return static_cast<uint8_t>(head[4]) | static_cast<uint8_t>(head[5]) << 8 |
         static_cast<uint8_t>(head[6]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(head[7])) << 24;
}

TEST(DeleteAll, AsksInEditStateAndPacksADbaseFile) {
  Workbench w;
  test::User& u = w.sample(20);
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("全部删除记录")));  // only in edit state

  u.menu(QStringLiteral("进入编辑状态"));
  u.ctrlClickRows({2, 4});
  w.dialogs.confirmAnswers = {Answer::No, Answer::Yes};
  u.menu(QStringLiteral("全部删除记录"));
  EXPECT_EQ(storedRecords(w, "s.dbf"), 20);
  u.menu(QStringLiteral("全部删除记录"));
  EXPECT_EQ(w.dialogs.shown.filter(QStringLiteral("confirm")).size(), 2);
  EXPECT_TRUE(w.dialogs.shown.last().contains(QStringLiteral("确实要全部删除记录吗?")));
  EXPECT_EQ(storedRecords(w, "s.dbf"), 0);
  EXPECT_EQ(fileRecords(w, "s.dbf"), 0u);  // packed
  QTableView* grid = u.grid();
  EXPECT_EQ(grid->model()->rowCount(), 0);
  EXPECT_EQ(grid->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_TRUE(grid->selectionModel()->selectedRows().isEmpty());
  // The table is shared again: a second window opens it.
  w.open("s.dbf");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());

  // Nothing to delete: no question at all.
  u.chooseWindow(0);
  const auto questions = w.dialogs.shown.size();
  u.menu(QStringLiteral("全部删除记录"));
  EXPECT_EQ(w.dialogs.shown.size(), questions);
}

TEST(DeleteAll, KeepsWhatAFilterHidesAndMarksWhileAnotherWindowHoldsTheTable) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 10);
  w.open("s.dbf");
  w.open("s.dbf");  // a second window on the same table
  test::User& u = w.user;
  u.menu(QStringLiteral("进入编辑状态"));
  w.query(QStringLiteral("QTY>6"));
  w.dialogs.confirmAnswers = {Answer::Yes};
  u.menu(QStringLiteral("全部删除记录"));
  EXPECT_EQ(w.dialogs.messages,
            QStringList(QStringLiteral("请关闭其他窗口打开的本表后才能真正删除!")));
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 R4 R5 R6 ");
  EXPECT_EQ(fileRecords(w, "s.dbf"), 10u);  // marked, not removed
  EXPECT_EQ(u.grid()->model()->rowCount(), 0);
}

TEST(DeleteAll, WithTheBufferWaitsForTheSave) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 5);
  test::User& u = w.user;
  u.menu(QStringLiteral("使用内存缓冲"));
  w.open("s.dbf");
  u.menu(QStringLiteral("进入编辑状态"));
  w.dialogs.confirmAnswers = {Answer::Yes};
  u.menu(QStringLiteral("全部删除记录"));
  EXPECT_EQ(u.grid()->model()->rowCount(), 0);
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 R3 R4 R5 ");
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
  u.toolbar(QStringLiteral("保存活动表修改"));
  EXPECT_EQ(w.stored("s.dbf"), "");
}

TEST(RecordText, OneGbkLinePerFieldWithTheFullWidthColon) {
  Workbench w;
  {
    tdb::Table t;
    tdb::test::point(t, w.data, "r.dbf");
    t.fieldDefs().add(gbk("姓名"), tdb::FieldType::ftString, 10);
    t.fieldDefs().add("PIC", tdb::FieldType::ftGraphic);
    t.fieldDefs().add("NOTE", tdb::FieldType::ftMemo);
    t.fieldDefs().add("DAY", tdb::FieldType::ftDate);
    t.fieldDefs().add("QTY", tdb::FieldType::ftFloat);
    t.createTable();
    t.open();
    t.append();
    t.fieldByName(gbk("姓名")).setAsString(gbk("张三"));
    t.fieldByName("PIC").setValue(tdb::Value::bytes(std::string("BM\0\1", 4)));
    t.fieldByName("NOTE").setAsString(gbk("第一行\r\n第二行"));
    t.fieldByName("QTY").setAsString("2.5");
    t.post();
  }
  w.open("r.dbf");
  test::User& u = w.user;
  const QString folder = QString::fromStdString(w.data.path());
  w.dialogs.fileAnswers = {folder + QStringLiteral("rec")};
  u.menu(QStringLiteral("当前记录输出到文本文件"));
  QFile written(folder + QStringLiteral("rec.txt"));
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  const std::string expected =
      gbk("姓名：张三\r\nPIC：图象字段\r\nNOTE：第一行\r\n第二行\r\nDAY：\r\nQTY：2.5\r\n");
  EXPECT_EQ(written.readAll().toStdString(), expected);
  written.close();
  EXPECT_TRUE(w.dialogs.shown.value(0).startsWith(QStringLiteral("save: | 记录输出到文件")));

  // An existing file is replaced only when the user agrees.
  u.menu(QStringLiteral("进入编辑状态"));
  u.clickCell(0, 4);
  u.type(QStringLiteral("7"));
  u.press(Qt::Key_Return);
  u.menu(QStringLiteral("取消编辑状态"));
  w.dialogs.fileAnswers = {folder + QStringLiteral("rec.txt"), folder + QStringLiteral("rec.txt"),
                           std::nullopt};
  w.dialogs.confirmAnswers = {Answer::No, Answer::Yes};
  u.menu(QStringLiteral("当前记录输出到文本文件"));
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_EQ(written.readAll().toStdString(), expected);
  written.close();
  EXPECT_EQ(w.dialogs.shown.filter(QStringLiteral("confirm")).value(0),
            QStringLiteral("confirm: 确认 | 文本文件") + folder +
                QStringLiteral("rec.txt已经存在,要覆盖吗?"));
  u.menu(QStringLiteral("当前记录输出到文本文件"));
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_TRUE(
      written.readAll().endsWith("QTY\xA3\xBA"
                                 "7\r\n"));
  written.close();
  u.menu(QStringLiteral("当前记录输出到文本文件"));  // cancelled: nothing asked, nothing written

  // A file that cannot be written: the system's message.
  w.dialogs.fileAnswers = {folder + QStringLiteral("no/such/folder/rec.txt")};
  u.menu(QStringLiteral("当前记录输出到文本文件"));
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(w.dialogs.messages[0].contains(QStringLiteral("rec.txt")));
}

}  // namespace
}  // namespace torvanel
