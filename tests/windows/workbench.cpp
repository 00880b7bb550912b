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
  return {QString::fromStdString(data.path()), QString::fromLatin1(table)};
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

}  // namespace torvanel::test
