#include "app/projects/recalculation.h"

#include <exception>
#include <span>
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

// A store may move its record from number `from` to `to`: a table kept in key order numbers its
// records by their place, so a new key takes the record out and puts it back where the key
// belongs, and each record between shifts one place towards `from`. The numbers still to visit
// follow them, so that every record is still stored once. Most stores move nothing, and then
// the numbers still to visit are not walked at all.
void followMove(std::span<tdb::Bookmark> rest, uint32_t from, uint32_t to) {
  if (from == to) return;
  for (tdb::Bookmark& mark : rest) {
    if (from < to && mark.record > from && mark.record <= to)
      --mark.record;
    else if (to < from && mark.record >= to && mark.record < from)
      ++mark.record;
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
    for (size_t i = 0; i < records.size(); ++i) {
      const tdb::Bookmark mark = records[i];
      if (!master->bookmarkValid(mark)) continue;
      master->gotoBookmark(mark);
      try {
        master->edit();
        master->post();
        const std::span rest(records.begin() + static_cast<long>(i) + 1, records.end());
        followMove(rest, mark.record, master->bookmark().record);
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
