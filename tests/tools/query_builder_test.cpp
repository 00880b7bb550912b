// The query builder on a real table window: composing expressions, the history, applying and
// removing the filter, and the string-position condition on GBK text.

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "app/tools/query_builder.h"
#include "engine/gbk_codec.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using tdb::test::gbk;
using test::Workbench;

// The dialog made ready for the active window, with its controls at hand.
struct Builder {
  explicit Builder(Workbench& w) : form(*w.main.queryBuilder()), w(w) {
    form.prepare(w.slot(w.engine->activeSlot()));
  }
  template <class T>
  T* find(const char* name) {
    T* c = form.findChild<T*>(QLatin1String(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  void click(const char* name) { find<QPushButton>(name)->click(); }
  QComboBox* combo(const char* name) { return find<QComboBox>(name); }
  QLineEdit* line(const char* name) { return find<QLineEdit>(name); }
  QString expression() { return line("expression")->text(); }
  void condition(const char* logic, const char* field, const char* op, const QString& value) {
    if (logic) combo("logic")->setCurrentText(QLatin1String(logic));
    if (field) combo("field")->setCurrentText(QLatin1String(field));
    if (op) combo("operator")->setCurrentText(QLatin1String(op));
    line("value")->setText(value);
    click("addCondition");
  }
  void position(const QString& text, const char* field, const char* op, const QString& at) {
    line("substr")->setText(text);
    combo("positionField")->setCurrentText(QString::fromUtf8(field));
    combo("positionOperator")->setCurrentText(QLatin1String(op));
    line("position")->setText(at);
  }
  TForm02& form;
  Workbench& w;
};

// NAME of every record the window shows, in order, as UTF-8.
std::string shown(tdb::Table& t) {
  std::string out;
  for (t.first(); !t.eof(); t.next()) out += tdb::gbkToUtf8(t.fieldByName("NAME").asString()) + " ";
  return out;
}

void makeNames(Workbench& w, const char* table, std::initializer_list<const char*> names) {
  tdb::Table t;
  tdb::test::point(t, w.data, table);
  t.fieldDefs().add("NAME", tdb::FieldType::ftString, 12);
  t.fieldDefs().add("QTY", tdb::FieldType::ftInteger);
  t.createTable();
  t.open();
  int qty = 0;
  for (const char* name : names) {
    t.append();
    t.fieldByName("NAME").setAsString(gbk(name));
    t.fieldByName("QTY").setValue(tdb::Value::integer(++qty));
    t.post();
  }
}

TEST(QueryBuilder, ComposesConditionsAsTyped) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 5);
  w.open("s.dbf");
  Builder b(w);
  EXPECT_EQ(b.form.windowTitle(), QStringLiteral("查询:[") + QString::fromStdString(w.data.path()) +
                                      QStringLiteral("]s.dbf()"));
  EXPECT_EQ(b.combo("field")->count(), w.table().fieldCount());
  EXPECT_EQ(b.combo("field")->currentIndex(), -1);

  // Choosing a field proposes the current record's value.
  b.combo("field")->setCurrentText(QStringLiteral("NAME"));
  EXPECT_EQ(b.line("value")->text(), QStringLiteral("R1"));

  b.condition(nullptr, "NAME", "=", QString());
  EXPECT_EQ(b.expression(), QStringLiteral("(NAME='')or(NAME=null)"));
  EXPECT_EQ(b.combo("field")->currentIndex(), -1);  // the row is cleared after adding
  EXPECT_TRUE(b.line("value")->text().isEmpty());
  b.condition("AND", "QTY", ">", QString());
  b.condition("OR", "DAY", ">=", QStringLiteral("2024-01-03"));
  b.condition("AND", "NAME", "<>", QStringLiteral("O'Brien "));  // quotes go in as typed
  b.condition("NOT", nullptr, nullptr, QString());               // the word alone
  EXPECT_EQ(b.expression(), QStringLiteral("(NAME='')or(NAME=null)AND(QTY>null)OR(DAY>=2024-01-03)"
                                           "AND(NAME<>'O'Brien ')NOT"));
  EXPECT_EQ(b.combo("logic")->currentIndex(), -1);

  b.position(QStringLiteral("R"), "NAME", "=", QStringLiteral("1"));
  b.click("reset");
  EXPECT_TRUE(b.expression().isEmpty());
  EXPECT_TRUE(b.line("substr")->text().isEmpty());
  EXPECT_EQ(b.combo("positionField")->currentIndex(), -1);
}

TEST(QueryBuilder, HistoryKeepsDuplicatesForTheRun) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  w.open("s.dbf");
  Builder b(w);
  auto* history = b.find<QListWidget>("history");
  b.line("expression")->setText(QStringLiteral("  (QTY>1) "));
  b.click("storeHistory");
  b.click("storeHistory");
  b.line("expression")->setText(QStringLiteral("(QTY<3)"));
  b.click("storeHistory");
  ASSERT_EQ(history->count(), 3);
  EXPECT_EQ(history->item(0)->text(), QStringLiteral("(QTY>1)"));  // stored trimmed
  EXPECT_EQ(history->item(1)->text(), QStringLiteral("(QTY>1)"));
  history->setCurrentRow(0);
  b.line("expression")->setText(QStringLiteral("   "));
  b.click("storeHistory");  // nothing stored, the last entry chosen
  EXPECT_EQ(history->count(), 3);
  EXPECT_EQ(history->currentRow(), 2);

  b.line("expression")->setText(QStringLiteral("(QTY>0)AND"));
  b.click("addHistory");
  EXPECT_EQ(b.expression(), QStringLiteral("(QTY>0)AND(QTY<3)"));
  history->setCurrentRow(1);
  b.click("deleteHistory");
  EXPECT_EQ(history->count(), 2);
  EXPECT_EQ(history->currentRow(), 0);

  // The next opening, on another window too, starts from the first entry of the same history.
  tdb::test::makeSample(w.data, "t.dbf", 2);
  w.open("t.dbf");
  Builder again(w);
  EXPECT_EQ(history->count(), 2);
  EXPECT_EQ(history->currentRow(), 0);
  EXPECT_TRUE(again.expression().isEmpty());
}

TEST(QueryBuilder, ApplyAllAndCancel) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 6);
  w.open("s.dbf");
  tdb::Table& t = w.table();
  TForm11& window = w.window(w.engine->activeSlot());
  {
    Builder b(w);
    EXPECT_FALSE(b.find<QCheckBox>("caseSensitive")->isChecked());
    EXPECT_FALSE(b.find<QCheckBox>("partialCompare")->isChecked());
    b.line("expression")->setText(QStringLiteral("(QTY>4)OR(NAME='r2') "));
    b.click("apply");
    EXPECT_EQ(b.form.result(), QDialog::Accepted);
  }
  EXPECT_TRUE(t.filtered());
  EXPECT_EQ(t.filter(), "(QTY>4)OR(NAME='r2')");
  EXPECT_EQ(t.filterOptions(), tdb::foCaseInsensitive | tdb::foNoPartialCompare);
  EXPECT_EQ(window.statusPanel(0)->text(), QStringLiteral("1/3"));
  EXPECT_EQ(shown(t), "R2 R5 R6 ");
  EXPECT_EQ(window.statusPanel(2)->text(), QStringLiteral("(QTY>4)OR(NAME='r2') "));

  {
    // Case and partial comparison on: 'r*' now matches nothing, 'R*' every name.
    Builder b(w);
    b.find<QCheckBox>("caseSensitive")->setChecked(true);
    b.find<QCheckBox>("partialCompare")->setChecked(true);
    b.line("expression")->setText(QStringLiteral("(NAME='R*')AND(QTY<3)"));
    b.click("apply");
  }
  EXPECT_EQ(t.filterOptions(), 0u);
  EXPECT_EQ(shown(t), "R1 R2 ");

  {
    // A malformed expression: the engine's message, the dialog stays, the filter stays.
    Builder b(w);
    b.form.setResult(QDialog::Rejected);
    b.line("expression")->setText(QStringLiteral("(QTY>"));
    b.click("apply");
    ASSERT_EQ(w.dialogs.messages.size(), 1);
    EXPECT_EQ(b.form.result(), QDialog::Rejected);
    EXPECT_EQ(t.filter(), "(NAME='R*')AND(QTY<3)");
    // Cancel changes nothing.
    b.click("cancel");
    EXPECT_EQ(shown(t), "R1 R2 ");
  }
  {
    Builder b(w);
    b.click("all");
  }
  EXPECT_FALSE(t.filtered());
  EXPECT_EQ(t.filter(), "");
  EXPECT_EQ(t.filterOptions(), 0u);
  EXPECT_EQ(shown(t), "R1 R2 R3 R4 R5 R6 ");
  EXPECT_TRUE(window.statusPanel(2)->text().isEmpty());
  EXPECT_EQ(w.slot(w.engine->activeSlot()).filter.position, -1);
  {
    Builder b(w);
    b.click("all");  // without a filter: still none, panel still empty
  }
  EXPECT_FALSE(t.filtered());
  EXPECT_TRUE(window.statusPanel(2)->text().isEmpty());
}

TEST(QueryBuilder, PositionConditionCountsGbkBytes) {
  Workbench w;
  makeNames(w, "p.dbf", {"张三", "李张", "abc", "Ab张", "张ab"});
  w.open("p.dbf");
  tdb::Table& t = w.table();
  TForm11& window = w.window(w.engine->activeSlot());
  auto apply = [&](const QString& text, const char* op, const QString& at, bool withCase = false,
                   const QString& expression = QString()) {
    Builder b(w);
    b.find<QCheckBox>("caseSensitive")->setChecked(withCase);
    b.position(text, "NAME", op, at);
    b.line("expression")->setText(expression);
    b.click("apply");
    return b.line("position")->text();
  };

  // A Chinese character takes two positions.
  apply(QStringLiteral("张"), "=", QStringLiteral("3"));
  EXPECT_EQ(shown(t), "李张 Ab张 ");
  EXPECT_EQ(window.statusPanel(2)->text(), QStringLiteral("[POS(张,NAME)=3]"));
  const searchstru& kept = w.slot(w.engine->activeSlot()).filter;
  EXPECT_EQ(kept.substr, QStringLiteral("张"));
  EXPECT_EQ(kept.fieldname, QStringLiteral("NAME"));
  EXPECT_EQ(kept.position, 3);

  // A blank position reads 0: ">" 0 keeps the names that hold the text, "=" 0 the others.
  EXPECT_EQ(apply(QStringLiteral("张"), ">", QStringLiteral(" ")), QStringLiteral("0"));
  EXPECT_EQ(shown(t), "张三 李张 Ab张 张ab ");
  apply(QStringLiteral("张"), "=", QString());
  EXPECT_EQ(shown(t), "abc ");

  // Without case only ASCII letters fold; with case they compare as stored.
  apply(QStringLiteral("AB"), "=", QStringLiteral("1"));
  EXPECT_EQ(shown(t), "abc Ab张 ");
  apply(QStringLiteral("ab"), ">", QStringLiteral("0"), true);
  EXPECT_EQ(shown(t), "abc 张ab ");

  // The expression and the position condition act together.
  apply(QStringLiteral("ab"), ">", QStringLiteral("0"), true, QStringLiteral("(QTY>3)"));
  EXPECT_EQ(shown(t), "张ab ");
  EXPECT_EQ(window.statusPanel(2)->text(), QStringLiteral("(QTY>3)[POS(ab,NAME)>0]"));

  // Incomplete conditions do nothing: no string, or a position that is not a number (which
  // stays in its box as typed).
  apply(QString(), ">", QStringLiteral("0"), false, QStringLiteral("(QTY<3)"));
  EXPECT_EQ(shown(t), "张三 李张 ");
  EXPECT_EQ(window.statusPanel(2)->text(), QStringLiteral("(QTY<3)"));
  EXPECT_EQ(apply(QStringLiteral("张"), ">", QStringLiteral("x1")), QStringLiteral("x1"));
  EXPECT_EQ(w.slot(w.engine->activeSlot()).filter.position, -1);
  EXPECT_EQ(shown(t), "张三 李张 abc Ab张 张ab ");
  EXPECT_TRUE(window.statusPanel(2)->text().isEmpty());
}

}  // namespace
}  // namespace torvanel
