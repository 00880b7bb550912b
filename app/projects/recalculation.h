#pragma once

#include <QString>
#include <functional>

namespace torvanel {

class FormulaEvaluator;

// How a recalculation walk ended.
struct RecalcResult {
  long stored = 0;       // records stored
  long total = 0;        // records visible when the walk started
  bool stopped = false;  // the lookup question was answered No
  QString error;         // the engine's message when a store failed; empty otherwise
  bool ok() const { return error.isEmpty(); }
};

// Stores every record of the evaluator's master, in its current order and filter, so that the
// formulas run for each. The records visible at the start are each stored exactly once, even when
// a formula moves a record in the order or out of the filter, or changes the key of a table kept
// in key order (which renumbers the records between the old and new places). The evaluator must be
// installed as the master's before-store hook; a pending edit of the master is stored first, as any
// move stores it. `progress` hears (records stored, records to store) after each record. A store
// that fails cancels that record's edit and ends the walk with the engine's message; a No to the
// lookup question ends it once the record in hand is stored. Bound controls hear one change, at the
// end; the master is left on its first record. Never throws.
RecalcResult recalculate(FormulaEvaluator& evaluator,
                         const std::function<void(long done, long total)>& progress = {});

}  // namespace torvanel
