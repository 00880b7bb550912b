// A table window on the engine benchmark's million-record table, driven offscreen: the time to
// open it and show its first rows, to scroll its grid to the last rows and back, and the memory
// the process holds. Prints figures and targets; never fails for a missed target.
//
//   window_bench [FOLDER]    FOLDER holds bench.dbf, made by engine_bench (/tmp/tdb-bench)

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QScrollBar>
#include <QTableView>
#include <cstdio>

#include "app/shell/main_window.h"
#include "app/ui/dialogs.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "bench/bench_support.h"
#include "bench/offscreen_workbench.h"
#include "bench/printed_dialogs.h"

namespace {

using bench::Clock;
using bench::report;
using bench::secondsSince;

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString folder = bench::benchTableFolder(argc, argv, "window_bench");
  if (folder.isEmpty()) return 1;
  bench::PrintedDialogs dialogs;
  bench::OffscreenWorkbench workbench("window-bench");
  torvanel::WindowEngine* engine = &workbench.engine();
  bench::printHeading();

  const auto start = Clock::now();
  engine->viewtable({folder, QStringLiteral("bench.dbf")});
  QApplication::processEvents();
  QTableView* grid = engine->registry()[0].pagegrids[0];
  grid->viewport()->grab();  // the first rows painted
  const double open = secondsSince(start);
  report("open the window, first rows painted", open, 0, "< 0.5 s", open < 0.5);
  std::printf("%-34s %d\n", "rows in the grid", grid->model()->rowCount());

  auto scrollTo = [&](int value, const char* what) {
    const auto t = Clock::now();
    grid->verticalScrollBar()->setValue(value);
    QApplication::processEvents();
    grid->viewport()->grab();
    report(what, secondsSince(t), 0, "", true);
  };
  scrollTo(grid->verticalScrollBar()->maximum(), "scroll to the last rows (first time)");
  scrollTo(0, "scroll back to the first rows");
  scrollTo(grid->verticalScrollBar()->maximum(), "scroll to the last rows again");
  scrollTo(grid->verticalScrollBar()->maximum() / 2, "jump to the middle");

  // A page at a time from the top, as far as 200 pages go.
  const auto paging = Clock::now();
  const int page = grid->verticalScrollBar()->pageStep();
  for (int i = 0; i < 200; ++i) {
    grid->verticalScrollBar()->setValue(i * page);
    QApplication::processEvents();
    grid->viewport()->grab();
  }
  report("200 pages down, each", secondsSince(paging) / 200, 0, "", true);

  const bench::Memory m = bench::memoryNow();
  std::printf("%-34s %.1f MB (peak %.1f MB)%20s: %s\n", "process memory", m.rss, m.peak, "< 200 MB",
              m.peak < 200 ? "ok" : "MISSED");
  engine->closeeverytable(torvanel::CloseMode::Close);
  return 0;
}
