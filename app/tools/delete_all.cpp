// "全部删除记录": every record the window shows goes, and a dBASE file is packed at once unless
// the window buffers its changes.

#include <QAbstractItemView>
#include <QTableView>

#include "app/tools/record_commands.h"
#include "app/ui/dialogs.h"
#include "app/ui/suspended_display.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"

namespace torvanel {

void deleteAllRecords(WindowEngine& engine) {
  const int slot = engine.activeSlot();
  if (slot < 0) return;
  WindowSlot& s = engine.registry()[slot];
  TForm11& window = *s.window;
  tdb::Table& t = window.table();
  try {
    if (t.isEmpty()) return;
  } catch (const tdb::EngineError&) {
    return;
  }
  if (!engine.inEditState(slot)) {
    dialogs().message(QStringLiteral("在编辑状态下才能删除!"));
    return;
  }
  if (dialogs().confirm(QStringLiteral("确实要全部删除记录吗?"), false) != Answer::Yes) return;

  try {
    window.showProgress(static_cast<int>(t.recordCount()));
    SuspendedDisplay still(t);
    // Only what the window shows: a filter keeps its hidden records.
    t.first();
    int done = 0;
    while (!t.eof()) {
      t.deleteRecord();
      window.setProgress(++done);
    }
    if (!t.cachedUpdates() && t.driverTypeName() == "DBASE") WindowEngine::packDbase(t);
  } catch (const tdb::EngineError& e) {
    showError(e);
  }
  window.hideProgress();
  for (QTableView* grid : s.pagegrids)
    if (grid->selectionMode() != QAbstractItemView::SingleSelection)
      WindowEngine::endMultiSelection(grid);
  window.showPosition();
}

}  // namespace torvanel
