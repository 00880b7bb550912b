#include "app/projects/recalculation.h"

#include <exception>
#include <vector>

#include "app/projects/formula_evaluation.h"
#include "engine/table.h"

namespace torvanel {

namespace {

// Bound controls hear one change at the end instead of one per record.
class QuietControls {
 public:
  explicit QuietControls(tdb::Table& t) : t_(t) { t_.disableControls(); }
  ~QuietControls() { t_.enableControls(); }
  QuietControls(const QuietControls&) = delete;
  QuietControls& operator=(const QuietControls&) = delete;

 private:
  tdb::Table& t_;
};

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
  QuietControls quiet(*master);
  try {
    // The records to store are fixed before the first store: a stored record may move in the
    // order or leave the filter, and walking on from it would skip or repeat records.
    std::vector<tdb::Bookmark> records;
    for (master->first(); !master->eof(); master->next()) records.push_back(master->bookmark());
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
