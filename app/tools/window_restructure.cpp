#include "app/tools/window_restructure.h"

#include "app/tools/structure_messages.h"
#include "app/ui/dialogs.h"
#include "app/ui/suspended_display.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"
#include "engine/restructure.h"

namespace torvanel {

namespace {

// The name of the index the table is ordered by, "" in its natural order.
std::string orderIndexName(tdb::Table& t) {
  if (!t.indexName().empty()) return t.indexName();
  if (t.indexFieldNames().empty()) return {};
  for (const tdb::IndexDef& def : t.indexDefs())
    if (def.fields == t.indexFieldNames()) return def.name;
  return {};
}

}  // namespace

bool restructureWindow(WindowEngine& engine, int slot, const tdb::FieldDefs& fields,
                       const tdb::IndexDefs& indexes,
                       const std::function<void(long done, long total)>& progress) {
  TForm11& w = *engine.registry()[slot].window;
  tdb::Table& t = w.table();
  std::unique_ptr<tdb::Restructure> work;
  try {
    work = std::make_unique<tdb::Restructure>(t.path(), t.tableType(), fields, indexes);
  } catch (const tdb::EngineError& e) {
    showError(e);
    return false;
  }
  if (dialogs().confirm(QStringLiteral("修改结构可能部分数据会丢失,继续吗?"), false) != Answer::Yes)
    return false;

  const std::string order = orderIndexName(t);
  // The single-record view's controls are bound to fields that may go: the grid view shows the
  // new structure, and the page view is built again afterwards.
  const bool pageView = w.viewMode() == 1;
  if (pageView) engine.mmodal();
  bool replaced = false;
  {
    SuspendedDisplay still(t);
    try {
      t.close();  // the rebuild needs the table to itself
      work->backup(progress);
      const tdb::CarryLosses losses = work->build(order, progress);
      if (!losses.any() || dialogs().confirm(lossQuestion(losses), false) == Answer::Yes) {
        work->commit();
        replaced = true;
      }
    } catch (const tdb::EngineError& e) {
      showError(e);
    }
    // What the work held of the table (its lock, an abandoned build) goes before the table opens.
    work.reset();
    try {
      if (replaced)
        engine.reopenRebuilt(slot);
      else
        t.open();  // as it was, in the order it had
    } catch (const tdb::EngineError& e) {
      showError(e);
    }
  }
  if (replaced) engine.okthistable();
  if (pageView) engine.smodal();
  return replaced;
}

}  // namespace torvanel
