#pragma once

#include <QString>

#include "app/projects/project_definition.h"

namespace torvanel {

// What keeps a project's text inside the line format of its files.

// Removes CR and LF from every text of the project (line breaks would split a line of the file).
// Returns whether anything was removed.
bool removeLineBreaks(ProjectDefinition& project);

// The message the designer shows at "确认" when the project cannot be written as it stands, or
// empty when it can. It names the first problem found: a "---" in the project name, or a "-" at
// its end (the list line would split in the wrong place), a "|" in a column that the reader cuts at
// "|" (a display name, a field, an auxiliary table's database, table, relation type, relation text
// or shown flag), a field on a page beginning with "@" (it would read as a page header), a
// character GBK cannot hold (it would be written as "?"), or more pages than a project file may
// hold. Line breaks are not its business: removeLineBreaks first.
QString projectTextProblem(const ProjectDefinition& project);

}  // namespace torvanel
