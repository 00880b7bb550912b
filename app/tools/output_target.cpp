#include "app/tools/output_target.h"

#include <filesystem>

#include "app/common/table_names.h"
#include "app/ui/dialogs.h"
#include "app/windows/table_window.h"
#include "app/windows/window_registry.h"
#include "engine/engine_error.h"

namespace torvanel {

std::optional<TableRef> parseOutputName(const QString& text) {
  const qsizetype open = text.indexOf(QLatin1Char('[')), close = text.indexOf(QLatin1Char(']'));
  if (open < 0 && close < 0) return TableRef{QString(), text};
  if (open < 0 || close < open) return std::nullopt;
  TableRef ref{text.mid(open + 1, close - open - 1), text.mid(close + 1)};
  if (ref.table.trimmed().isEmpty()) return std::nullopt;
  return ref;
}

tdb::TableType outputType(const QString& table, tdb::TableType dbfType) {
  return table.toUpper().endsWith(QLatin1String(".DBF")) ? dbfType : tdb::TableType::ttDefault;
}

void pointAt(tdb::Table& t, const TableRef& ref, tdb::TableType type) {
  t.setDatabaseName(engineDatabaseName(ref.database));
  t.setTableName(engineTableName(ref.table));
  t.setTableType(type);
}

int slotHolding(const WindowRegistry& registry, const TableRef& ref) {
  const int named = registry.holding(ref.database, ref.table);
  if (named >= 0) return named;
  std::string path;
  try {
    tdb::Table t;
    pointAt(t, ref, tdb::TableType::ttDefault);
    path = t.path();
  } catch (const tdb::EngineError&) {
    return -1;  // an unknown alias: no window can hold a table of it
  }
  for (int slot : registry.inUse()) {
    TForm11* w = registry[slot].window;
    std::error_code error;
    if (w && std::filesystem::equivalent(path, w->table().path(), error)) return slot;
  }
  return -1;
}

bool refuseOpenOutput(const WindowRegistry& registry, const TableRef& ref, const QString& verb) {
  const int slot = slotHolding(registry, ref);
  if (slot < 0) return false;
  dialogs().message(QStringLiteral("数据表:") + ref.text() + QStringLiteral("\r已在第[") +
                    QString::number(slot) + QStringLiteral("]窗口打开,请关闭后再") + verb +
                    QStringLiteral("!"));
  return true;
}

}  // namespace torvanel
