#pragma once

#include <QString>
#include <QStringList>

#include "app/common/table_ref.h"
#include "app/projects/project_definition.h"
#include "app/projects/project_list_file.h"
#include "engine/table_type.h"

namespace torvanel {

// Loading and saving the designer's project: the master's fields through the table engine, the
// project file and the project list.

// Resets `project` (name and master stay) and loads the project file of its master: no master,
// nothing more; otherwise one empty formula per master field, then the file when there is one.
// Throws tdb::EngineError when the master's fields cannot be read (the reset project stands) and
// FileError when the file cannot be read or is damaged (what was read before stays). A ".DBF"
// master is read as `dbfType`, as the designer reads the project's other tables.
void setvalue(ProjectDefinition& project, const QString& programFolder,
              tdb::TableType dbfType = tdb::TableType::ttDefault);

// Saves the designer's project, nothing when its master is blank: first the project list (mode
// New appends name + "---" + master, mode Modify replaces the selected line; a list not loaded in
// this run is loaded first), written whole; then the project file. The list in memory changes
// only once its file is written, and a New project's line, once written, becomes the selected
// line in mode Modify, so that saving again replaces it instead of adding it twice. Throws
// FileError, writing nothing after the step that failed; a project whose text cannot be written
// (projectTextProblem) throws before anything is written.
void savefile(const ProjectDefinition& project, ProjectList& list, const QString& programFolder);

}  // namespace torvanel
