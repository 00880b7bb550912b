#pragma once

#include "app/projects/project_definition.h"
#include "app/windows/project_window.h"

namespace torvanel {

class WindowEngine;

// A project as its window takes it: the pages, formulas and auxiliary tables of `project`, the
// window captioned with `name`. Auxiliary rows without a table and empty formulas are left out.
ProjectWindowSpec projectWindowSpec(const QString& name, const ProjectDefinition& project);

// Opens `project` in a new project window and gives it its own formula evaluator, bound to that
// window's master and auxiliary tables and run before every store of the master; the lookup
// error's question goes through the dialogs service. `scale` rounds × and ÷. Returns the slot, -1
// when the master did not open (the user was told).
int openProject(WindowEngine& engine, const QString& name, const ProjectDefinition& project,
                double scale);

// "按公式重新计算": stores every record of the active project window's master so that its formulas
// run for each, with the window's progress panel shown meanwhile. Nothing without a project
// window; refused outside the edit state. A store that fails is reported and ends the walk. The
// master ends on its first record.
void recalculateActive(WindowEngine& engine);

}  // namespace torvanel
