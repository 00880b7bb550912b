// A project on a master of 255 fields, every field with a formula and 20 pages of 255 rows each:
// saved (project list and project file) and loaded again (the master's fields and the file) as
// the designer does at "确认" and when it is shown. Prints figures and the target; never fails for
// a missed target.
//
//   project_file_bench [FOLDER]      (a temporary folder under FOLDER, default the system's)

#include <QTemporaryDir>
#include <cstdio>

#include "app/common/table_names.h"
#include "app/common/text_file.h"
#include "app/projects/project_file.h"
#include "app/projects/project_store.h"
#include "bench/bench_support.h"
#include "engine/table.h"

namespace {

constexpr int kFields = 255;
constexpr int kPages = 20;

QString fieldName(int i) { return QStringLiteral("F%1").arg(i); }

void makeMaster(const QString& folder) {
  tdb::Table t;
  t.setDatabaseName(torvanel::engineDatabaseName(folder));
  t.setTableName("MASTER.DBF");
  t.setTableType(tdb::TableType::ttFoxPro);
  for (int i = 0; i < kFields; ++i)
    t.fieldDefs().add(fieldName(i).toStdString(), tdb::FieldType::ftFloat, 10);
  t.createTable();
}

torvanel::ProjectDefinition bigProject(const QString& folder) {
  torvanel::ProjectDefinition p;
  p.name = QStringLiteral("大项目");
  p.master = QLatin1Char('[') + folder + QStringLiteral("]MASTER.DBF");
  p.auxiliaries = {{QStringLiteral("DEMO"), QStringLiteral("GOODS.DBF"), torvanel::kLookupRelation,
                    QStringLiteral("CODE->F0"), torvanel::kShown, QStringLiteral("CODE")}};
  for (int i = 0; i < kFields; ++i)
    p.formulas << torvanel::FieldFormula{
        fieldName(i), QStringLiteral("[DEMO/GOODS.DBF]PRICE×F%1＋(1.5){2}").arg((i + 1) % kFields)};
  p.pages.clear();
  for (int page = 0; page < kPages; ++page) {
    torvanel::DisplayPage d{QStringLiteral("第%1页 价格").arg(page), {}};
    for (int i = 0; i < kFields; ++i)
      d.rows << torvanel::PageColumn{fieldName(i), QStringLiteral("字段%1的显示名称").arg(i),
                                     i % 2 ? QStringLiteral("[DEMO/GOODS.DBF]NAME") : QString()};
    p.pages << d;
  }
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir dir(argc > 1
                        ? QString::fromLocal8Bit(argv[1]) + QStringLiteral("/project-bench-XXXXXX")
                        : QString());
  const QString folder = dir.path() + QLatin1Char('/');
  makeMaster(folder);
  const torvanel::ProjectDefinition project = bigProject(folder);
  torvanel::ProjectList list;

  bench::printHeading();
  const double save = bench::bestOf(10, [&] { torvanel::savefile(project, list, folder); });
  torvanel::ProjectDefinition loaded;
  const double load = bench::bestOf(10, [&] {
    loaded.master = project.master;
    torvanel::setvalue(loaded, folder);
  });
  loaded.name = project.name;
  std::printf("%-34s %lld bytes, read back %s\n", "project file",
              static_cast<long long>(torvanel::project_file::toBytes(project).size()),
              loaded == project ? "whole" : "DIFFERENT");
  // The file's own work, without the disk: a durable write waits for the disk's flush, which
  // this machine's disk decides.
  QByteArray bytes;
  const double encode =
      bench::bestOf(10, [&] { bytes = torvanel::project_file::toBytes(project); });
  torvanel::ProjectDefinition parsed;
  const double parse = bench::bestOf(10, [&] {
    parsed = loaded;
    parsed.reset();
    parsed.formulas = loaded.formulas;
    torvanel::project_file::applyLines(torvanel::gbkLines(bytes), parsed);
  });
  bench::report("project to GBK bytes", encode, 0, "", true);
  bench::report("GBK bytes to project", parse, 0, "", true);
  bench::report("savefile (list and project file)", save, 0, "<= 50 ms", save <= 0.05);
  bench::report("setvalue (master fields and file)", load, 0, "<= 50 ms", load <= 0.05);
  return 0;
}
