#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/projects/formula_text.h"
#include "app/projects/project_definition.h"
#include "engine/value.h"

namespace tdb {
class Table;
}

namespace torvanel {

// What one project window (or the command line) has open for its formulas. The tables are not
// owned: they must outlive the evaluator that reads them.
struct ProjectTables {
  tdb::Table* master = nullptr;
  QList<AuxiliaryTable> auxdefs;       // entries with a table, in the project's order
  std::vector<tdb::Table*> auxtables;  // same order; nullptr for a table that did not open
  QList<FieldFormula> formulas;        // non-empty formulas, in the master's field order
  double scale = 100;                  // rounding scale of × and ÷: 10 to the power of the places
};

// Works a project's formulas out for the master's record in hand, positioning the lookup tables
// first. Bound to one project's tables for its whole life, never to whichever window is active.
class FormulaEvaluator {
 public:
  // `askGoOn` is asked, with the question's text, whether to go on after a lookup table could not
  // be positioned (a field that does not exist, values that cannot be compared); true goes on.
  FormulaEvaluator(ProjectTables tables, std::function<bool(const QString&)> askGoOn);
  // The installed hook refers to this object: it stays where it was made.
  FormulaEvaluator(const FormulaEvaluator&) = delete;
  FormulaEvaluator& operator=(const FormulaEvaluator&) = delete;

  // The master's record is in edit or insert state. Stores the formulas' results into its fields
  // (every step stored and read back, so each step sees the field's own rounding). Never throws
  // and never stores a value that is not finite; a step that fails clears its target.
  void evaluate();

  // Makes every store of the master run evaluate() first. The evaluator must outlive the hook:
  // the caller clears master->beforePost before destroying it.
  void installAsBeforePost();

  // Set when the lookup question was answered No; only clearRecalcStop() clears it.
  bool recalcStop() const { return recalcStop_; }
  void clearRecalcStop() { recalcStop_ = false; }

  const ProjectTables& tables() const { return tables_; }

 private:
  struct Formula {
    std::string target;  // the master field's name, GBK
    ParsedFormula parsed;
    std::vector<int> entries;  // per step: the auxdefs entry an auxiliary operand names, or -1
  };

  void evaluateAll();
  // Positions lookup entry `u`; false when the user chose not to go on after an error.
  bool positionLookup(int u);
  void evaluatePass();
  void evaluateFormula(const Formula& formula);
  // The operand's value; nullopt when it names nothing that can be read.
  std::optional<tdb::Value> resolve(const FormulaOperand& operand, int entry);
  tdb::Table* auxtable(int entry) const;

  ProjectTables tables_;
  std::function<bool(const QString&)> askGoOn_;
  std::vector<Formula> formulas_;
  std::vector<bool> found_;  // per auxdefs entry: its lookup found a record (this call)
  bool recalcStop_ = false;
  bool running_ = false;  // a store made while evaluating must not evaluate again
};

// The lookup error's question for the auxiliary table `entry`, as the confirmation box shows it.
QString lookupErrorQuestion(const AuxiliaryTable& entry);

}  // namespace torvanel
