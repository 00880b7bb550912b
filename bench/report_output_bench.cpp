// Report sheets drawn by the one painter, on engine_bench's million-record table (run
// `engine_bench /tmp/tdb-bench` first): 100 sheets of the report composed and written to one PDF,
// the composition alone and the same sheets as pictures, for comparison. The page calculation
// before them is timed too but is not part of the output's figure. Prints figures and the target;
// never fails for a missed target.
//
//   report_output_bench [folder]   (default /tmp/tdb-bench)

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "app/reports/report_run.h"
#include "app/reports/report_template.h"
#include "app/reports/sheet_files.h"
#include "app/reports/sheet_painter.h"
#include "bench/bench_support.h"
#include "engine/table.h"

namespace {

constexpr int kSheets = 100;

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString folder =
      argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/tdb-bench");
  if (!QFileInfo::exists(folder + QStringLiteral("/bench.dbf"))) {
    std::fprintf(stderr, "no %s/bench.dbf: run engine_bench %s first\n", qPrintable(folder),
                 qPrintable(folder));
    return 1;
  }
  tdb::Table table;
  table.setDatabaseName(QDir(folder).absolutePath().toStdString() + "/");
  table.setTableName("bench.dbf");
  table.open();

  // The default template with every field, as the designer makes it for a table without one.
  torvanel::ReportTemplate t = torvanel::defaultTemplate();
  torvanel::reconcileWithTable(t, table);
  torvanel::ReportRun run(t, table, 96);

  bench::printHeading();
  const bench::Clock::time_point start = bench::Clock::now();
  run.calculate(torvanel::kOpenRange, torvanel::kOpenRange);
  bench::report("page calculation (before the output)", bench::secondsSince(start),
                static_cast<double>(table.recordCount()), "", false);
  if (run.sheetCount() < kSheets) {
    std::fprintf(stderr, "the report has only %d sheets\n", run.sheetCount());
    return 1;
  }

  const double composed = bench::bestOf(1, [&] {
    for (int i = 1; i <= kSheets; ++i) run.sheet(i);
  });
  bench::report("100 sheets composed only", composed, 0, "", false);

  QTemporaryDir out;
  const torvanel::SheetSource sheetAt = [&](int i) { return run.sheet(i + 1); };
  const double pdf = bench::bestOf(3, [&] {
    torvanel::writeSheetsPdf(out.filePath(QStringLiteral("report.pdf")), kSheets, sheetAt);
  });
  bench::report("100 sheets composed and written to PDF (best of 3)", pdf, 0, "<= 5 s", pdf <= 5);
  std::printf("  PDF size: %.1f MB\n",
              QFileInfo(out.filePath(QStringLiteral("report.pdf"))).size() / 1048576.0);

  const double pictures = bench::bestOf(1, [&] {
    for (int i = 0; i < kSheets; ++i) torvanel::sheetImage(sheetAt(i));
  });
  bench::report("100 sheets composed and drawn as pictures", pictures, 0, "", false);
  return 0;
}
