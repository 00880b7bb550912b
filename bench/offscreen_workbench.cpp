#include "bench/offscreen_workbench.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

namespace bench {

namespace {

QString programFolder(const char* program) {
  const QString folder =
      QDir::tempPath() + QLatin1Char('/') + QLatin1String(program) + QStringLiteral("-program/");
  QDir().mkpath(folder);
  return folder;
}

}  // namespace

QString benchTableFolder(int argc, char** argv, const char* program) {
  QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/tdb-bench");
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  if (QFile::exists(folder + QStringLiteral("bench.dbf"))) return folder;
  std::fprintf(stderr, "%s: run engine_bench first to make %sbench.dbf\n", program,
               folder.toUtf8().constData());
  return {};
}

bool copyBenchTable(const QString& from, const QString& to) {
  QDir(to).removeRecursively();
  QDir().mkpath(to);
  for (const char* file : {"bench.dbf", "bench.dbt", "bench.mdx"}) {
    const QString source = from + QLatin1String(file);
    if (QFile::exists(source) && !QFile::copy(source, to + QLatin1String(file))) return false;
  }
  return true;
}

OffscreenWorkbench::OffscreenWorkbench(const char* program) : main_(programFolder(program)) {
  main_.createDialogs();
  main_.resize(1200, 800);
  main_.show();
  QApplication::processEvents();
  engine_ = main_.findChild<torvanel::WindowEngine*>();
}

}  // namespace bench
