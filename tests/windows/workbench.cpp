#include "tests/windows/workbench.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include "app/windows/index_choice_panel.h"

#include "tests/engine/table_fixture.h"

namespace torvanel::test {

Workbench::Workbench() {
  main.createDialogs();
  main.resize(1000, 700);
  user.activate();
  engine = main.findChild<WindowEngine*>();
}

TableRef Workbench::ref(const char* table) const {
  return {QString::fromStdString(data.path()), QString::fromUtf8(table)};
}

User& Workbench::openSample(const char* table, int rows) {
  tdb::test::makeSample(data, table, rows);
  open(table);
  return user;
}

QStringList Workbench::listEntries() const {
  QStringList out;
  for (int i = 0; i < main.windowList()->count(); ++i) out << main.windowList()->itemText(i);
  return out;
}

User& Workbench::sample(int rows, bool byName) {
  tdb::test::makeSample(data, "s.dbf", rows);
  if (byName) indexByName("s.dbf");
  open("s.dbf");
  return user;
}

User& Workbench::editSample(int rows, bool byName) {
  sample(rows, byName);
  user.menu(QStringLiteral("进入编辑状态"));
  return user;
}

void Workbench::indexByName(const char* table) {
  tdb::Table t;
  tdb::test::point(t, data, table);
  t.setExclusive(true);
  t.open();
  t.addIndex({"BYNAME", "NAME", "", 0});
}

void Workbench::query(const QString& expression) {
  user.whileModal([this, expression](QDialog* builder) {
    user.replaceText(builder->findChild<QLineEdit*>(QStringLiteral("expression")), expression);
    user.click(builder->findChild<QPushButton*>(QStringLiteral("apply")));
  });
  user.toolbar(QStringLiteral("查询"));
}

void Workbench::chooseIndex(const QString& entry) {
  user.menu(QStringLiteral("选择索引文件"));
  IndexChoicePanel* panel = user.window()->indexChoice();
  user.choose(panel->list(), entry);
  user.click(panel->confirmButton());
}

std::string Workbench::stored(const char* table, const char* field) const {
  tdb::Table t;
  tdb::test::point(t, data, table);
  t.open();
  std::string out;
  for (t.first(); !t.eof(); t.next()) out += t.fieldByName(field).asString() + " ";
  return out;
}

void Workbench::typeInto(const char* field, const QString& text) {
  // Both change nothing when the window is in that state already.
  user.menu(QStringLiteral("进入编辑状态"));
  user.menu(QStringLiteral("单记录模式显示"));
  user.clickInto(user.field(QLatin1String(field)));
  user.press(Qt::Key_A, Qt::ControlModifier);
  user.type(text);
  user.press(Qt::Key_Return);
}

void Workbench::makeTable(const char* table, std::initializer_list<tdb::FieldDef> fields) const {
  tdb::Table t;
  tdb::test::point(t, data, table);
  for (const tdb::FieldDef& f : fields) t.fieldDefs().add(f);
  t.createTable();
}

void Workbench::makePeople(const char* table, std::initializer_list<const char*> rows,
                           const char* index, unsigned options) const {
  tdb::Table t;
  tdb::test::point(t, data, table);
  t.fieldDefs().add("NAME", tdb::FieldType::ftString, 8);
  t.fieldDefs().add("CITY", tdb::FieldType::ftString, 8);
  if (index) t.indexDefs().add({index, "NAME", "", options});
  t.createTable();
  for (const std::string row : rows) {
    const size_t slash = row.find('/');
    tdb::test::addRecord(data, table,
                         {{"NAME", tdb::Value::text(tdb::test::gbk(row.substr(0, slash)))},
                          {"CITY", tdb::Value::text(tdb::test::gbk(row.substr(slash + 1)))}});
  }
}

}  // namespace torvanel::test
