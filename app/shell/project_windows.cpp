#include "app/shell/project_windows.h"

#include <memory>

#include "app/projects/formula_evaluation.h"
#include "app/projects/recalculation.h"
#include "app/ui/dialogs.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "engine/engine_error.h"

namespace torvanel {

namespace {

// The project's evaluator as its window holds it.
class BoundFormulas : public WindowFormulas {
 public:
  BoundFormulas(ProjectTables tables)
      : evaluator_(std::move(tables), [](const QString& question) {
          return dialogs().confirm(question, false) == Answer::Yes;
        }) {}
  void evaluate() override { evaluator_.evaluate(); }
  FormulaEvaluator& evaluator() { return evaluator_; }

 private:
  FormulaEvaluator evaluator_;
};

QList<AuxiliaryTable> withTables(const QList<AuxiliaryTable>& rows) {
  QList<AuxiliaryTable> out;
  for (const AuxiliaryTable& a : rows)
    if (!a.table.isEmpty()) out << a;
  return out;
}

}  // namespace

ProjectWindowSpec projectWindowSpec(const QString& name, const ProjectDefinition& project) {
  ProjectWindowSpec spec;
  spec.name = name;
  spec.master = project.masterRef();
  for (const DisplayPage& page : project.pages) {
    spec.pagecaptions << page.caption;
    std::vector<columns> shown;
    if (page.hasFields())
      for (const PageColumn& c : page.rows)
        shown.push_back({c.field, c.displayName, c.promptSource});
    spec.pagecolumns.push_back(std::move(shown));
  }
  for (const FieldFormula& f : project.formulas)
    if (!f.formula.isEmpty()) spec.formulas.push_back({f.field, f.formula});
  for (const AuxiliaryTable& a : withTables(project.auxiliaries))
    spec.auxdefs.push_back({a.database, a.table, a.relationType, a.auxiliaryKey(), a.masterFields(),
                            a.shown == kShown, a.lookupIndex});
  return spec;
}

int openProject(WindowEngine& engine, const QString& name, const ProjectDefinition& project,
                double scale) {
  const int slot = engine.viewproject(projectWindowSpec(name, project));
  if (slot < 0) return -1;
  const WindowSlot& s = engine.registry()[slot];
  ProjectTables tables;
  tables.master = &s.window->table();
  tables.auxdefs = withTables(project.auxiliaries);
  for (tdb::Table* t : s.auxtables) tables.auxtables.push_back(t->active() ? t : nullptr);
  for (const FieldFormula& f : project.formulas)
    if (!f.formula.isEmpty()) tables.formulas << f;
  tables.scale = scale;
  auto bound = std::make_unique<BoundFormulas>(std::move(tables));
  BoundFormulas& formulas = *bound;
  s.window->setFormulas(std::move(bound));
  formulas.evaluator().installAsBeforePost();
  return slot;
}

void recalculateActive(WindowEngine& engine) {
  const int slot = engine.activeSlot();
  if (slot < 0 || engine.registry()[slot].kind != 'm') return;
  if (!engine.inEditState(slot)) {
    dialogs().message(QStringLiteral("在编辑状态下才能计算!"));
    return;
  }
  TForm11& w = *engine.registry()[slot].window;
  auto* bound = dynamic_cast<BoundFormulas*>(w.formulas());
  if (!bound) return;
  tdb::Table& t = w.table();
  // The walk starts from stored records: the record in hand is stored first, as any move would.
  try {
    if (t.editing()) t.post();
  } catch (const tdb::EngineError& e) {
    showError(e);
    return;
  }
  w.showProgress(static_cast<int>(t.recordCount()));
  const RecalcResult result = recalculate(
      bound->evaluator(), [&w](long done, long) { w.setProgress(static_cast<int>(done)); });
  w.hideProgress();
  if (!result.ok()) dialogs().message(result.error);
}

}  // namespace torvanel
