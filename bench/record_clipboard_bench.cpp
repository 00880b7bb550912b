// The record clipboard on a copy of the engine benchmark's million-record table, driven offscreen:
// copying 10,000 rows picked in the grid, pasting them after a record in the middle (room for the
// whole block made in one pass, and for comparison an insert in the middle, which makes room for
// one record), and pasting them into a small table. Prints figures; never fails for a missed
// target.
//
//   record_clipboard_bench [FOLDER]    FOLDER holds bench.dbf, made by engine_bench
//                                      (/tmp/tdb-bench); it is copied, never changed

#include <QApplication>
#include <QDir>
#include <QItemSelectionModel>
#include <QTableView>
#include <cstdio>

#include "app/shell/main_window.h"
#include "app/ui/dialogs.h"
#include "app/windows/table_window.h"
#include "app/windows/window_engine.h"
#include "bench/bench_support.h"
#include "bench/offscreen_workbench.h"
#include "bench/printed_dialogs.h"
#include "engine/table.h"

namespace {

using bench::Clock;
using bench::report;
using bench::secondsSince;

constexpr int kPicked = 10000;  // rows picked in the grid
constexpr int kEvery = 37;      // one row in so many, from row 100,000 on

// Picks rows of the active window's grid as Ctrl+clicks would: the grid selects several rows.
void pick(torvanel::WindowEngine& engine, int slot, int first, int count, int every) {
  QTableView* grid = engine.registry()[slot].pagegrids[0];
  grid->setSelectionMode(QAbstractItemView::MultiSelection);
  QItemSelection rows;
  for (int i = 0; i < count; ++i) {
    const QModelIndex at = grid->model()->index(first + i * every, 0);
    rows.select(at, at);
  }
  grid->selectionModel()->select(rows, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString from = bench::benchTableFolder(argc, argv, "record_clipboard_bench");
  if (from.isEmpty()) return 1;
  const QString db = QDir::tempPath() + QStringLiteral("/record-clipboard-bench/");
  if (!bench::copyBenchTable(from, db)) {
    std::fprintf(stderr, "record_clipboard_bench: cannot copy the table to %s\n",
                 db.toUtf8().constData());
    return 1;
  }
  const std::string folder = db.toStdString();
  {
    // A small table of the same structure for the second paste.
    tdb::Table big, small;
    big.setDatabaseName(folder);
    big.setTableName("bench.dbf");
    big.open();
    small.setDatabaseName(folder);
    small.setTableName("small.dbf");
    for (const tdb::FieldDef& d : big.fieldDefs()) small.fieldDefs().add(d);
    small.createTable();
    small.open();
    big.first();
    for (int i = 0; i < 100; ++i, big.next()) {
      small.append();
      for (int f = 0; f < small.fieldCount(); ++f) small.field(f).setValue(big.field(f).value());
      small.post();
    }
  }

  bench::PrintedDialogs dialogs;
  bench::OffscreenWorkbench workbench("record-clipboard-bench");
  torvanel::WindowEngine* engine = &workbench.engine();
  bench::printHeading();

  engine->viewtable({db, QStringLiteral("bench.dbf")});
  QApplication::processEvents();
  tdb::Table& t = engine->registry()[0].window->table();
  const long before = t.recordCount();
  pick(*engine, 0, 100000, kPicked, kEvery);
  std::printf("%-34s %d\n", "rows picked", engine->activeWindow()->selectedRows);

  auto start = Clock::now();
  engine->tablejianqie('f');
  const double copy = secondsSince(start);
  report("copy 10,000 picked rows", copy, kPicked, "< 2 s", copy < 2);

  engine->enteredit();
  t.moveTo(before / 2);
  start = Clock::now();
  engine->tablezhantie();
  QApplication::processEvents();
  const double middle = secondsSince(start);
  report("paste 10,000 after record 500,000", middle, kPicked, "< 30 s", middle < 30);
  std::printf("%-34s %ld (was %ld)\n", "records now", t.recordCount(), before);

  {
    tdb::Table& c = engine->recordClipboard().table();
    c.open();
    std::printf("%-34s %ld\n", "clipboard records", c.recordCount());
    c.close();
  }

  // Room made for each record in turn, as "插入记录" makes it for one, moves the half million
  // records after it every time.
  const int few = 3;
  start = Clock::now();
  for (int i = 0; i < few; ++i) {
    t.moveTo(before / 2);
    engine->insertrecord();
  }
  const double each = secondsSince(start) / few;
  report("insert in the middle, room for one", each, 0, "", true);
  std::printf("%-34s %.0f s (%.1f hours)\n", "  so 10,000 records one by one", each * kPicked,
              each * kPicked / 3600);

  // And into a small table: room for 10,000 records after its 50th.
  engine->registry()[0].pagegrids[0]->clearSelection();
  pick(*engine, 0, 100000, kPicked, kEvery);
  engine->tablejianqie('f');
  engine->viewtable({db, QStringLiteral("small.dbf")});
  QApplication::processEvents();
  tdb::Table& s = engine->registry()[1].window->table();
  engine->enteredit();
  s.moveTo(50);
  start = Clock::now();
  engine->tablezhantie();
  const double small = secondsSince(start);
  report("paste 10,000 into a 100-record table", small, kPicked, "< 5 s", small < 5);
  std::printf("%-34s %ld\n", "records now", s.recordCount());

  const bench::Memory m = bench::memoryNow();
  std::printf("%-34s %.1f MB (peak %.1f MB)\n", "process memory", m.rss, m.peak);
  engine->closeeverytable(torvanel::CloseMode::Close);
  engine->deleteRecordClipboard();
  QDir(db).removeRecursively();
  return 0;
}
