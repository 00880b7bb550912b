#pragma once

#include <QString>
#include <functional>

#include "app/common/table_ref.h"
#include "engine/table_type.h"

namespace torvanel {

class WindowEngine;

// "复制输出", "追加输出", "按现有顺序输出" and "追加输入": records moved between the active
// window's table and a table the user picks in the table chooser. Each menu item first asks
// ready(); the chooser then calls the operation with its choice, which works on the window that
// is active at that moment. The window's side always goes in the window's current order and
// filter: what it shows is what goes out.
class TableTransfers {
 public:
  enum class Kind { Copy, AppendOutput, Ordered, AppendInput };

  TableTransfers(WindowEngine& engine, std::function<tdb::TableType()> dbfType);

  // The menu item's precondition: a window is open and, for an append output or an ordered
  // output, its table has records (else the user is told).
  bool ready(Kind kind) const;

  // A new table with the window table's fields and indexes holding its records, built whole and
  // put in place only when complete; refused while a window holds the target.
  void copyOutput(const TableRef& target);
  // The window table's records added to an existing table, which keeps the engine's type for its
  // name; a failure says how many records went in before it.
  void appendOutput(const TableRef& target);
  // A new table with the window table's fields, no indexes, records in the window's order.
  void orderedOutput(const TableRef& target);
  // The chosen table's records added to the window's table.
  void appendInput(const TableRef& source);

 private:
  // Copy output (`withIndexes`) and ordered output: a new table of the window table's fields.
  void newTable(const TableRef& target, bool withIndexes);
  // Append input (`input`: into the window's table) and append output; the other table keeps
  // the engine's type for its name.
  void append(const TableRef& other, bool input);

  WindowEngine& engine_;
  std::function<tdb::TableType()> dbfType_;
};

}  // namespace torvanel
