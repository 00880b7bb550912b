#pragma once

#include <QStringList>

#include "tests/windows/workbench.h"

namespace torvanel {

class FieldGrid;
class TForm03;

namespace test {

// A user at the structure designer: every step is a click or a key on its widgets.
struct DesignerUser {
  Workbench& w;
  User& u = w.user;

  TForm03* designer() const;
  FieldGrid* grid() const;
  // "新建数据表" on the file `name` of the data folder, named in the file dialog.
  void newTable(const char* name);
  // Fills row `row` (from 0; one past the last adds a row with "增加行"): `name` typed into its
  // name cell, `type` picked from its type menu, `width` (when given) typed into its width cell.
  void field(int row, const QString& name, const char* type, const QString& width = {});
  // Types `text` into the cell, over what it held.
  void typeInto(int row, int column, const QString& text);
  // "定义索引" (or, with `change`, "修改索引" on that list entry), the panel filled as given,
  // then " 确认".
  void defineIndex(const QString& name, const QStringList& fields, const QStringList& options = {});
  void changeIndex(const QString& entry, const QString& name, const QStringList& moreFields);
  // "修改表结构" on the active window; `steps` act in the modal designer.
  void modify(const std::function<void()>& steps);
};

}  // namespace test
}  // namespace torvanel
