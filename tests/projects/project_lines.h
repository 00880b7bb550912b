#pragma once

#include <QByteArray>
#include <QStringList>
#include <ostream>

#include "app/projects/project_definition.h"

namespace torvanel::test {

// A project on a master with `fields`, read from the bytes of a project file as setvalue reads
// one: reset, one empty formula per field, then the file's lines.
ProjectDefinition readProject(const QByteArray& bytes,
                              const QStringList& fields = {"NAME", "PRICE", "QTY"});

// CR LF joined GBK lines, as the project files hold them.
QByteArray crlf(const QStringList& lines);

}  // namespace torvanel::test

namespace torvanel {
// Readable failures: the model as the file's lines.
void PrintTo(const ProjectDefinition& project, std::ostream* out);
void PrintTo(const AuxiliaryTable& entry, std::ostream* out);
void PrintTo(const PageColumn& row, std::ostream* out);
void PrintTo(const FieldFormula& formula, std::ostream* out);
void PrintTo(const DisplayPage& page, std::ostream* out);
}  // namespace torvanel
