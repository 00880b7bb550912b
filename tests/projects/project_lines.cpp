#include "tests/projects/project_lines.h"

#include "app/common/text_file.h"
#include "app/projects/project_file.h"

namespace torvanel::test {

ProjectDefinition readProject(const QByteArray& bytes, const QStringList& fields) {
  ProjectDefinition p;
  p.master = "[DB]MASTER.DBF";
  for (const QString& f : fields) p.formulas << FieldFormula{f, {}};
  project_file::applyLines(gbkLines(bytes), p);
  return p;
}

QByteArray crlf(const QStringList& lines) { return gbkLineBytes(lines); }

}  // namespace torvanel::test

namespace torvanel {

namespace {
void print(const QStringList& lines, std::ostream* out) {
  *out << "\n  " << lines.join("\n  ").toStdString();
}
}  // namespace

void PrintTo(const ProjectDefinition& p, std::ostream* out) {
  *out << "name " << p.name.toStdString() << ", master " << p.master.toStdString();
  print(project_file::toLines(p), out);
}

void PrintTo(const AuxiliaryTable& a, std::ostream* out) {
  print({QStringList{a.database, a.table, a.relationType, a.relationText, a.shown, a.lookupIndex}
             .join('|')},
        out);
}

void PrintTo(const PageColumn& c, std::ostream* out) {
  *out << (c.field + '|' + c.displayName + '|' + c.promptSource).toStdString();
}

void PrintTo(const FieldFormula& f, std::ostream* out) {
  *out << (f.field + '|' + f.formula).toStdString();
}

void PrintTo(const DisplayPage& page, std::ostream* out) {
  *out << page.caption.toStdString() << ":";
  for (const PageColumn& c : page.rows) {
    *out << " ";
    PrintTo(c, out);
  }
}

}  // namespace torvanel
