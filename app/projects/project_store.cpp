#include "app/projects/project_store.h"

#include "app/common/file_error.h"
#include "app/common/gbk_string.h"
#include "app/common/table_names.h"
#include "app/projects/project_file.h"
#include "app/projects/project_text_check.h"
#include "engine/table.h"

namespace torvanel {

QStringList tableFieldNames(const TableRef& ref) {
  tdb::Table t;
  t.setDatabaseName(engineDatabaseName(ref.database));
  t.setTableName(engineTableName(ref.table));
  t.updateFieldDefs();
  QStringList names;
  for (const tdb::FieldDef& def : t.fieldDefs()) names << fromGbk(def.name);
  return names;
}

void setvalue(ProjectDefinition& project, const QString& programFolder) {
  project.reset();
  if (project.master.trimmed().isEmpty()) return;
  for (const QString& field : tableFieldNames(project.masterRef()))
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
