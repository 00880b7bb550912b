// The query builder on a real table window: composing expressions, the history, applying and
// removing the filter, and the string-position condition on GBK text.

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <functional>

#include "app/tools/query_builder.h"
#include "tests/engine/table_fixture.h"
#include "tests/windows/workbench.h"

namespace torvanel {
namespace {

using tdb::test::gbk;
using test::Workbench;

// The query builder as "查询" opens it for the active window, with its controls at hand; every
// step is a click or keys on them.
struct Builder {
  Builder(Workbench& w, TForm02& form) : form(form), w(w), u(w.user) {}
  template <class T>
  T* find(const char* name) {
    T* c = form.findChild<T*>(QLatin1String(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  void click(const char* name) { u.click(find<QPushButton>(name)); }
  QComboBox* combo(const char* name) { return find<QComboBox>(name); }
  QLineEdit* line(const char* name) { return find<QLineEdit>(name); }
  QString expression() { return line("expression")->text(); }
  void type(const char* box, const QString& text) { u.replaceText(line(box), text); }
  void choose(const char* box, const QString& entry) { u.choose(combo(box), entry); }
  void check(const char* box, bool on) {
    auto* c = find<QCheckBox>(box);
    if (c->isChecked() != on) u.click(c);
  }
  void pickHistory(int row) {
    auto* history = find<QListWidget>("history");
    QTest::mouseClick(history->viewport(), Qt::LeftButton, Qt::NoModifier,
                      history->visualItemRect(history->item(row)).center());
  }
  void condition(const char* logic, const char* field, const char* op, const QString& value) {
    if (logic) choose("logic", QLatin1String(logic));
    if (field) choose("field", QLatin1String(field));
    if (op) choose("operator", QLatin1String(op));
    type("value", value);
    click("addCondition");
  }
  void position(const QString& text, const char* field, const char* op, const QString& at) {
    type("substr", text);
    choose("positionField", QString::fromUtf8(field));
    choose("positionOperator", QLatin1String(op));
    type("position", at);
  }
  TForm02& form;
  Workbench& w;
  test::User& u;
};

// Opens the query builder from the toolbar and runs `steps` on it while it is shown; a builder
// the steps leave open is closed with "取消".
void withBuilder(Workbench& w, const std::function<void(Builder&)>& steps) {
  w.user.whileModal([&](QDialog* dialog) {
    Builder b(w, *static_cast<TForm02*>(dialog));
    steps(b);
    if (dialog->isVisible()) b.click("cancel");
  });
  w.user.toolbar(QStringLiteral("查询"));
}

// NAME of every row the active window's grid shows, in order, as UTF-8.
std::string shown(Workbench& w) {
  const QAbstractItemModel* rows = w.user.grid()->model();
  std::string out;
  for (int r = 0; r < rows->rowCount(); ++r)
    out += rows->index(r, 0).data().toString().toStdString() + " ";
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
  withBuilder(w, [&](Builder& b) {
    EXPECT_EQ(b.form.windowTitle(), QStringLiteral("查询:[") +
                                        QString::fromStdString(w.data.path()) +
                                        QStringLiteral("]s.dbf()"));
    EXPECT_EQ(b.combo("field")->count(), 6);
    EXPECT_EQ(b.combo("field")->currentIndex(), -1);

    // Choosing a field proposes the current record's value.
    b.choose("field", QStringLiteral("NAME"));
    EXPECT_EQ(b.line("value")->text(), QStringLiteral("R1"));

    b.condition(nullptr, "NAME", "=", QString());
    EXPECT_EQ(b.expression(), QStringLiteral("(NAME='')or(NAME=null)"));
    EXPECT_EQ(b.combo("field")->currentIndex(), -1);  // the row is cleared after adding
    EXPECT_TRUE(b.line("value")->text().isEmpty());
    b.condition("AND", "QTY", ">", QString());
    b.condition("OR", "DAY", ">=", QStringLiteral("2024-01-03"));
    b.condition("AND", "NAME", "<>", QStringLiteral("O'Brien "));  // quotes go in as typed
    b.condition("NOT", nullptr, nullptr, QString());               // the word alone
    EXPECT_EQ(b.expression(),
              QStringLiteral("(NAME='')or(NAME=null)AND(QTY>null)OR(DAY>=2024-01-03)"
                             "AND(NAME<>'O'Brien ')NOT"));
    EXPECT_EQ(b.combo("logic")->currentIndex(), -1);

    b.position(QStringLiteral("R"), "NAME", "=", QStringLiteral("1"));
    b.click("reset");
    EXPECT_TRUE(b.expression().isEmpty());
    EXPECT_TRUE(b.line("substr")->text().isEmpty());
    EXPECT_EQ(b.combo("positionField")->currentIndex(), -1);
  });
}

TEST(QueryBuilder, HistoryKeepsDuplicatesForTheRun) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 3);
  w.open("s.dbf");
  withBuilder(w, [](Builder& b) {
    auto* history = b.find<QListWidget>("history");
    b.type("expression", QStringLiteral("  (QTY>1) "));
    b.click("storeHistory");
    b.click("storeHistory");
    b.type("expression", QStringLiteral("(QTY<3)"));
    b.click("storeHistory");
    ASSERT_EQ(history->count(), 3);
    EXPECT_EQ(history->item(0)->text(), QStringLiteral("(QTY>1)"));  // stored trimmed
    EXPECT_EQ(history->item(1)->text(), QStringLiteral("(QTY>1)"));
    b.pickHistory(0);
    b.type("expression", QStringLiteral("   "));
    b.click("storeHistory");  // nothing stored, the last entry chosen
    EXPECT_EQ(history->count(), 3);
    EXPECT_EQ(history->currentRow(), 2);

    b.type("expression", QStringLiteral("(QTY>0)AND"));
    b.click("addHistory");
    EXPECT_EQ(b.expression(), QStringLiteral("(QTY>0)AND(QTY<3)"));
    b.pickHistory(1);
    b.click("deleteHistory");
    EXPECT_EQ(history->count(), 2);
    EXPECT_EQ(history->currentRow(), 0);
  });

  // The next opening, on another window too, starts from the first entry of the same history.
  tdb::test::makeSample(w.data, "t.dbf", 2);
  w.open("t.dbf");
  withBuilder(w, [](Builder& b) {
    auto* history = b.find<QListWidget>("history");
    EXPECT_EQ(history->count(), 2);
    EXPECT_EQ(history->currentRow(), 0);
    EXPECT_TRUE(b.expression().isEmpty());
  });
}

TEST(QueryBuilder, ApplyAllAndCancel) {
  Workbench w;
  tdb::test::makeSample(w.data, "s.dbf", 6);
  w.open("s.dbf");
  tdb::Table& t = w.table();
  TForm11& window = w.window(0);
  withBuilder(w, [](Builder& b) {
    EXPECT_FALSE(b.find<QCheckBox>("caseSensitive")->isChecked());
    EXPECT_FALSE(b.find<QCheckBox>("partialCompare")->isChecked());
    b.type("expression", QStringLiteral("(QTY>4)OR(NAME='r2') "));
    b.click("apply");
    EXPECT_EQ(b.form.result(), QDialog::Accepted);
  });
  EXPECT_EQ(t.filter(), "(QTY>4)OR(NAME='r2')");
  EXPECT_EQ(t.filterOptions(), tdb::foCaseInsensitive | tdb::foNoPartialCompare);
  EXPECT_EQ(window.statusPanel(0)->text(), QStringLiteral("1/3"));
  EXPECT_EQ(shown(w), "R2 R5 R6 ");
  EXPECT_EQ(window.statusPanel(2)->text(), QStringLiteral("(QTY>4)OR(NAME='r2') "));

  // Case and partial comparison on: 'r*' now matches nothing, 'R*' every name.
  withBuilder(w, [](Builder& b) {
    b.check("caseSensitive", true);
    b.check("partialCompare", true);
    b.type("expression", QStringLiteral("(NAME='R*')AND(QTY<3)"));
    b.click("apply");
  });
  EXPECT_EQ(t.filterOptions(), 0u);
  EXPECT_EQ(shown(w), "R1 R2 ");

  // A malformed expression: the engine's message, the dialog stays, the filter stays.
  withBuilder(w, [&](Builder& b) {
    b.type("expression", QStringLiteral("(QTY>"));
    b.click("apply");
    ASSERT_EQ(w.dialogs.messages.size(), 1);
    EXPECT_TRUE(b.form.isVisible());
    EXPECT_EQ(t.filter(), "(NAME='R*')AND(QTY<3)");
    // Cancel changes nothing.
    b.click("cancel");
  });
  EXPECT_EQ(shown(w), "R1 R2 ");
  withBuilder(w, [](Builder& b) { b.click("all"); });
  EXPECT_FALSE(t.filtered());
  EXPECT_EQ(t.filter(), "");
  EXPECT_EQ(t.filterOptions(), 0u);
  EXPECT_EQ(shown(w), "R1 R2 R3 R4 R5 R6 ");
  EXPECT_TRUE(window.statusPanel(2)->text().isEmpty());
  EXPECT_EQ(w.slot(0).filter.position, -1);
  withBuilder(w, [](Builder& b) { b.click("all"); });  // without a filter: still none
  EXPECT_FALSE(t.filtered());
  EXPECT_TRUE(window.statusPanel(2)->text().isEmpty());
}

TEST(QueryBuilder, PositionConditionCountsGbkBytes) {
  Workbench w;
  makeNames(w, "p.dbf", {"张三", "李张", "abc", "Ab张", "张ab"});
  w.open("p.dbf");
  TForm11& window = w.window(0);
  auto apply = [&](const QString& text, const char* op, const QString& at, bool withCase = false,
                   const QString& expression = QString()) {
    QString position;
    withBuilder(w, [&](Builder& b) {
      b.check("caseSensitive", withCase);
      b.position(text, "NAME", op, at);
      b.type("expression", expression);
      b.click("apply");
      position = b.line("position")->text();
    });
    return position;
  };

  // A Chinese character takes two positions.
  apply(QStringLiteral("张"), "=", QStringLiteral("3"));
  EXPECT_EQ(shown(w), "李张 Ab张 ");
  EXPECT_EQ(window.statusPanel(2)->text(), QStringLiteral("[POS(张,NAME)=3]"));
  const searchstru& kept = w.slot(0).filter;
  EXPECT_EQ(kept.substr, QStringLiteral("张"));
  EXPECT_EQ(kept.fieldname, QStringLiteral("NAME"));
  EXPECT_EQ(kept.position, 3);

  // A blank position reads 0: ">" 0 keeps the names that hold the text, "=" 0 the others.
  EXPECT_EQ(apply(QStringLiteral("张"), ">", QStringLiteral(" ")), QStringLiteral("0"));
  EXPECT_EQ(shown(w), "张三 李张 Ab张 张ab ");
  apply(QStringLiteral("张"), "=", QString());
  EXPECT_EQ(shown(w), "abc ");

  // Without case only ASCII letters fold; with case they compare as stored.
  apply(QStringLiteral("AB"), "=", QStringLiteral("1"));
  EXPECT_EQ(shown(w), "abc Ab张 ");
  apply(QStringLiteral("ab"), ">", QStringLiteral("0"), true);
  EXPECT_EQ(shown(w), "abc 张ab ");

  // The expression and the position condition act together.
  apply(QStringLiteral("ab"), ">", QStringLiteral("0"), true, QStringLiteral("(QTY>3)"));
  EXPECT_EQ(shown(w), "张ab ");
  EXPECT_EQ(window.statusPanel(2)->text(), QStringLiteral("(QTY>3)[POS(ab,NAME)>0]"));

  // Incomplete conditions do nothing: no string, or a position that is not a number (which
  // stays in its box as typed).
  apply(QString(), ">", QStringLiteral("0"), false, QStringLiteral("(QTY<3)"));
  EXPECT_EQ(shown(w), "张三 李张 ");
  EXPECT_EQ(window.statusPanel(2)->text(), QStringLiteral("(QTY<3)"));
  EXPECT_EQ(apply(QStringLiteral("张"), ">", QStringLiteral("x1")), QStringLiteral("x1"));
  EXPECT_EQ(w.slot(0).filter.position, -1);
  EXPECT_EQ(shown(w), "张三 李张 abc Ab张 张ab ");
  EXPECT_TRUE(window.statusPanel(2)->text().isEmpty());
}

}  // namespace
}  // namespace torvanel
