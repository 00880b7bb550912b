#include "app/projects/project_store.h"

#include "app/common/file_error.h"
#include "app/projects/project_file.h"
#include "app/projects/project_text_check.h"
#include "app/projects/table_structure.h"

namespace torvanel {

void setvalue(ProjectDefinition& project, const QString& programFolder, tdb::TableType dbfType) {
  project.reset();
  if (project.master.trimmed().isEmpty()) return;
  for (const QString& field : readStructure(project.masterRef(), dbfType).fields)
    project.formulas << FieldFormula{field, {}};
  project_file::read(programFolder, project);
}

void savefile(const ProjectDefinition& project, ProjectList& list, const QString& programFolder) {
  if (project.master.trimmed().isEmpty()) return;
  ProjectDefinition clean = project;
  removeLineBreaks(clean);
  if (const QString problem = projectTextProblem(clean); !problem.isEmpty())
    throw FileError(problem);
  if (!list.loaded) list.load(programFolder);

  QStringList lines = list.lines;
  int selected = list.selected;
  const QString line = listLine(clean.name, clean.master);
  if (list.mode == DesignerMode::Modify && list.selectedLine()) {
    lines[selected] = line;
  } else {
    lines << line;
    selected = int(lines.size()) - 1;
  }
  project_list_file::write(programFolder, lines);
  list.lines = lines;
  list.selected = selected;
  list.mode = DesignerMode::Modify;

  project_file::write(programFolder, clean);
}

}  // namespace torvanel
