// "序号定位": the n-th record of the window's current order and filter.

#include "app/tools/record_commands.h"
#include "app/ui/dialogs.h"
#include "app/ui/suspended_display.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"

namespace torvanel {

void locateByNumber(WindowEngine& engine) {
  const int slot = engine.activeSlot();
  if (slot < 0) return;
  tdb::Table& t = engine.registry()[slot].window->table();
  try {
    // The proposal is the engine's record number, which in an index order need not be the
    // position the number typed will reach.
    const std::optional<QString> typed = dialogs().inputQuery(
        QStringLiteral("按序号定位"), QStringLiteral("输入序号:"), QString::number(t.recNo()));
    if (!typed) return;
    bool isNumber = false;
    const long n = typed->trimmed().toLong(&isNumber, 10);
    if (!isNumber) {
      dialogs().message(QStringLiteral("序号不是有效整数值!"));
      return;
    }
    if (n < 1 || n > t.recordCount()) {
      dialogs().message(QStringLiteral("序号超范围!"));
      return;
    }
    SuspendedDisplay still(t);
    t.moveTo(n);
  } catch (const tdb::EngineError& e) {
    showError(e);
  }
}

}  // namespace torvanel
