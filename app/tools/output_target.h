#pragma once

#include <QString>
#include <optional>

#include "app/common/table_ref.h"
#include "engine/table.h"

namespace torvanel {

class WindowRegistry;

// What the utilities that write into a table the user names have in common: reading the name,
// the type the table is made with, and keeping the output off tables open in windows.

// The summary's output box: "[" database "]" table, or a bare table name in the engine's default
// place (no database). Nullopt for a text that has a bracket but not that form ("[A" or "]B[C"),
// or no table name after the "]".
std::optional<TableRef> parseOutputName(const QString& text);

// The type a table of that name is made with: `dbfType` for a name ending in ".DBF" in any letter
// case, else whatever the engine takes from the extension.
tdb::TableType outputType(const QString& table, tdb::TableType dbfType);

// Points a closed cursor at `ref` with `type`.
void pointAt(tdb::Table& t, const TableRef& ref, tdb::TableType type);

// The first slot in use whose main table is `ref`: by the names as written, compared exactly, or
// by the file they resolve to, so that an alias and a folder spelling of one table are both
// caught. -1 when none.
int slotHolding(const WindowRegistry& registry, const TableRef& ref);

// Shows "数据表:[db]table\r已在第[n]窗口打开,请关闭后再" + verb + "!" and returns true when a
// window holds `ref` (see slotHolding); false, showing nothing, otherwise.
bool refuseOpenOutput(const WindowRegistry& registry, const TableRef& ref, const QString& verb);

}  // namespace torvanel
