#include "tests/windows/workbench.h"

#include <QComboBox>

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

std::string Workbench::stored(const char* table, const char* field) const {
  tdb::Table t;
  tdb::test::point(t, data, table);
  t.open();
  std::string out;
  for (t.first(); !t.eof(); t.next()) out += t.fieldByName(field).asString() + " ";
  return out;
}

}  // namespace torvanel::test
