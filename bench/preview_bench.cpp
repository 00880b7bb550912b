// The preview on engine_bench's million-record table (run `engine_bench /tmp/tdb-bench` first),
// offscreen, with the default template over every field: from "预览" to the first page painted
// (page calculation, first composition, first drawing), turning pages, changing the zoom and
// going to the last page, each through the preview's own buttons and zoom box, each ended by
// painting the window. Prints figures and the targets; never fails for a missed target.
//
//   preview_bench [folder]   (default /tmp/tdb-bench)

#include <QApplication>
#include <QComboBox>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/reports/page_view.h"
#include "app/reports/preview_window.h"
#include "app/reports/report_run.h"
#include "app/ui/widget_dialogs.h"
#include "bench/bench_support.h"
#include "bench/offscreen_workbench.h"
#include "engine/table.h"

namespace {

using bench::Clock;
using bench::secondsSince;
using namespace torvanel;

QToolButton* tool(QWidget& preview, const char* text) {
  for (QToolButton* b : preview.findChildren<QToolButton*>())
    if (b->text() == QString::fromUtf8(text)) return b;
  std::fprintf(stderr, "preview_bench: no button %s\n", text);
  std::exit(1);
}

// The slowest and the median of `times`.
void reportRuns(const char* what, std::vector<double> times, const char* target, double limit) {
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  const double slowest = times.back();
  bench::report(what, median, 0, target, slowest <= limit);
  std::printf("  slowest of %zu: %.1f ms\n", times.size(), slowest * 1000);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  WidgetDialogs dialogs;
  installDialogs(&dialogs);
  const QString folder = bench::benchTableFolder(argc, argv, "preview_bench");
  if (folder.isEmpty()) return 1;
  tdb::Table table;
  table.setDatabaseName(folder.toStdString());
  table.setTableName("bench.dbf");
  table.open();
  // The default template with every field, as the designer makes it for a table without one.
  ReportTemplate t = defaultTemplate();
  reconcileWithTable(t, table);

  TForm4 preview;
  bench::printHeading();
  Clock::time_point start;
  QTimer::singleShot(0, &preview, [&] {
    // The modal loop runs: the window is shown, its first page composed and drawn once painted.
    auto* page = preview.findChild<PageView*>();
    page->repaint();
    const double first = secondsSince(start);
    bench::report("\"预览\" to the first page painted", first, 1'000'000, "<= 1 s", first <= 1);

    const auto timed = [&](QToolButton* button) {
      const Clock::time_point at = Clock::now();
      button->click();
      page->repaint();
      return secondsSince(at);
    };
    const double last = timed(tool(preview, "尾页"));
    bench::report("go to the last page", last, 0, "<= 300 ms", last <= 0.3);

    std::vector<double> turns;
    for (int i = 0; i < 20; ++i) turns.push_back(timed(tool(preview, "前页")));
    timed(tool(preview, "首页"));
    for (int i = 0; i < 20; ++i) turns.push_back(timed(tool(preview, "后页")));
    reportRuns("turn a page (median of 40)", turns, "<= 50 ms", 0.05);

    // The zoom box's items, 10 % to 200 %, in no order. The window first shows the picture it
    // has stretched, then the picture drawn anew at the new size once the events have run.
    auto* zoom = preview.findChild<QComboBox*>();
    std::vector<double> stretched, drawn;
    for (int i = 0; i < 20; ++i) {
      const int item = (i * 7) % zoom->count();
      const Clock::time_point at = Clock::now();
      zoom->setCurrentIndex(item);
      emit zoom->activated(item);
      page->repaint();
      stretched.push_back(secondsSince(at));
      QApplication::processEvents();
      page->repaint();
      drawn.push_back(secondsSince(at));
    }
    reportRuns("zoom, stretched (median of 20)", stretched, "<= 20 ms", 0.02);
    reportRuns("  then drawn at that size", drawn, "<= 20 ms", 0.02);
    std::printf("  the page at %s %%: %d x %d pixels\n", qPrintable(zoom->currentText()),
                page->picture().width(), page->picture().height());
    std::fflush(stdout);
    preview.accept();
  });
  start = Clock::now();
  ReportRun run(t, table, 96);
  run.calculate(kOpenRange, kOpenRange);
  std::printf("%zu pages, %d rows a page\n", run.pages().pages.size(), run.pages().rowsPerPage);
  preview.previewReport(run, QStringLiteral("bench.ts0"), kOpenRange, kOpenRange);
  return 0;
}
