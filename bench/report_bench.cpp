// Reports over engine_bench's million-record table: the page calculation, the calculation with
// groups and group and grand totals, and composing the report's last page (the first time after
// a calculation, then again). Each measurement runs in a child of its own, so its peak memory is
// its own. Prints figures; never fails for a missed target.
//
//   report_bench [FOLDER]   FOLDER holds engine_bench's bench.dbf (/tmp/tdb-bench); the grouped
//                           runs use a copy with a DAY tag in FOLDER/report/

#include <QGuiApplication>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "app/reports/report_run.h"
#include "bench/bench_support.h"
#include "bench/offscreen_workbench.h"
#include "engine/table.h"

namespace {

namespace fs = std::filesystem;
using bench::Clock;
using bench::report;
using bench::secondsSince;
using namespace torvanel;

constexpr long kRecords = 1'000'000;

// A4, the default texts, NAME, PRICE, DAY and TITLE printed; PRICE summed for every kind of
// total that is switched on.
ReportTemplate benchTemplate(const tdb::Table& table, bool grouped) {
  ReportTemplate t = defaultTemplate();
  reconcileWithTable(t, table);
  t.sections[kPageFooter].text = QStringLiteral("第[PageNum]页 共[PageCou]页");
  t.sections[kHeadText].lines = {QStringLiteral("[DAY] 组内第[GPageNum]页")};
  for (GridColumn& c : t.grid.columns) {
    const QString& name = c[kFieldName];
    c[kPrinted] = name == "NAME" || name == "PRICE" || name == "DAY" || name == "TITLE" ? kChecked
                                                                                        : QString();
    if (name == "PRICE") c[kPageSum] = c[kGroupSum] = c[kGrandSum] = kChecked;
  }
  t.pageTotals = true;
  if (grouped) {
    t.grouping = t.groupTotals = t.grandTotals = true;
    t.groupField = QStringLiteral("DAY");
  }
  return t;
}

void open(tdb::Table& t, const std::string& file, const char* order) {
  t.setTableName(file);
  t.open();
  t.setIndexName(order);
}

// The calculation, best of 3, then the last page composed twice.
void measure(const char* what, const std::string& file, const char* order, bool grouped,
             const char* target, double limit, double peakMb) {
  bench::runInChild("report_bench", [&] {
    tdb::Table table;
    open(table, file, order);
    ReportRun run(benchTemplate(table, grouped), table, 96);
    const std::clock_t cpu = std::clock();
    const double calculation = bench::bestOf(3, [&] { run.calculate(kOpenRange, kOpenRange); });
    const double cpuMs = (std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC / 3;
    report(what, calculation, kRecords, target,
           calculation <= limit && bench::memoryNow().peak <= peakMb);
    // On a busy machine the wall time includes waiting for a core; the CPU time does not.
    std::printf("  %zu pages, %zu groups, %d rows a page; CPU time of one calculation %.0f ms\n",
                run.pages().pages.size(), run.pages().groups.size(), run.pages().rowsPerPage,
                cpuMs);
    auto start = Clock::now();
    Sheet last = run.sheet(run.sheetCount());
    const double first = secondsSince(start);
    report("  compose the last page, first time", first, 0, "<= 300 ms", first <= 0.3);
    start = Clock::now();
    last = run.sheet(run.sheetCount());
    const double again = secondsSince(start);
    report("  compose the last page, again", again, 0, "<= 20 ms", again <= 0.02);
    std::printf("  %zu items on it\n", last.items.size());
    std::fflush(stdout);  // the child ends with _exit, which flushes nothing
  });
}

bool prepareDayOrder(const std::string& source, const std::string& work) {
  if (!bench::copyBenchTable(QString::fromStdString(source), QString::fromStdString(work)))
    return false;
  return bench::runInChild("report_bench", [&] {
    tdb::Table t;
    t.setExclusive(true);  // a new tag needs it
    open(t, work + "bench.dbf", "");
    t.addIndex({"DAY", "DAY", "", 0});
  });
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const std::string folder = bench::benchTableFolder(argc, argv, "report_bench").toStdString();
  if (folder.empty()) return 1;
  const std::string work = folder + "report/";
  std::printf("copying %sbench.dbf to %s and adding tag DAY ...\n", folder.c_str(), work.c_str());
  if (!prepareDayOrder(folder, work)) return 1;
  bench::printHeading();
  measure("page calculation (best of 3)", folder + "bench.dbf", "", false, "<= 0.5 s", 0.5, 1e9);
  measure("grouped by DAY, DAY order (best of 3)", work + "bench.dbf", "DAY", true,
          "<= 1.5 s, <= 128 MB", 1.5, 128);
  // Natural order: DAY changes at every record, so every record is a group and a page.
  measure("grouped by DAY, natural order (best of 3)", folder + "bench.dbf", "", true, "", 1e9,
          1e9);
  fs::remove_all(work);
  return 0;
}
