#pragma once

#include <QString>
#include <initializer_list>
#include <string>

#include "app/projects/project_definition.h"
#include "tests/windows/workbench.h"

namespace torvanel::test {

// A shop's project on real tables of the workbench's data folder: the goods (CODE C(6), NAME
// C(10), PRICE N(8,2), index BYCODE on CODE: A1 苹果 2.5, b2 面包 3.15, B3 香蕉 4, C4 牛奶 1.99)
// and a master `master` (CODE C(6), QTY N(6,0), PRICE N(8,2), AMOUNT N(10,1), NOTE C(10); a
// Paradox master is keyed by CODE) whose
// PRICE is looked up by CODE and whose AMOUNT is QTY×PRICE. Its page "录入" shows CODE (prompted
// from the goods' codes), QTY, PRICE and AMOUNT; the page "全部" every field; the goods are shown
// below, ordered by CODE.
struct Shop {
  Workbench& w;
  const char* master;
  ProjectDefinition project;

  explicit Shop(Workbench& bench, const char* masterTable = "orders.dbf");
  // The folder database text, and "[" + folder + "/" + table + "]" + field.
  QString db() const { return QString::fromStdString(w.data.path()); }
  QString ref(const char* table, const char* field) const;
  // Appends a master record to `table` (the master unless given) through a cursor of its own.
  void order(const char* code, int qty, const char* table = nullptr) const;
  // Creates `table`, empty, with the master's fields (and key).
  void makeMaster(const char* table) const;
  // Writes the project files of this project and `others` and the project list (one line each,
  // this project's first) with the program's own writers, then opens each as the user does:
  // "打开项目", its line, "打 开"; this project first, so each of `others` is one window later.
  void open(std::initializer_list<const ProjectDefinition*> others = {});
  // `field` of every master record read back by a cursor of its own, each followed by a blank.
  std::string stored(const char* field) const { return w.stored(master, field); }
};

}  // namespace torvanel::test
