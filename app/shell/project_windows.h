#pragma once

#include "app/projects/project_definition.h"
#include "app/windows/project_window.h"

namespace torvanel {

// A project as its window takes it: the pages, formulas and auxiliary tables of `project`, the
// window captioned with `name`. Auxiliary rows without a table and empty formulas are left out.
ProjectWindowSpec projectWindowSpec(const QString& name, const ProjectDefinition& project);

}  // namespace torvanel
