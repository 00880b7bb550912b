#include "app/tools/structure_checks.h"

#include "app/ui/dialogs.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"

namespace torvanel {

bool mayRestructure(WindowEngine& engine, int slot) {
  WindowRegistry& registry = engine.registry();
  const WindowSlot& s = registry[slot];
  if (s.kind == 'm') {
    dialogs().message(QStringLiteral("请别在打开的项目中修改数据表结构!"));
    return false;
  }
  TForm11& w = *s.window;
  const int other = registry.holding(w.databaseName(), w.tableName(), slot);
  if (other >= 0) {
    dialogs().message(QStringLiteral("数据表:[") + w.databaseName() + QStringLiteral("]") +
                      w.tableName() + QStringLiteral("\n已在第[") + QString::number(other) +
                      QStringLiteral("]窗口打开,请关闭后再修改结构!"));
    return false;
  }
  tdb::Table& t = w.table();
  if (t.filtered()) {
    dialogs().message(QStringLiteral("请退出查询再修改数据表结构!"));
    return false;
  }
  // A record still in hand joins the buffered changes first, so that the question about saving
  // them covers it; the rebuild would drop it unseen.
  if (t.editing()) {
    try {
      t.post();
    } catch (const tdb::EngineError& e) {
      showError(e);
      return false;
    }
  }
  if (!engine.closetable(CloseMode::SaveOnly)) return false;
  // The user said no to saving them: they are not carried into the new table either.
  if (t.cachedUpdates() && t.updatesPending()) t.cancelUpdates();
  return true;
}

}  // namespace torvanel
