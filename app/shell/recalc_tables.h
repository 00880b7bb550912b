#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <stdexcept>
#include <vector>

#include "app/projects/formula_evaluation.h"
#include "app/projects/project_definition.h"
#include "engine/table.h"
#include "engine/table_type.h"

namespace torvanel {

// A project's tables opened for its formulas, without a window, as a project window opens them:
// the master in its first index's order; a table in an index relation ordered by its key and
// following the master; any other table ordered by its lookup index. Unlike the window, which
// carries on with what it could open, every failure here ends the run before a record is
// stored: a nightly job must not compute with a table missing.
class ProjectTableSet {
 public:
  // Throws std::runtime_error with the Chinese message (UTF-8) naming the table at fault.
  ProjectTableSet(const ProjectDefinition& project, tdb::TableType dbfType);

  tdb::Table& master() { return master_; }
  // What the evaluator reads; valid while this set lives.
  ProjectTables forFormulas(double scale);

 private:
  void openAuxiliary(const AuxiliaryTable& entry, tdb::TableType dbfType, tdb::Table& t);

  tdb::Table master_;
  QList<AuxiliaryTable> auxdefs_;
  std::vector<std::unique_ptr<tdb::Table>> auxtables_;
  QList<FieldFormula> formulas_;
};

}  // namespace torvanel
