#include "app/projects/recalculation.h"

#include <exception>
#include <vector>

#include "app/projects/formula_evaluation.h"
#include "app/ui/suspended_display.h"
#include "engine/table.h"

namespace torvanel {

namespace {

QString messageOf(const std::exception& e) { return QString::fromUtf8(e.what()); }

void cancelQuietly(tdb::Table& t) {
  try {
    if (t.editing()) t.cancel();
  } catch (const std::exception&) {
  }
}

}  // namespace

RecalcResult recalculate(FormulaEvaluator& evaluator,
                         const std::function<void(long, long)>& progress) {
  RecalcResult result;
  tdb::Table* master = evaluator.tables().master;
  if (!master) return result;
  evaluator.clearRecalcStop();
  SuspendedDisplay quiet(*master);
  try {
    // The records to store are fixed before the first store: a stored record may move in the
    // order or leave the filter, and walking on from it would skip or repeat records.
    // They are read without moving: a move would make every detail table follow it. A pending
    // edit is stored first, as any move stores it.
    master->first();
    std::vector<tdb::Bookmark> records;
    for (long p = 1; const uint32_t r = master->recordAt(p); ++p) records.push_back({r});
    result.total = static_cast<long>(records.size());
    for (const tdb::Bookmark& mark : records) {
      if (!master->bookmarkValid(mark)) continue;
      master->gotoBookmark(mark);
      try {
        master->edit();
        master->post();
      } catch (const std::exception& e) {
        cancelQuietly(*master);
        result.error = messageOf(e);
        break;
      }
      ++result.stored;
      if (progress) progress(result.stored, result.total);
      if (evaluator.recalcStop()) {
        result.stopped = true;
        break;
      }
    }
    master->first();
  } catch (const std::exception& e) {
    cancelQuietly(*master);
    if (result.error.isEmpty()) result.error = messageOf(e);
  }
  return result;
}

}  // namespace torvanel
