// Locating by number and by content, replacing and summing, on real table windows.

#include <gtest/gtest.h>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "app/tools/locate_panel.h"
#include "app/tools/query_builder.h"
#include "app/tools/record_commands.h"
#include "app/windows/index_choice_panel.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using tdb::test::gbk;
using test::Workbench;
using Mode = LocatePanel::Mode;

// A table of one text field, NAME.
void makeNames(Workbench& w, const char* table) {
  tdb::Table t;
  tdb::test::point(t, w.data, table);
  t.fieldDefs().add("NAME", tdb::FieldType::ftString, 8);
  t.createTable();
}

struct Panel {
  explicit Panel(Workbench& w) : panel(*w.main.locatePanel()) {}
  void choose(const char* field) {
    auto* list = panel.findChild<QListWidget*>();
    list->setCurrentItem(list->findItems(QLatin1String(field), Qt::MatchExactly).value(0));
  }
  QLineEdit* text() { return panel.findChild<QLineEdit*>(); }
  QPushButton* action() { return panel.findChild<QPushButton*>(QStringLiteral("action")); }
  void run(const QString& value) {
    text()->setText(value);
    action()->click();
  }
  LocatePanel& panel;
};

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
  tdb::Table& t = w.table();
  t.last();  // "d", record 1
  w.dialogs.inputAnswers = {QStringLiteral(" 2 ")};
  locateByNumber(*w.engine);
  EXPECT_EQ(w.dialogs.shown.value(0), QStringLiteral("input: 按序号定位 | 输入序号: | 1"));
  EXPECT_EQ(t.fieldByName("NAME").asString(), "b");

  w.dialogs.inputAnswers = {QStringLiteral("2x"), QStringLiteral("0"), QStringLiteral("5"),
                            std::nullopt};
  for (int i = 0; i < 4; ++i) locateByNumber(*w.engine);
  EXPECT_EQ(w.dialogs.messages,
            QStringList({QStringLiteral("序号不是有效整数值!"), QStringLiteral("序号超范围!"),
                         QStringLiteral("序号超范围!")}));
  EXPECT_EQ(t.fieldByName("NAME").asString(), "b");

  // An empty table has no number in range.
  tdb::test::makeSample(w.data, "e.dbf", 0);
  w.open("e.dbf");
  w.dialogs.messages.clear();
  w.dialogs.inputAnswers = {QStringLiteral("1")};
  locateByNumber(*w.engine);
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
  tdb::Table& t = w.table();
  Panel p(w);
  p.panel.open(Mode::Find);
  EXPECT_TRUE(p.panel.isVisible());
  EXPECT_EQ(p.action()->text(), QStringLiteral("查找"));
  EXPECT_EQ(p.panel.findChild<QGroupBox*>()->title(), QStringLiteral("输入字段内容:"));
  EXPECT_EQ(p.text()->text(), QStringLiteral("Wang"));  // the current record's value
  EXPECT_FALSE(p.text()->isReadOnly());

  p.run(QStringLiteral("li"));
  EXPECT_EQ(t.recNo(), 3);  // "LIU" begins with li
  EXPECT_FALSE(p.panel.isVisible());

  p.panel.open(Mode::Find);
  p.run(QStringLiteral("zhao"));
  EXPECT_EQ(w.dialogs.messages, QStringList(QStringLiteral("字段[NAME]=zhao没有找到!")));
  EXPECT_TRUE(p.panel.isVisible());
  EXPECT_EQ(t.recNo(), 3);

  p.run(QString());  // the empty name
  EXPECT_EQ(t.recNo(), 2);
  p.panel.open(Mode::Find);
  p.choose("QTY");
  p.run(QString());  // the blank number
  EXPECT_EQ(t.recNo(), 4);
}

TEST(LocatePanel, SumsEveryShownRecordAndComesBack) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 10);  // PRICE i*1.5, QTY i, NAME "R<i>"
  w.open("s.dbf");
  tdb::Table& t = w.table();
  t.moveTo(4);
  Panel p(w);
  p.panel.open(Mode::Sum);
  EXPECT_EQ(p.action()->text(), QStringLiteral("求和"));
  EXPECT_TRUE(p.text()->isReadOnly());
  p.choose("PRICE");
  EXPECT_TRUE(p.text()->text().isEmpty());
  p.action()->click();
  EXPECT_EQ(p.text()->text(), QStringLiteral("82.5"));
  EXPECT_EQ(t.recNo(), 4);
  EXPECT_TRUE(p.panel.isVisible());

  t.setFilter("QTY>8");
  t.setFiltered(true);
  p.choose("QTY");
  p.action()->click();
  EXPECT_EQ(p.text()->text(), QStringLiteral("19"));

  // Text that is no number stops the sum at once, with what was added before it.
  p.choose("NAME");
  p.action()->click();
  EXPECT_EQ(w.dialogs.messages, QStringList(QStringLiteral("字段[NAME]类型不能求和!")));
  EXPECT_EQ(p.text()->text(), QStringLiteral("0"));
  EXPECT_FALSE(w.window(w.engine->activeSlot()).progressPanel()->isVisible());

  // Another window, whose table lacks the field, became the active one: the engine says so.
  p.choose("PRICE");
  makeNames(w, "n.dbf");
  w.open("n.dbf");
  w.dialogs.messages.clear();
  p.action()->click();
  ASSERT_EQ(w.dialogs.messages.size(), 1);
  EXPECT_TRUE(w.dialogs.messages[0].contains(QStringLiteral("PRICE")));
}

TEST(LocatePanel, ReplacesInEditStateOnly) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 6);
  w.open("s.dbf");
  tdb::Table& t = w.table();
  Panel p(w);
  p.panel.open(Mode::Replace);
  EXPECT_FALSE(p.panel.isVisible());  // outside edit state nothing happens

  w.engine->enteredit();
  t.moveTo(3);
  p.panel.open(Mode::Replace);
  ASSERT_TRUE(p.panel.isVisible());
  EXPECT_EQ(p.action()->text(), QStringLiteral("替换"));
  p.choose("QTY");
  EXPECT_EQ(p.text()->text(), QStringLiteral("3"));
  p.run(QStringLiteral("7"));
  EXPECT_FALSE(p.panel.isVisible());
  EXPECT_EQ(t.recNo(), 3);
  EXPECT_EQ(t.state(), tdb::DataSetState::dsBrowse);
  for (t.first(); !t.eof(); t.next()) EXPECT_EQ(t.fieldByName("QTY").asString(), "7");

  // A value the field cannot take stops at the first record with the message.
  p.panel.open(Mode::Replace);
  p.choose("QTY");
  p.run(QStringLiteral("abc"));
  EXPECT_EQ(w.dialogs.messages, QStringList(QStringLiteral("字段[QTY]替换发生错误!")));
  for (t.first(); !t.eof(); t.next()) EXPECT_EQ(t.fieldByName("QTY").asString(), "7");
}

TEST(LocatePanel, ReplacementsLeavingTheFilterStartAgain) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 8);
  w.open("s.dbf");
  tdb::Table& t = w.table();
  w.engine->enteredit();
  t.setFilter("QTY>2");
  t.setFiltered(true);
  Panel p(w);
  p.panel.open(Mode::Replace);
  p.choose("QTY");
  p.run(QStringLiteral("1"));
  EXPECT_TRUE(w.dialogs.messages.isEmpty());
  EXPECT_TRUE(t.isEmpty());
  t.setFiltered(false);
  std::string all;
  for (t.first(); !t.eof(); t.next()) all += t.fieldByName("QTY").asString() + " ";
  EXPECT_EQ(all, "1 2 1 1 1 1 1 1 ");
}

TEST(DataToolCommands, RunFromTheirMenuItemsAndButtons) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 4);
  w.open("s.dbf");
  tdb::Table& t = w.table();

  // The query builder is modal: close it from inside its own event loop.
  QTimer::singleShot(0, [&] {
    auto* form = w.main.queryBuilder();
    form->findChild<QLineEdit*>(QStringLiteral("expression"))->setText(QStringLiteral("(QTY>2)"));
    form->findChild<QPushButton*>(QStringLiteral("apply"))->click();
  });
  w.main.button(Command::Query)->trigger();
  EXPECT_EQ(t.recordCount(), 2);

  w.dialogs.inputAnswers = {QStringLiteral("2")};
  w.main.action(Command::LocateByNumber)->trigger();
  EXPECT_EQ(t.recNo(), 4);

  Panel p(w);
  w.main.action(Command::FieldSum)->trigger();
  EXPECT_TRUE(p.panel.isVisible());
  EXPECT_EQ(p.action()->text(), QStringLiteral("求和"));
  w.main.action(Command::LocateByContent)->trigger();
  EXPECT_EQ(p.action()->text(), QStringLiteral("查找"));
  p.panel.findChild<QPushButton*>(QStringLiteral("cancel"))->click();
  EXPECT_FALSE(p.panel.isVisible());

  w.main.action(Command::EnterEdit)->trigger();
  w.main.action(Command::Replace)->trigger();
  EXPECT_EQ(p.action()->text(), QStringLiteral("替换"));

  w.main.action(Command::SelectIndex)->trigger();
  EXPECT_TRUE(w.window(w.engine->activeSlot()).indexChoice()->isVisible());

  w.dialogs.confirmAnswers = {Answer::Yes};
  w.main.action(Command::DeleteAll)->trigger();
  EXPECT_TRUE(t.isEmpty());
  EXPECT_EQ(w.stored("s.dbf"), "R1 R2 ");
}

}  // namespace
}  // namespace torvanel
