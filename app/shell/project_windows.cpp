#include "app/shell/project_windows.h"

namespace torvanel {

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
  for (const AuxiliaryTable& a : project.auxiliaries) {
    if (a.table.isEmpty()) continue;
    spec.auxdefs.push_back({a.database, a.table, a.relationType, a.auxiliaryKey(), a.masterFields(),
                            a.shown == kShown, a.lookupIndex});
  }
  return spec;
}

}  // namespace torvanel
