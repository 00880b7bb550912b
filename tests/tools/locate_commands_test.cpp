// Locating by number and by content, replacing and summing, on real table windows.

#include <gtest/gtest.h>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>

#include "app/tools/locate_panel.h"
#include "app/windows/index_choice_panel.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using tdb::test::gbk;
using test::Workbench;

// A table of one text field, NAME.
void makeNames(Workbench& w, const char* table) {
  tdb::Table t;
  tdb::test::point(t, w.data, table);
  t.fieldDefs().add("NAME", tdb::FieldType::ftString, 8);
  t.createTable();
}

// The locate panel as the user sees it: its field list, its text box and its action button.
struct Panel {
  explicit Panel(Workbench& w) : panel(*w.main.locatePanel()), u(w.user) {}
  void choose(const char* field) { u.clickItem(panel.findChild<QListWidget*>(), field); }
  QLineEdit* text() { return panel.findChild<QLineEdit*>(); }
  QPushButton* action() { return panel.findChild<QPushButton*>(QStringLiteral("action")); }
  void run(const QString& value) {
    u.replaceText(text(), value);
    u.click(action());
  }
  LocatePanel& panel;
  test::User& u;
};

// The NAME in the active window's current row, and that row's number from 1.
QString currentName(Workbench& w) {
  const QModelIndex at = w.user.grid()->currentIndex();
  return at.sibling(at.row(), 0).data().toString();
}
int currentRow(Workbench& w) { return w.user.grid()->currentIndex().row() + 1; }

TEST(LocateByNumber, CountsInTheWindowsOrderAndRefusesBadNumbers) {
  Workbench w;
  {
    tdb::Table t;
    tdb::test::point(t, w.data, "k.dbf");
    t.fieldDefs().add("NAME", tdb::FieldType::ftString, 8);
    t.createTable();
    t.open();
    for (const char* name : {"d", "b", "a", "c"}) {
      t.append();
      t.fieldByName("NAME").setAsString(name);
      t.post();
    }
    t.close();
    t.setExclusive(true);
    t.open();
    t.addIndex({"BYNAME", "NAME", "", 0});
  }
  w.open("k.dbf");  // ordered by its first index
  test::User& u = w.user;
  u.toolbar(QStringLiteral("尾记录"));  // "d", record 1
  w.dialogs.inputAnswers = {QStringLiteral(" 2 ")};
  u.menu(QStringLiteral("序号定位"));
  EXPECT_EQ(w.dialogs.shown.value(0), QStringLiteral("input: 按序号定位 | 输入序号: | 1"));
  EXPECT_EQ(currentName(w), QStringLiteral("b"));

  w.dialogs.inputAnswers = {QStringLiteral("2x"), QStringLiteral("0"), QStringLiteral("5"),
                            std::nullopt};
  for (int i = 0; i < 4; ++i) u.menu(QStringLiteral("序号定位"));
  EXPECT_EQ(w.dialogs.messages,
            QStringList({QStringLiteral("序号不是有效整数值!"), QStringLiteral("序号超范围!"),
                         QStringLiteral("序号超范围!")}));
  EXPECT_EQ(currentName(w), QStringLiteral("b"));

  // An empty table has no number in range.
  tdb::test::makeSample(w.data, "e.dbf", 0);
  w.open("e.dbf");
  w.dialogs.messages.clear();
  w.dialogs.inputAnswers = {QStringLiteral("1")};
  u.menu(QStringLiteral("序号定位"));
  EXPECT_EQ(w.dialogs.messages, QStringList(QStringLiteral("序号超范围!")));
}

TEST(LocatePanel, FindsIgnoringCaseByLeadingText) {
  Workbench w;
  {
    tdb::Table t;
    tdb::test::point(t, w.data, "n.dbf");
    t.fieldDefs().add("NAME", tdb::FieldType::ftString, 8);
    t.fieldDefs().add("QTY", tdb::FieldType::ftInteger);
    t.createTable();
    t.open();
    const char* names[] = {"Wang", "", "LIU", "Li Lei", "li"};
    for (int i = 0; i < 5; ++i) {
      t.append();
      if (*names[i]) t.fieldByName("NAME").setAsString(names[i]);
      if (i != 3) t.fieldByName("QTY").setValue(tdb::Value::integer(i * 10));
      t.post();
    }
  }
  w.open("n.dbf");
  test::User& u = w.user;
  Panel p(w);
  u.menu(QStringLiteral("内容定位"));
  EXPECT_TRUE(p.panel.isVisible());
  EXPECT_EQ(p.action()->text(), QStringLiteral("查找"));
  EXPECT_EQ(p.panel.findChild<QGroupBox*>()->title(), QStringLiteral("输入字段内容:"));
  EXPECT_EQ(p.text()->text(), QStringLiteral("Wang"));  // the current record's value
  EXPECT_FALSE(p.text()->isReadOnly());

  p.run(QStringLiteral("li"));
  EXPECT_EQ(currentRow(w), 3);  // "LIU" begins with li
  EXPECT_FALSE(p.panel.isVisible());

  u.menu(QStringLiteral("内容定位"));
  p.run(QStringLiteral("zhao"));
  EXPECT_EQ(w.dialogs.messages, QStringList(QStringLiteral("字段[NAME]=zhao没有找到!")));
  EXPECT_TRUE(p.panel.isVisible());
  EXPECT_EQ(currentRow(w), 3);

  p.run(QString());  // the empty name
  EXPECT_EQ(currentRow(w), 2);
  u.menu(QStringLiteral("内容定位"));
  p.choose("QTY");
  p.run(QString());  // the blank number
  EXPECT_EQ(currentRow(w), 4);
}

TEST(LocatePanel, SumsEveryShownRecordAndComesBack) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 10);  // PRICE i*1.5, QTY i, NAME "R<i>"
  w.open("s.dbf");
  test::User& u = w.user;
  u.clickCell(3, 0);
  Panel p(w);
  u.menu(QStringLiteral("字段数据求和"));
  EXPECT_EQ(p.action()->text(), QStringLiteral("求和"));
  EXPECT_TRUE(p.text()->isReadOnly());
  p.choose("PRICE");
  EXPECT_TRUE(p.text()->text().isEmpty());
  u.click(p.action());
  EXPECT_EQ(p.text()->text(), QStringLiteral("82.5"));
  EXPECT_EQ(currentRow(w), 4);
  EXPECT_TRUE(p.panel.isVisible());

  w.query(QStringLiteral("QTY>8"));
  p.choose("QTY");
  u.click(p.action());
  EXPECT_EQ(p.text()->text(), QStringLiteral("19"));

  // Text that is no number stops the sum at once, with what was added before it.
  p.choose("NAME");
  u.click(p.action());
  EXPECT_EQ(w.dialogs.messages, QStringList(QStringLiteral("字段[NAME]类型不能求和!")));
  EXPECT_EQ(p.text()->text(), QStringLiteral("0"));
  EXPECT_FALSE(u.window()->progressPanel()->isVisible());

  // Another window, whose table lacks the field, became the active one: the engine says so.
  p.choose("PRICE");
  makeNames(w, "n.dbf");
  w.open("n.dbf");
  w.dialogs.messages.clear();
  u.click(p.action());
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(w.dialogs.messages[0].contains(QStringLiteral("PRICE")));
}

TEST(LocatePanel, ReplacesInEditStateOnly) {
  Workbench w;
  test::User& u = w.sample(6);
  Panel p(w);
  EXPECT_FALSE(u.menuEnabled(QStringLiteral("替换字段内容")));  // outside edit state

  u.menu(QStringLiteral("进入编辑状态"));
  u.clickCell(2, 0);
  u.menu(QStringLiteral("替换字段内容"));
  ASSERT_TRUE(p.panel.isVisible());
  EXPECT_EQ(p.action()->text(), QStringLiteral("替换"));
  p.choose("QTY");
  EXPECT_EQ(p.text()->text(), QStringLiteral("3"));
  p.run(QStringLiteral("7"));
  EXPECT_FALSE(p.panel.isVisible());
  EXPECT_EQ(currentRow(w), 3);
  EXPECT_EQ(w.stored("s.dbf", "QTY"), "7 7 7 7 7 7 ");

  // A value the field cannot take stops at the first record with the message.
  u.menu(QStringLiteral("替换字段内容"));
  p.choose("QTY");
  p.run(QStringLiteral("abc"));
  EXPECT_EQ(w.dialogs.messages, QStringList(QStringLiteral("字段[QTY]替换发生错误!")));
  EXPECT_EQ(w.stored("s.dbf", "QTY"), "7 7 7 7 7 7 ");
}

TEST(LocatePanel, ReplacementsLeavingTheFilterStartAgain) {
  Workbench w;
  test::User& u = w.editSample(8);
  w.query(QStringLiteral("QTY>2"));
  Panel p(w);
  u.menu(QStringLiteral("替换字段内容"));
  p.choose("QTY");
  p.run(QStringLiteral("1"));
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
  EXPECT_EQ(u.grid()->model()->rowCount(), 0);
  EXPECT_EQ(w.stored("s.dbf", "QTY"), "1 2 1 1 1 1 1 1 ");
}

TEST(DataToolCommands, RunFromTheirMenuItemsAndButtons) {
  Workbench w;
  test::User& u = w.sample(4);

  w.query(QStringLiteral("(QTY>2)"));  // from the toolbar's "查询"
  EXPECT_EQ(u.grid()->model()->rowCount(), 2);

  w.dialogs.inputAnswers = {QStringLiteral("2")};
  u.menu(QStringLiteral("序号定位"));
  EXPECT_EQ(currentName(w), QStringLiteral("R4"));

  Panel p(w);
  u.menu(QStringLiteral("字段数据求和"));
  EXPECT_TRUE(p.panel.isVisible());
  EXPECT_EQ(p.action()->text(), QStringLiteral("求和"));
  u.menu(QStringLiteral("内容定位"));
  EXPECT_EQ(p.action()->text(), QStringLiteral("查找"));
  u.click(p.panel.findChild<QPushButton*>(QStringLiteral("cancel")));
  EXPECT_FALSE(p.panel.isVisible());

  u.menu(QStringLiteral("进入编辑状态"));
  u.menu(QStringLiteral("替换字段内容"));
  EXPECT_EQ(p.action()->text(), QStringLiteral("替换"));
  u.click(p.panel.findChild<QPushButton*>(QStringLiteral("cancel")));

  u.menu(QStringLiteral("选择索引文件"));
  EXPECT_TRUE(u.window()->indexChoice()->isVisible());
  u.click(u.window()->indexChoice()->cancelButton());

  w.dialogs.confirmAnswers = {Answer::Yes};
  u.menu(QStringLiteral("全部删除记录"));
  EXPECT_EQ(u.grid()->model()->rowCount(), 0);
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 ");
}

}  // namespace
}  // namespace torvanel
